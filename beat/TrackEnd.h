// The track's end: how long until it, in real time at the deck's current speed, and in whole
// beats and bars of the grid; how far into the track the deck is.
#pragma once

#include "beat/Units.h"

#include <optional>

namespace orvbeat
{

struct TrackEndFrame
{
    double timeLeft = -1.0;     // host seconds to the end at the current speed; -1: Length unknown
    double beatsLeft = -1.0;    // whole beats from the current beat's line to the end; -1: unknown
    double barsLeft = -1.0;     // whole bars from the current bar's line to the end; -1: unknown
    double trackProgress = 0.0; // Position / Length, 0..1
};

struct TrackEndReading
{
    std::optional<TrackSeconds> length; // the track's Length, when the sender gave one
    TrackSeconds position;              // where the deck is now (its paused place when paused)
    Rate speed;                         // track seconds per host second, the last while paused
    bool placed = false;                // the lines are placed: the two below hold
    TrackSeconds beatLine;              // where the current beat begins
    TrackSeconds beatLength;
    int beatInBar = 1; // 1..beatsPerBar
    int beatsPerBar = 4;
};

TrackEndFrame trackEnd(const TrackEndReading& reading);

} // namespace orvbeat
