// Cues and loops: each confirmed jump of the deck's Position, how far it went in beats, and
// whether the deck is repeating one stretch (a loop, or a loop roll halving 4, 2, 1 beats).
//
// A jump back is a loop's when the one before it went back too and the deck played, between
// the two, just the stretch it now jumps back over. The loop lasts while the deck keeps within
// that stretch; it plays on past it, or jumps elsewhere, and the loop is over.
#pragma once

#include "beat/Units.h"

#include <optional>

namespace orvbeat
{

struct LoopFrame
{
    double jumpPulse = 0.0; // 1 on the frame a jump shows
    double jumpBeats = 0.0; // how far the latest jump went, in beats; < 0 backwards
    double looping = 0.0;   // 1 while the deck repeats one stretch
    double loopBeats = 0.0; // its length in beats (1/4, 1/2, 1, 2, 4, ...); 0 when not looping
};

class LoopWatch
{
public:
    void startTrack() { *this = LoopWatch(); }
    // A confirmed jump from `from` (the last Position before it) to `to`, at the beat length
    // then (0 when unknown).
    void jumped(TrackSeconds from, TrackSeconds to, TrackSeconds beatLength);
    // The frame, the deck at `position`.
    LoopFrame update(TrackSeconds position, TrackSeconds beatLength);

private:
    bool pulse_ = false;
    double jumpBeats_ = 0.0;
    std::optional<TrackSeconds> landing_; // where the latest jump landed
    bool lastWentBack_ = false;
    double loopBeats_ = 0.0; // as measured; 0 when not looping
    double loopShown_ = 0.0; // as shown: the nearest power of two
};

} // namespace orvbeat
