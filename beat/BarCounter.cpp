#include "beat/BarCounter.h"

#include <cmath>

namespace orvbeat
{

namespace
{

double wrap(double value, int modulus)
{
    double wrapped = std::fmod(value, static_cast<double>(modulus));
    if (wrapped < 0.0)
        wrapped += modulus;
    return wrapped < modulus ? wrapped : 0.0;
}

} // namespace

void BarCounter::countFrom(double beatIndex, int beatsPerBar)
{
    if (goodSteps_ < stepsToAlign)
        offset_ = wrap(-std::floor(beatIndex), beatsPerBar);
}

void BarCounter::addBoundary(std::int32_t before, std::int32_t at, double beatIndex,
                             int beatsPerBar)
{
    const std::int64_t from = before;
    const std::int64_t to = at;
    const std::int64_t n = beatsPerBar;
    seenZero_ = seenZero_ || from == 0 || to == 0;
    seenTop_ = seenTop_ || from == n || to == n;
    const std::int64_t low = seenZero_ ? 0 : 1;
    const bool inCycle =
        !(seenZero_ && seenTop_) && from >= low && from < low + n && to >= low && to < low + n;
    const bool steps = to == from + 1 || (from == low + n - 1 && to == low);
    if (!inCycle || !steps)
    {
        goodSteps_ = 0;
        return;
    }
    if (++goodSteps_ >= stepsToAlign)
    {
        goodSteps_ = stepsToAlign;
        offset_ = wrap(static_cast<double>(to - low) - std::round(beatIndex), beatsPerBar);
    }
}

double BarCounter::barPosition(double beatIndex, int beatsPerBar) const
{
    return wrap(std::floor(beatIndex) + offset_, beatsPerBar) + 1.0;
}

} // namespace orvbeat
