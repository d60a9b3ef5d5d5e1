// One frame of the beat clock: the channels a node shows. Every value is finite.
#pragma once

#include "beat/LoopWatch.h"
#include "beat/PhraseCounter.h"
#include "beat/TrackEnd.h"

namespace orvbeat
{

struct BeatOutput
{
    double beatRamp = 0.0;  // 0 -> 1 across the current beat, in [0, 1)
    double barRamp = 0.0;   // 0 -> 1 across the bar, in [0, 1)
    double beatPulse = 0.0; // 1 on the first frame of each new beat, else 0
    double beat = 0.0;      // position in the bar, 1..beatsPerBar (0 before any data)
    double beats = 0.0;     // beats begun since the deck started playing this track
    double bpm = 0.0;       // the tempo the clock runs at, beats per minute of host time
    double playing = 0.0;   // 1 while the deck's position advances
    double position = 0.0;  // Position extrapolated to `now` (sender's units)
    double locked = 0.0;    // 1 while the clock follows the deck's observed beats

    // What visuals follow besides the beat; a node shows each group when it is switched on.
    PhraseFrame phrase;
    TrackEndFrame trackEnd;
    LoopFrame loop;
};

} // namespace orvbeat
