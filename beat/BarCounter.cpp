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
}

void BarCounter::addBoundary(std::int32_t before, std::int32_t at, TrackSeconds line,
                             TrackSeconds length, int beatsPerBar)
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
    if (!inCycle || !steps || bothCycles(beatsPerBar) || !isFinite(line) || !(length.value > 0.0))
    {
        goodSteps_ = 0;
        doubted_ = true;
        if (aligned_ && alignedSteps_ < kEstablishedSteps)
            aligned_ = false; // the numbers were not the bar after all
        return;
    }
    // A boundary that agrees with the bar already named needs no second one to confirm it.
    const double place = static_cast<double>(to - low);
    if (aligned_ && wrap(namedPlace_ + std::round((line - namedLine_) / length), beatsPerBar) ==
                        wrap(place, beatsPerBar))
    {
        ++goodSteps_;
        ++alignedSteps_;
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
    namedLine_ = line;
    namedPlace_ = place;
}

double BarCounter::barPosition(double beatIndex, TrackSeconds line, TrackSeconds length,
                               int beatsPerBar) const
{
    if (aligned_ && length.value > 0.0 && isFinite(line))
    {
        const double lines = std::round((line - namedLine_) / length);
        if (std::isfinite(lines))
            return wrap(namedPlace_ + lines, beatsPerBar) + 1.0;
    }
    return wrap(std::floor(beatIndex) + startOffset_, beatsPerBar) + 1.0;
}

} // namespace orvbeat
