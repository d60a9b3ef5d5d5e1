// The phase the visuals see, in beats: it advances on the host clock every frame and is
// steered towards the model phase (where the deck's position says the beat is).
//
// - A small error (under smallError beats) is taken whole, so in steady state the visible
//   phase is the model phase; taking it never runs the phase backwards: ahead of the model,
//   the phase waits.
// - A larger error is worked off with the speed kept within [0.5, 1.5] x tempo.
// - Behind the model by more than a quarter beat (a new grid, a tempo learned anew) the phase
//   takes the model's value at once; ahead of it by as much, the phase skips forward to the
//   model's next beat instead of running back, and keeps that whole beat as an offset.
// - On a jump (seek, cue, data back after a loss) it takes the model's value at once, even
//   backwards, with one pulse; a jump into the last quarter of a beat begins the next beat at
//   once instead (no second pulse a moment later) and works the lead off.
#pragma once

namespace orvbeat
{

class OutputClock
{
public:
    static constexpr double smallError = 0.02;
    static constexpr double largeError = 0.25;
    static constexpr double maxSpeedChange = 0.5;

    void reset() { *this = OutputClock(); }
    bool started() const { return hasPhase_; }
    // Takes the model's phase as it is. True when a new beat began or the phase went back
    // (never on the first call).
    bool jumpTo(double modelPhase);
    // One frame of `dt` seconds at `tempo` beats per minute towards `modelPhase`. True when a
    // new beat began.
    bool follow(double modelPhase, double dt, double tempo);

    double beatIndex() const { return index_; }
    double beatRamp() const { return ramp_; }
    // Whole beats between the visible phase and the model's.
    double beatOffset() const { return offset_; }

private:
    bool split();

    bool hasPhase_ = false;
    double phase_ = 0.0;
    double offset_ = 0.0;
    double index_ = 0.0; // floor(phase_)
    double ramp_ = 0.0;  // phase_ - index_, in [0, 1)
};

} // namespace orvbeat
