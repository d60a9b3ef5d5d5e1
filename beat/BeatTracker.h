// The beat clock of one deck: turns the deck's samples (every Deck datagram, as the receiver
// keeps them), read once per frame, into the channels visuals lock to (see BeatOutput).
//
// Three stages, each on its own:
// - the sender's timeline (Timeline): Position against host time, from the least delayed
//   datagrams, after SampleOrder has put the samples back into the sender's order;
// - the grid (BeatGrid): where the beat lines lie on that timeline, from every change of Beat
//   between two samples neighbouring in Position (Brackets, late samples included), widened by
//   the Position step (PositionStep) and judged for each tempo convention BPM may follow
//   (TempoChoice);
// - the output clock (OutputClock): a phase that never runs back and pulses once per beat.
//
// What a VJ sees, state by state:
// - No data yet: every channel is 0.
// - Loaded (Position has not moved): the cue's phase, held.
// - Playing: beat_ramp runs 0 -> 1 across each beat on the host clock between datagrams;
//   beat_pulse is 1 on the frame each beat begins; beats counts the beats begun since the deck
//   started playing this track. Until the first boundary shows, the first beat begins where the
//   deck started playing; then the phase moves onto the deck's own lines, never running back.
// - locked is 1 while every beat line near the deck's position is placed within
//   kLockedWindowSeconds by boundaries the datagrams settle: the Position step known, every
//   tempo convention still possible agreeing, the timeline resting on its least delayed samples,
//   no suspect boundary pending. It never comes on host time alone.
// - Paused (datagrams still come, Position stands still): playing is 0, the ramps, beat and
//   beats hold, beat_pulse is 0, bpm keeps the deck's tempo.
// - Loss of datagrams: the clock free-runs on its timeline; about two beats after the last
//   datagram it holds (ramps frozen), with playing and locked 0. When data return it takes the
//   deck's phase again at once. Not connected: the clock holds at once.
// - A cue or seek (Position jumps): the phase is taken at once, backwards only once SampleOrder
//   confirms the seek; it pulses only when it lands at the start of a beat. The grid is kept:
//   it belongs to the track. A new track (Length changes): the grid and the counts start again.
// - A sender whose Position never moves while Beat keeps changing: host time stands in for the
//   timeline; the boundaries are as good as the arrivals, and locked stays 0.
// - A deck that reports no beat (Beat never changes): the clock runs on BPM from where the deck
//   started playing, locked 0.
// - Bad input (NaN, infinite, negative or zero values, random Beat, host time standing still or
//   going back, huge gaps) never yields a NaN or infinite channel; the ramps stay in [0, 1).
//
// Cost: per sample O(1) but for the insertion into the brackets' list (at most 96 entries) and,
// every sixteenth sample, the timeline's fit over its 256-sample window. Nothing is allocated.
#pragma once

#include "beat/BarCounter.h"
#include "beat/BeatGrid.h"
#include "beat/BeatOutput.h"
#include "beat/Brackets.h"
#include "beat/DeckSamples.h"
#include "beat/LoopWatch.h"
#include "beat/OutputClock.h"
#include "beat/PhraseCounter.h"
#include "beat/PositionStep.h"
#include "beat/SampleOrder.h"
#include "beat/Timeline.h"
#include "beat/TrackerSettings.h"

#include <cmath>
#include <cstdint>
#include <optional>

namespace orvbeat
{

// The widest a beat line's place may be while locked: within half of it either way.
inline constexpr double kLockedWindowSeconds = 0.003;

class BeatTracker
{
public:
    void reset() { *this = BeatTracker(); }
    // One frame at host time `nowSeconds` (the steady clock the samples' arrivals are read on),
    // taking every sample of `samples` that is new since the last frame. `connected`: the
    // receiver is connected (otherwise the clock holds). Before any sample every channel is 0.
    BeatOutput update(const DeckSamples& samples, bool connected, double nowSeconds,
                      const TrackerSettings& settings);

private:
    enum class State
    {
        Loaded,  // Position has not moved yet: the cue's phase shows, held
        Playing, // fresh samples, Position moving: the clock runs
        Paused,  // fresh samples, Position standing still after it moved: the clock holds
        Holding, // no sample for about two beats, or not connected: the clock holds
    };
    // How the visible clock takes up the model's phase on the next playing frame; a more
    // pressing entry is never replaced by a lesser one before it is used.
    enum class Entry
    {
        Follow, // follow it, never running backwards
        Jump,   // a seek, or data back after a hold: take it as it is
        Start,  // a new track or the first play: take it, and begin the counts
    };

    static double finiteOr(double value, double fallback)
    {
        return std::isfinite(value) ? value : fallback;
    }

    void takeSample(const DeckSample& sample);
    void takeInOrder(const DeckSample& sample);
    // Offers a sample of the current stretch to the grid, late ones included.
    void offerToGrid(TrackSeconds position, std::int32_t beat);
    void takeBracket(TrackSeconds before, TrackSeconds after, std::int32_t beatBefore,
                     std::int32_t beatAfter);
    void widenAgain();
    void newTrack();
    void useHostTimeline(bool host, HostSeconds arrival);
    void enter(Entry entry)
    {
        if (static_cast<int>(entry) > static_cast<int>(entry_))
            entry_ = entry;
    }
    State stateOf(bool fresh, HostSeconds beat, HostSeconds now) const;
    // The model's phase at `location`: the grid's, or before it is placed, BPM's from where the
    // deck started playing.
    double modelPhase(TrackSeconds location, const GridEstimate& grid) const;
    bool advance(double phase, unsigned generation);
    // A jump the timeline took from `from` to `to`, told to the loop watch when it is a cue (both
    // on the track), not garbage nor a load.
    void noteJump(TrackSeconds from, TrackSeconds to);
    // The phrases, the track's end and the loops of this frame, beside the clock's channels.
    void addExtras(BeatOutput& out, const GridEstimate& grid, TrackSeconds location, bool pulse,
                   const TrackerSettings& settings);
    bool locked(bool fresh, State state, const GridEstimate& grid) const;
    Rate timelineRate() const { return hostTimeline_ ? Rate{1.0} : timeline_.rate(); }
    Rate tempoRate() const { return hostTimeline_ ? Rate{1.0} : timeline_.tempoRate(pitch_); }

    SampleOrder order_;
    Timeline timeline_;
    PositionStep step_;
    Brackets brackets_;
    // The latest brackets as the samples gave them, for learning them again with the step.
    static constexpr int kRecentBrackets = 32;
    Bracket recent_[kRecentBrackets];
    int recentNext_ = 0;
    int recentCount_ = 0;
    TrackSeconds widenInUse_;
    BeatGrid grid_;
    BeatGrid trackGrid_; // the track's grid and bar, put aside while host time stands in
    BarCounter trackBar_;
    BarCounter bar_;
    OutputClock output_;
    PhraseCounter phrase_;
    LoopWatch loops_;
    bool trackStartSample_ = false; // the next sample in order begins another track: no jump
    int beatsPerBar_ = 4;
    PitchConvention preferred_ = PitchConvention::Included;

    Entry entry_ = Entry::Start;
    std::optional<double> lastNowSeconds_;
    std::uint64_t consumed_ = 0;               // samples of the ring taken so far
    std::optional<DeckSample> previous_;       // the latest in the sender's order, on this line
    std::optional<double> lastArrivalSeconds_; // of any sample, late ones too
    std::optional<double> trackLength_;
    struct EndedTrack
    {
        double length = 0.0;
        double endedAt = 0.0; // host seconds of the next track's first datagram
    };
    std::optional<EndedTrack> previousTrack_;
    bool moved_ = false;      // Position has moved since the clock started
    bool stoodStill_ = false; // the previous sample in order did not move
    double bpm_ = 0.0;
    double pitch_ = 0.0;
    TrackSeconds shortestMove_; // an upper bound of the step until it is decided

    // A sender whose Position never moves while its Beat changes: host time is the timeline.
    bool hostTimeline_ = false;
    int stillBoundaries_ = 0;
    std::optional<double> lastBoundaryPosition_; // of the sample after the latest Beat change
    int movingInARow_ = 0;
    std::optional<DeckSample> lastBoundaryAt_; // on the host timeline, the last change's sample

    // The latest boundary the grid took, for the bar count once the frame has numbered its line.
    struct PendingBar
    {
        TrackSeconds middle; // of its bracket
        std::int32_t beatBefore = 0;
        std::int32_t beatAfter = 0;
    };
    std::optional<PendingBar> pendingBar_;

    TrackSeconds
        restPosition_; // where the deck stood before it played: the first line until placed
    double beatsCounted_ = 0.0;
    TrackSeconds shownPosition_;
};

} // namespace orvbeat
