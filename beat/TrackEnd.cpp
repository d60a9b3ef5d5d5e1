#include "beat/TrackEnd.h"

#include <algorithm>
#include <cmath>

namespace orvbeat
{

namespace
{

// Counts beyond this are no track's.
constexpr double kMostBeats = 1e7;
// An end this close to a beat line (in beats) lies on it: the lines' places wobble by a hair as
// the grid narrows, and the count must not wobble with them.
constexpr double kOnLineBeats = 0.05;

// Whole beats from `line` to `end`, beats `length` long; -1 when they are no count.
double wholeBeats(TrackSeconds line, TrackSeconds end, TrackSeconds length)
{
    const double beats = (end - line) / length;
    if (!std::isfinite(beats))
        return -1.0;
    const double nearest = std::round(beats);
    const double whole = std::fabs(beats - nearest) < kOnLineBeats ? nearest : std::floor(beats);
    return std::clamp(whole, 0.0, kMostBeats);
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
        frame.beatsLeft = wholeBeats(reading.beatLine, length, reading.beatLength);
        if (frame.beatsLeft >= 0.0)
        {
            // Counted in beats from the bar's line, so bars and beats count down together.
            const int beatsPerBar = std::max(reading.beatsPerBar, 1);
            const int beatInBar = std::clamp(reading.beatInBar, 1, beatsPerBar);
            frame.barsLeft = std::floor((frame.beatsLeft + (beatInBar - 1)) / beatsPerBar);
        }
    }
    return frame;
}

} // namespace orvbeat
