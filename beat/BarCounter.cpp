#include "beat/BarCounter.h"

#include <cmath>

namespace orvbeat
{

namespace
{

// Consecutive boundaries that step by +1 before the sender's numbers count: a Beat that toggles
// steps up only every other time.
constexpr int kStepsToAlign = 2;

double wrap(double value, int modulus)
{
    double wrapped = std::fmod(value, static_cast<double>(modulus));
    if (wrapped < 0.0)
        wrapped += modulus;
    return wrapped < modulus ? wrapped : 0.0;
}

} // namespace

void BarCounter::see(std::int32_t beat, int beatsPerBar)
{
    seenZero_ = seenZero_ || beat == 0;
    seenTop_ = seenTop_ || beat == beatsPerBar;
}

void BarCounter::countFrom(double beatIndex, int beatsPerBar)
{
    if (!aligned_)
        offset_ = wrap(-std::floor(beatIndex), beatsPerBar);
}

void BarCounter::addBoundary(std::int32_t before, std::int32_t at, double beatIndex,
                             int beatsPerBar)
{
    see(before, beatsPerBar);
    see(at, beatsPerBar);
    if (seenZero_ && seenTop_)
        return; // both 0 and N: not a bar of beatsPerBar beats
    const std::int64_t low = seenZero_ ? 0 : 1;
    const std::int64_t n = beatsPerBar;
    const std::int64_t from = before;
    const std::int64_t to = at;
    const bool inCycle = from >= low && from < low + n && to >= low && to < low + n;
    const bool steps = to == from + 1 || (from == low + n - 1 && to == low);
    if (!inCycle || !steps || !std::isfinite(beatIndex))
    {
        goodSteps_ = 0;
        return;
    }
    if (++goodSteps_ < kStepsToAlign)
        return;
    goodSteps_ = kStepsToAlign;
    aligned_ = true;
    offset_ = wrap(static_cast<double>(to - low) - std::round(beatIndex), beatsPerBar);
}

double BarCounter::barPosition(double beatIndex, int beatsPerBar) const
{
    return wrap(std::floor(beatIndex) + offset_, beatsPerBar) + 1.0;
}

} // namespace orvbeat
