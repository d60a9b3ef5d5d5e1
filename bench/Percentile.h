// Order statistics of a sample: the median and the tail figures the benchmarks report.
#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

namespace orvbench
{

// The value below which the fraction p (0 to 1) of the sample lies, nearest rank; 0 for an
// empty sample.
inline double percentile(std::vector<double> values, double p)
{
    if (values.empty())
    {
        return 0.0;
    }
    std::sort(values.begin(), values.end());
    const double rank = std::ceil(p * static_cast<double>(values.size()));
    const std::size_t index = rank < 1.0 ? 0 : static_cast<std::size_t>(rank) - 1;
    return values[std::min(index, values.size() - 1)];
}

inline double median(const std::vector<double>& values)
{
    return percentile(values, 0.5);
}

} // namespace orvbench
