#include "beat/OutputClock.h"

#include <algorithm>
#include <cmath>

namespace orvbeat
{

bool OutputClock::jumpTo(double modelPhase)
{
    const double target = modelPhase + offset_;
    if (!std::isfinite(target))
        return false;
    const bool wasStarted = hasPhase_;
    const bool backwards = wasStarted && target < phase_;
    hasPhase_ = true;
    phase_ = target;
    // Landing in the last part of a beat would pulse now and again a moment later at the
    // boundary: begin the next beat at once instead, and work the lead off as any other.
    if (wasStarted && target - std::floor(target) >= 1.0 - largeError)
        phase_ = std::floor(target) + 1.0;
    // A jump back begins a beat too, even within the same one: the ramp never falls silently.
    return (split() || backwards) && wasStarted;
}

bool OutputClock::follow(double modelPhase, double dt, double tempo)
{
    if (!hasPhase_)
        return jumpTo(modelPhase);
    const double advance = std::max(0.0, dt) * tempo / 60.0;
    const double predicted = phase_ + advance;
    const double target = modelPhase + offset_;
    const double error = target - predicted;
    if (!std::isfinite(error) || !std::isfinite(predicted))
        return false;
    if (error > largeError)
    {
        phase_ = target;
    }
    else if (error < -largeError)
    {
        const double wholeBeats = std::floor(error); // -1 or less
        phase_ = target - wholeBeats;
        offset_ -= wholeBeats;
    }
    else if (std::fabs(error) <= smallError)
    {
        phase_ = std::max(phase_, target);
    }
    else
    {
        phase_ = predicted + std::clamp(error, -maxSpeedChange * advance, maxSpeedChange * advance);
    }
    return split();
}

bool OutputClock::split()
{
    const double previous = index_;
    index_ = std::floor(phase_);
    ramp_ = phase_ - index_;
    // A phase a hair below a whole number can round to a ramp of exactly 1.
    if (!(ramp_ < 1.0))
    {
        ramp_ = 0.0;
        index_ += 1.0;
    }
    if (!(ramp_ >= 0.0))
        ramp_ = 0.0;
    return index_ != previous;
}

} // namespace orvbeat
