#include "beat/TrackEnd.h"

#include <algorithm>
#include <cmath>

namespace orvbeat
{

namespace
{

// Counts beyond this are no track's.
constexpr double kMostBeats = 1e7;

// Whole units of `unit` from `from` to `to` (a hair of rounding below a whole one is that one).
double wholeUnits(TrackSeconds from, TrackSeconds to, TrackSeconds unit)
{
    const double units = std::floor((to - from) / unit + 1e-6);
    return std::isfinite(units) ? std::clamp(units, 0.0, kMostBeats) : -1.0;
}

} // namespace

TrackEndFrame trackEnd(const TrackEndReading& reading)
{
    TrackEndFrame frame;
    if (!reading.length || !(reading.length->value > 0.0) || !isFinite(*reading.length) ||
        !isFinite(reading.position))
        return frame;
    const TrackSeconds length = *reading.length;
    const TrackSeconds left = TrackSeconds(std::max(0.0, (length - reading.position).value));
    frame.trackProgress = std::clamp(reading.position / length, 0.0, 1.0);
    const double speed = reading.speed.trackPerHost;
    frame.timeLeft = speed > 0.0 && std::isfinite(speed) ? reading.speed.toCover(left).value : -1.0;
    if (!std::isfinite(frame.timeLeft))
        frame.timeLeft = -1.0;
    if (reading.placed && reading.beatLength.value > 0.0 && isFinite(reading.beatLine))
    {
        const int beatsPerBar = std::max(reading.beatsPerBar, 1);
        const TrackSeconds barLine =
            reading.beatLine -
            reading.beatLength * (std::clamp(reading.beatInBar, 1, beatsPerBar) - 1);
        frame.beatsLeft = wholeUnits(reading.beatLine, length, reading.beatLength);
        frame.barsLeft = wholeUnits(barLine, length, reading.beatLength * beatsPerBar);
    }
    return frame;
}

} // namespace orvbeat
