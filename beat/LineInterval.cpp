#include "beat/LineInterval.h"

#include <algorithm>
#include <cmath>

namespace orvbeat
{

namespace
{
// Line numbers beyond this are no beat of any track.
constexpr double kMostLines = 1e7;
} // namespace

long long LineInterval::lineAtOrBefore(TrackSeconds position) const
{
    const double middle = 0.5 * (low_ + high_).value;
    const double lines = std::floor((position.value - middle) / length_.value);
    return std::isfinite(lines) ? static_cast<long long>(std::clamp(lines, -kMostLines, kMostLines))
                                : 0;
}

bool LineInterval::agrees(TrackSeconds before, TrackSeconds after, long long& index) const
{
    if (!(length_.value > 0.0) || !(after > before) || !isFinite(before) || !isFinite(after))
        return false;
    if (brackets_ == 0)
    {
        index = 0;
        return true;
    }
    const double middle = 0.5 * (before + after - low_ - high_).value;
    const double lines = std::round(middle / length_.value);
    if (!(std::fabs(lines) < kMostLines))
        return false;
    index = static_cast<long long>(lines);
    // Open at `before`, closed at `after`: the line lies after the low end and at or before
    // the high end.
    return std::max(low_, before - length_ * lines) < std::min(high_, after - length_ * lines);
}

bool LineInterval::add(TrackSeconds before, TrackSeconds after)
{
    long long index = 0;
    if (!agrees(before, after, index))
        return false;
    const double lines = static_cast<double>(index);
    if (brackets_ == 0)
    {
        low_ = before;
        high_ = after;
        narrowest_ = after - before;
    }
    else
    {
        low_ = std::max(low_, before - length_ * lines);
        high_ = std::min(high_, after - length_ * lines);
        narrowest_ = std::min(narrowest_, after - before);
    }
    ++brackets_;
    return true;
}

} // namespace orvbeat
