// Order statistics of a sample: the median and the tail figures that the benchmarks report and
// the tests bound.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace orvsupport
{

// The value below which the fraction p (0 to 1) of a sample sorted in ascending order lies,
// by nearest rank: the smallest value with at least p of the sample at or below it. 0 for an
// empty sample.
inline double percentileOfSorted(const std::vector<double>& sorted, double p)
{
    if (sorted.empty())
    {
        return 0.0;
    }
    const double rank = std::ceil(p * static_cast<double>(sorted.size()));
    const std::size_t index = rank < 1.0 ? 0 : static_cast<std::size_t>(rank) - 1;
    return sorted[std::min(index, sorted.size() - 1)];
}

// The same for a sample in any order.
inline double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    return percentileOfSorted(values, p);
}

inline double median(const std::vector<double>& values)
{
    return percentile(values, 0.5);
}

} // namespace orvsupport
