// The beat clock of one deck: turns the deck's samples (every Deck datagram, as the receiver
// keeps them), read once per frame, into the channels visuals lock to (see BeatOutput).
//
// How it works. SampleOrder puts the samples back into the sender's order: a sample behind
// one already seen is late, not a cue, and only a confirmed seek moves the phase back. The
// samples' Position values are the sender's own time stamps, so the fine timing is done on the
// deck's timeline (track position): PositionClock fits position against host time without the
// network's jitter, BeatGrid learns where the beats lie on that timeline from the changes of
// Beat between consecutive samples, ObservedTempo measures the beat spacing those changes
// show, PositionStep finds a Position reported in coarse steps, and OutputClock turns the
// resulting model phase into a visible phase that advances every frame and never runs
// backwards within a beat.
//
// What Beat, BPM and Pitch mean is the sender's business, so:
// - any change of Beat between two consecutive datagrams marks a beat boundary;
// - the tempo is BPM, or BPM x Pitch when the settings say BPM leaves Pitch out (a Pitch that
//   is not finite or not > 0 counts as 1);
// - where BPM and the observed boundaries disagree (BPM half or double the beat rate, BPM 0 or
//   not a number), the boundaries win, but only once several consecutive spacings agree
//   within 10% on a tempo of 30..300 BPM: a Beat that changes at random never drives it.
//
// Behaviour, state by state.
// - No data yet: every channel is 0.
// - Playing: beatRamp runs 0 -> 1 across each beat on the host clock between datagrams;
//   beatPulse is 1 on the first frame of each beat; beats counts the beats begun since the
//   deck started playing this track; locked is 1 once two consecutive beat boundaries agreed
//   with the clock and the grid places the beat lines within 7 ms (about 2 ms of error), and
//   stays 1 while boundaries keep agreeing (it drops when none has come for 2.5 beats of the
//   track, e.g. right after a seek, until the next one agrees). Never on host time.
// - Starting: until the first boundary is seen, the first beat begins where the deck started
//   playing. When the first boundaries show the deck's own grid, the phase moves onto it,
//   forwards only: a lag is caught up, a lead is worked off by slowing down or, beyond a
//   quarter beat, turned into an early next beat.
// - Paused (datagrams still come, Position stands still): playing is 0, the ramps, beat and
//   beats hold, beatPulse is 0, bpm keeps the deck's tempo, position is where the deck stands.
//   On resume the clock carries on from there.
// - Tempo change (pitch fader): the clock follows the new BPM and the deck's new speed at
//   once, and its phase error is back under a couple of milliseconds within a few beats.
// - Loss of datagrams: the clock free-runs on the last tempo; about two beats after the last
//   datagram it holds (ramps frozen), with playing and locked 0. When datagrams return it
//   takes the deck's phase again at once.
// - Not connected: the clock holds at once, with playing and locked 0.
// - A deck that reports no beat (Beat never changes, e.g. always -1): the clock runs on BPM
//   with its first beat where the deck started playing, and locked stays 0.
// - A cue or seek (Position jumps): the clock takes the new phase at once with a single
//   beatPulse; backwards only once SampleOrder confirms the seek. The learned grid is kept: it
//   belongs to the track.
// - Late, reordered or bursty samples: ignored for the phase and the boundaries.
// - A new track (Length changes): the grid, the bar alignment and the beat count start again.
// - A sender whose Position never moves while Beat keeps changing: host time stands in for
//   the timeline, playing is 1 while boundaries keep coming; the timing is then only as good
//   as the datagrams' arrival times.
// - beat (bar position, 1..beatsPerBar): when the sender's Beat steps by +1 and wraps within a
//   cycle of beatsPerBar values (1..N or 0..N-1) the bar follows the sender's numbers;
//   otherwise it counts from where the deck started playing, the first beat being 1.
// - Bad input (NaN, infinite, negative or zero BPM, NaN or huge Position, random Beat, host
//   time standing still or going back, huge gaps) never yields a NaN or infinite channel, and
//   the ramps stay in [0, 1).
//
// Cost: per new sample, O(1) for the line, and every sixteenth sample (every fourth while the
// window is young) a pass over the 256-sample window for the hull fit; otherwise O(1).
// Nothing is allocated: every buffer is a fixed array.
#pragma once

#include "beat/BarCounter.h"
#include "beat/BeatGrid.h"
#include "beat/BeatOutput.h"
#include "beat/DeckSamples.h"
#include "beat/ObservedTempo.h"
#include "beat/OutputClock.h"
#include "beat/PositionClock.h"
#include "beat/PositionStep.h"
#include "beat/SampleOrder.h"
#include "beat/TrackerSettings.h"

#include <algorithm>
#include <cstdint>
#include <optional>

namespace orvbeat
{

class BeatTracker
{
public:
    void reset() { *this = BeatTracker(); }
    // One frame at host time `nowSeconds` (the steady clock the samples' arrivals are read
    // on), taking every sample of `samples` that is new since the last frame. `connected`:
    // the receiver is connected (otherwise the clock holds). Before any sample every channel
    // is 0.
    BeatOutput update(const DeckSamples& samples, bool connected, double nowSeconds,
                      const TrackerSettings& settings);

private:
    // What the clock does on a frame once samples come; decided in one place, stateOf().
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
        Follow, // steer towards it, never running backwards
        Jump,   // a seek on a placed grid, or data back after a hold: take it, with a pulse
        Anchor, // the grid has no line of its own yet: put one where the deck is, take it
        Start,  // a new track or the first play: Anchor, and begin the beat and bar counts
    };

    struct BeatLength
    {
        double value = 0.0;    // on the timeline; 0 when unknown
        bool observed = false; // measured from the boundaries rather than taken from BPM
        int spacings = 0;      // how many boundary spacings the measure spans
    };

    // Where a boundary lies on the timeline: after `from`, at or before `to`.
    struct Bracket
    {
        double from = 0.0;
        double to = 0.0;
    };
    static constexpr int recentBrackets = 8;

    struct Boundary
    {
        double middle = 0.0;         // on the timeline
        double arrivalSeconds = 0.0; // host time the sample after it arrived
    };

    // One sample in the receiver's (arrival) order: put in the sender's order first.
    void takeSample(const DeckSample& sample, int beatsPerBar);
    // One sample in the sender's order.
    void takeInOrder(const DeckSample& sample, int beatsPerBar);
    void takeBoundary(const DeckSample& before, const DeckSample& at, int beatsPerBar);
    // Adds one bracket to the grid; when the beat length has moved since the grid learned its
    // lines, the grid learns them again from the recent brackets with the new length.
    void placeGrid(const Bracket& bracket, const BeatLength& length);
    void addToGrid(const Bracket& bracket, const BeatLength& length);
    void enter(Entry entry) { entry_ = std::max(entry_, entry); }
    void newTrack();
    // Where the grid's lines lie and the brackets that placed them.
    void forgetGrid();
    // What the boundaries taught about the grid and the spacing: for a new track or timeline.
    void forgetBoundaries();
    void useHostTimeline(bool host);
    State stateOf(bool fresh, const BeatLength& length, double beatSeconds,
                  double nowSeconds) const;
    // One playing frame of the visible clock at `location` on the timeline. True on a new beat.
    bool advance(double location, double length, double tempo, double dt, int beatsPerBar);
    bool locked(bool fresh, double location, const BeatLength& length) const;
    // Timeline units (track seconds, or host seconds on the host timeline) per host second.
    double timelineRate() const { return hostTimeline_ ? 1.0 : clock_.rate(); }
    BeatLength beatLength() const;

    SampleOrder order_;
    PositionClock clock_;
    PositionStep step_;
    BeatGrid grid_;
    ObservedTempo observed_;
    BarCounter bar_;
    OutputClock output_;

    Entry entry_ = Entry::Start;
    bool bpmIncludesPitch_ = true;
    std::optional<double> lastNowSeconds_;

    // The samples taken.
    std::uint64_t consumed_ = 0;               // samples of the ring taken so far
    std::optional<DeckSample> previous_;       // the latest in the sender's order, on this line
    std::optional<double> lastArrivalSeconds_; // of any sample, late ones too
    std::optional<double> trackLength_;
    bool moved_ = false; // Position has moved since the clock started
    double bpm_ = 0.0;
    double pitch_ = 0.0;

    // The boundaries. On the host timeline (a sender whose Position never moves) the
    // timeline is host seconds; otherwise it is the sender's Position.
    bool hostTimeline_ = false;
    double bracketWidth_ = 0.0; // running width of the brackets, on the timeline
    double stepInUse_ = 0.0;    // the Position step the brackets are widened by
    int stillBrackets_ = 0;     // consecutive boundaries across which Position stood still
    std::optional<Boundary> lastBoundary_;
    Bracket brackets_[recentBrackets]; // the latest the grid took, oldest first
    int bracketCount_ = 0;
    double gridLength_ = 0.0; // the beat length the grid's lines were learned with
    int agreeingBoundaries_ = 0;
    double lastAgreedPhase_ = 0.0; // beats

    std::optional<double> restPosition_; // where the deck stood before it played, on the timeline
    double beatsCounted_ = 0.0;
    double shownPosition_ = 0.0; // track seconds
};

} // namespace orvbeat
