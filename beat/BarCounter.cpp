#include "beat/BarCounter.h"

#include <cmath>

namespace orvbeat
{

namespace
{

// Consecutive boundaries that step by +1 before the sender's numbers count, once a boundary
// showed that they do not always: a Beat that toggles steps up only every other time.
constexpr int kStepsToAlignAfterDoubt = 2;
// Steps that agreed with the numbers since they were taken, beyond which a step that does not
// (noise) leaves the bar where it is rather than back at the count from the start.
constexpr int kEstablishedSteps = 4;

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
    // The latest of the two decides: after noise, the sender's own numbers win again.
    if (beat == 0)
    {
        fromZero_ = true;
        zeroAt_ = boundaries_;
    }
    else if (beat == beatsPerBar)
    {
        fromZero_ = false;
        topAt_ = boundaries_;
    }
}

bool BarCounter::bothCycles(int beatsPerBar) const
{
    // A 0 and an N within the last bar: the numbers count some other cycle (or are noise).
    const long long recent = boundaries_ - beatsPerBar - 1;
    return zeroAt_ >= 0 && topAt_ >= 0 && zeroAt_ >= recent && topAt_ >= recent;
}

void BarCounter::countFrom(double beatIndex, int beatsPerBar)
{
    startOffset_ = wrap(-std::floor(beatIndex), beatsPerBar);
    if (!aligned_)
        offset_ = startOffset_;
}

void BarCounter::addBoundary(std::int32_t before, std::int32_t at, double beatIndex,
                             int beatsPerBar)
{
    ++boundaries_;
    see(before, beatsPerBar);
    see(at, beatsPerBar);
    const std::int64_t low = fromZero_ ? 0 : 1;
    const std::int64_t n = beatsPerBar;
    const std::int64_t from = before;
    const std::int64_t to = at;
    const bool inCycle = from >= low && from < low + n && to >= low && to < low + n;
    const bool steps = to == from + 1 || (from == low + n - 1 && to == low);
    if (!inCycle || !steps || bothCycles(beatsPerBar) || !std::isfinite(beatIndex))
    {
        goodSteps_ = 0;
        doubted_ = true;
        if (aligned_ && alignedSteps_ < kEstablishedSteps)
        {
            aligned_ = false; // the numbers were not the bar after all
            offset_ = startOffset_;
        }
        return;
    }
    ++goodSteps_;
    if (aligned_)
        ++alignedSteps_;
    if (goodSteps_ < (doubted_ ? kStepsToAlignAfterDoubt : 1))
        return;
    if (!aligned_)
        alignedSteps_ = goodSteps_;
    aligned_ = true;
    offset_ = wrap(static_cast<double>(to - low) - std::round(beatIndex), beatsPerBar);
}

double BarCounter::barPosition(double beatIndex, int beatsPerBar) const
{
    return wrap(std::floor(beatIndex) + offset_, beatsPerBar) + 1.0;
}

} // namespace orvbeat
