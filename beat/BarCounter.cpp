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
    if (goodSteps < stepsToAlign)
        offset = wrap(-std::floor(beatIndex), beatsPerBar);
}

void BarCounter::addBoundary(std::int32_t before, std::int32_t at, double beatIndex,
                             int beatsPerBar)
{
    const std::int64_t from = before;
    const std::int64_t to = at;
    const std::int64_t n = beatsPerBar;
    seenZero = seenZero || from == 0 || to == 0;
    seenTop = seenTop || from == n || to == n;
    const std::int64_t low = seenZero ? 0 : 1;
    const bool inCycle =
        !(seenZero && seenTop) && from >= low && from < low + n && to >= low && to < low + n;
    const bool steps = to == from + 1 || (from == low + n - 1 && to == low);
    if (!inCycle || !steps)
    {
        goodSteps = 0;
        return;
    }
    if (++goodSteps >= stepsToAlign)
    {
        goodSteps = stepsToAlign;
        offset = wrap(static_cast<double>(to - low) - std::round(beatIndex), beatsPerBar);
    }
}

double BarCounter::barPosition(double beatIndex, int beatsPerBar) const
{
    return wrap(std::floor(beatIndex) + offset, beatsPerBar) + 1.0;
}

} // namespace orvbeat
