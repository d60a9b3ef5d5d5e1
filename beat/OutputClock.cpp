#include "beat/OutputClock.h"

#include <algorithm>
#include <cmath>

namespace orvbeat
{

bool OutputClock::jumpTo(double modelPhase)
{
    const double target = modelPhase + offset;
    if (!std::isfinite(target))
        return false;
    const bool wasStarted = hasPhase;
    hasPhase = true;
    phase = target;
    return split() && wasStarted;
}

bool OutputClock::follow(double modelPhase, double dt, double tempo)
{
    if (!hasPhase)
        return jumpTo(modelPhase);
    const double advance = std::max(0.0, dt) * tempo / 60.0;
    const double predicted = phase + advance;
    const double target = modelPhase + offset;
    const double error = target - predicted;
    if (!std::isfinite(error) || !std::isfinite(predicted))
        return false;
    if (error > largeError)
    {
        phase = target;
    }
    else if (error < -largeError)
    {
        const double wholeBeats = std::floor(error); // -1 or less
        phase = target - wholeBeats;
        offset -= wholeBeats;
    }
    else if (std::fabs(error) <= smallError)
    {
        phase = std::max(phase, target);
    }
    else
    {
        phase = predicted + std::clamp(error, -maxSpeedChange * advance, maxSpeedChange * advance);
    }
    return split();
}

bool OutputClock::split()
{
    const double previous = index;
    index = std::floor(phase);
    ramp = phase - index;
    // A phase a hair below a whole number can round to a ramp of exactly 1.
    if (!(ramp < 1.0))
    {
        ramp = 0.0;
        index += 1.0;
    }
    if (!(ramp >= 0.0))
        ramp = 0.0;
    return index != previous;
}

} // namespace orvbeat
