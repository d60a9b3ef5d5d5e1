// The sender's timeline: the deck's Position as a function of host time, from the (arrival,
// Position) pairs of its datagrams.
//
// A datagram arrives some delay after it was sent, and that delay varies from one datagram to
// the next; Position is the sender's own reading at send time, free of that jitter. Over a
// window of recent samples the line  arrival = offset + position / rate  that lies below every
// sample and is the tightest such line is the sender's timeline shifted by the smallest delay
// seen, so the position read off that line is as steady as the sender's own clock. The path's
// least delay itself no receiver can see.
//
// The rate (track seconds per host second) is fitted from the window every few samples
// (RateFit) and snapped to Pitch, or to 1, when the fit cannot tell them apart: with the rate
// exact, the offset is just the smallest (arrival - position / rate) of the window. Until the
// window spans enough, the rate is Pitch when Pitch is a speed ratio (0.25..4), else the rough
// rate across the window.
//
// The window restarts on a jump (seek, cue, new track, resume after a pause), on a change of BPM
// or Pitch (the line pivots at that sample, keeping the old line's timing until the new window
// has a few samples), and when samples keep arriving earlier than the line allows (the rate
// changed without BPM or Pitch telling).
#pragma once

#include "beat/RateFit.h"
#include "beat/Units.h"

#include <cstdint>

namespace orvbeat
{

enum class SampleKind
{
    Ignored,     // not a usable number: nothing changed
    First,       // the first sample
    Added,       // on the line, added to the window
    Repeated,    // same position as the previous sample: no new timing
    Jump,        // far off the line or backwards: the window restarted from it
    Resumed,     // the first moving sample after a pause: the window restarted from it
    TempoChange, // BPM or Pitch changed: the line pivoted at it
    RateChange,  // consistently early samples: the window restarted from it
};

class Timeline
{
public:
    static constexpr int windowSize = kMostFitPoints; // about 4 s at 60 datagrams a second

    void reset() { *this = Timeline(); }
    SampleKind add(HostSeconds arrival, TrackSeconds position, double bpm, double pitch);

    bool started() const { return count_ > 0; }
    // The same position again, twice (once is a duplicate datagram), and for longer than a
    // Position step lasts (a sender that reports per buffer repeats it while playing on).
    bool paused() const;
    // The step Position moves in (PositionStep), 0 for an exact one.
    void setStep(TrackSeconds step) { step_ = step; }
    Rate rate() const { return Rate{lineRate_}; }
    // How fast the timeline runs at `pitch` for reading a tempo into a beat length: Pitch itself
    // while Position follows it (track seconds), else the rate the line was found to run at.
    // Unlike rate() it does not wander while a restarted window settles.
    Rate tempoRate(double pitch) const;
    TrackSeconds latestPosition() const { return latest_.position; }
    // The line at `now`; the paused position while paused.
    TrackSeconds positionAt(HostSeconds now) const;
    // The line rests on enough samples that it lies near the path's least delay: the least
    // delayed samples of the window lie within a millisecond of each other. Kept across a
    // tempo change (the line pivots on its old timing), lost on a jump, a resume or a rate change.
    bool firm() const { return firm_; }
    // A sample that belongs to this line: not ahead of it, and behind it by no more than any
    // network holds a datagram (a late datagram is on the line; a sample of another timeline is
    // not).
    bool onLine(HostSeconds arrival, TrackSeconds position) const;

private:
    // Ahead of the line by more than this much host time: the sender jumped forwards.
    static constexpr double kJumpSeconds = 0.1;
    static constexpr int kMatureSamples = 16; // window size from which early samples are telling
    static bool saneRate(double rate) { return rate >= 1e-3 && rate <= 1e6; }

    // Where the rate came from, which decides how it follows a tempo change.
    enum class RateSource
    {
        Guess,  // 1 for want of anything better
        Pitch,  // Position advances at Pitch (track seconds)
        One,    // Position advances in host seconds whatever the speed
        Fitted, // Position advances at a rate of its own
    };

    // How much faster the deck runs with these values than the window's.
    double speedRatio(double bpm, double pitch) const;
    // The rate a window starts again at after a jump, a resume or a rate change.
    double restartRate(double pitch) const;
    // A sample off the line: the window starts again from it, or from the line put aside at an
    // earlier jump when it lies on that one.
    SampleKind jump(const TimelinePoint& sample, double bpm, double pitch);
    // Starts the window again from `sample`, at `rate` until a fit says otherwise.
    void restart(const TimelinePoint& sample, double bpm, double pitch, double rate);
    void push(const TimelinePoint& sample);
    void refit(double pitch);
    void fitRate(double pitch);
    void placeLine();
    void insertLowest(double offset);
    void keepLowest(double above);
    // Seconds the window's samples arrive after the tightest line below them, on average.
    double meanLateness(double inverseRate) const;
    // A sample's arrival less its position's time at the rate, from the newest sample (the
    // differences keep the precision of large clocks).
    double offsetOf(const TimelinePoint& s, double inverseRate) const
    {
        return (s.arrival - latest_.arrival).value -
               (s.position - latest_.position).value * inverseRate;
    }
    const TimelinePoint& at(int i) const { return window_[(first_ + i) % windowSize]; }
    HostSeconds lineArrival(TrackSeconds position) const
    {
        return lineAt_.arrival + HostSeconds((position - lineAt_.position).value / lineRate_);
    }

    TimelinePoint window_[windowSize];
    int first_ = 0;
    int count_ = 0;
    TimelinePoint latest_;
    int repeats_ = 0;
    TrackSeconds step_;
    double lateness_ = 0.0; // running mean of how late samples come above the line, seconds
    int earlyInARow_ = 0;

    // The line: through `lineAt_` with slope 1 / lineRate_.
    TimelinePoint lineAt_;
    double lineRate_ = 1.0;
    double rateOfLine_ = 0.0;         // the rate lineAt_ was last placed with
    std::uint64_t pushed_ = 0;        // samples pushed since the window restarted
    std::uint64_t holdingSample_ = 0; // which of them holds the line up (by push count)
    HostSeconds anchorArrival_;       // when the sample holding the line arrived
    // How far the least delayed samples lie above the line, lowest first (the first is 0).
    static constexpr int kLowest = 4;
    double lowest_[kLowest] = {1e300, 1e300, 1e300, 1e300};
    RateSource rateSource_ = RateSource::Guess;
    int samplesSinceFit_ = 0;
    bool firm_ = false;

    // The firm line before the latest jump.
    struct Shelved
    {
        TimelinePoint at;
        double rate = 1.0;
        double pitch = 0.0;
        bool held = false;
    };
    Shelved shelved_;

    // The old line's timing at a pivot, honoured until the new window has a few samples.
    TimelinePoint pivot_;
    bool hasPivot_ = false;

    // BPM and Pitch the window started with; a change beyond a hair restarts it.
    double windowBpm_ = 0.0;
    double windowPitch_ = 0.0;
};

} // namespace orvbeat
