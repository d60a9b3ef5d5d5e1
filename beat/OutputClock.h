// The phase the visuals see, in beats: it follows the model phase (where the grid says the deck
// is) frame by frame, never runs backwards except at a jump, and begins each beat of the model
// once, with one pulse.
//
// - The model's beat begins (its phase reaches the next whole number): the visible phase takes
//   it, with a pulse, however far ahead it lands.
// - Within the same beat the visible phase takes the model's when that is ahead, and waits for
//   it when it is behind (a correction backwards shows as a ramp standing still, never falling).
// - When the model numbers its lines anew (another grid), its phase is taken up at the nearest
//   number: less than half a beat ahead or behind the visible phase, so no beat is counted
//   twice or skipped.
// - A jump (a seek, or data back after a hold) takes the model's phase as it is, forwards or
//   backwards; it pulses only when it lands at the start of a beat that no pulse has shown.
#pragma once

namespace orvbeat
{

class OutputClock
{
public:
    // A jump that lands in this first share of a beat begins that beat.
    static constexpr double startOfBeat = 0.25;
    // A jump landing this little less far into its beat than the last pulse lies behind shows a
    // beat whose start that pulse already showed.
    static constexpr double samePulse = 0.05;

    void reset() { *this = OutputClock(); }
    bool started() const { return started_; }
    // One frame towards the model's phase. True when a new beat began.
    bool follow(double modelPhase, unsigned generation);
    // Takes the model's phase as it is. True when it lands at the start of a beat.
    bool jumpTo(double modelPhase, unsigned generation);

    double beatIndex() const { return index_; }
    double beatRamp() const { return ramp_; }
    // The visible number of the model's line `modelLine`, and back.
    double visibleLine(double modelLine) const { return modelLine + offset_; }
    double modelLine(double visibleLine) const { return visibleLine - offset_; }

private:
    // Numbers the model's lines so that its phase lies within half a beat of the visible one.
    void renumber(double modelPhase, unsigned generation);
    void split();

    bool started_ = false;
    unsigned generation_ = 0;
    double offset_ = 0.0; // whole beats between the model's numbers and the visible ones
    double phase_ = 0.0;
    double index_ = 0.0; // floor(phase_)
    double ramp_ = 0.0;  // phase_ - index_, in [0, 1)
    bool pulsed_ = false; // the visible beat began with a pulse
};

} // namespace orvbeat
