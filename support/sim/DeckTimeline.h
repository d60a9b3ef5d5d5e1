// One deck played to a plan, as a pure function of host time: where it stands at any moment,
// exactly, and the moments its position crossed a line of its track's beat grid. The plan is
// a list of hands on the deck (play, pause, cue, load another track, move the pitch smoothly),
// each at its host time; between them the position runs at the pitch, and while the pitch
// glides the position follows its integral exactly. This is the truth a beat clock is judged
// against: a track's grid lives in track seconds, whatever the pitch does.
// Thread rules: build on one thread; a built timeline may be read from any.
#pragma once

#include <cstddef>
#include <vector>

namespace orvsim
{

// A track as the deck plays it.
struct PlannedTrack
{
    double bpm = 120.0;      // the tempo as recorded, at pitch 1
    double gridOffset = 0.0; // track seconds: where the grid's first line lies
    double length = 300.0;   // seconds

    // Track seconds of one beat.
    double beatSeconds() const { return 60.0 / bpm; }
    // Beats of the grid at `position`: line k lies at k (negative before the first line).
    double gridBeats(double position) const { return (position - gridOffset) / beatSeconds(); }
    double linePosition(long long line) const
    {
        return gridOffset + static_cast<double>(line) * beatSeconds();
    }
};

struct DeckMoment
{
    int track = 0; // index into the timeline's tracks
    double position = 0.0;
    double pitch = 1.0;
    bool playing = false;
};

// When the deck's true position reached a line of its grid while playing.
struct TrueBoundary
{
    double time = 0.0;
    int track = 0;
    long long line = 0;       // the beat that begins here
    double beatSeconds = 0.0; // host seconds of a beat at that moment
};

enum class PlanStep
{
    Play,
    Pause,
    Seek,
    Load, // another track, paused at its cue
    Glide,
    SetPitch,
};

struct PlanEvent
{
    PlanStep step = PlanStep::Play;
    double time = 0.0;
};

class DeckTimeline
{
public:
    // From host time 0 the deck holds `track`, paused at `cue`, at `pitch`.
    DeckTimeline(const PlannedTrack& track, double cue, double pitch);

    // Each hand on the deck acts at host time `at`, in time order (one earlier than the last
    // acts at the last one's time).
    void play(double at);
    void pause(double at);
    // A cue: the deck jumps to `position` (clamped to the track), playing on if it played.
    void seek(double at, double position);
    void load(double at, const PlannedTrack& track, double cue);
    // The pitch moves by `pitchPerSecond` from `at` until the next setPitch.
    void glide(double at, double pitchPerSecond);
    void setPitch(double at, double pitch);

    DeckMoment at(double time) const;
    const PlannedTrack& track(int index) const { return tracks_[static_cast<std::size_t>(index)]; }
    const std::vector<PlannedTrack>& tracks() const { return tracks_; }
    const std::vector<PlanEvent>& events() const { return events_; }
    // The host time of the last play, pause, cue or load at or before `time` (-infinity
    // before the first): an engine begins a new audio buffer there.
    double lastTransportChange(double time) const;
    // Every line crossed while playing between host times `from` and `to`, in time order.
    std::vector<TrueBoundary> boundaries(double from, double to) const;

private:
    struct Segment
    {
        double start = 0.0; // host time
        int track = 0;
        double position = 0.0; // at start
        double pitch = 1.0;    // at start
        double slope = 0.0;    // pitch per second
        bool playing = false;
    };

    // A new segment from `at` that carries the deck on as it was; the caller changes it.
    Segment& begin(double at, PlanStep step);
    static DeckMoment momentOf(const Segment& segment, double time);
    // Host seconds after the segment's start at which it reaches `position` (playing, ahead).
    static double reachedAfter(const Segment& segment, double position);

    std::vector<PlannedTrack> tracks_;
    std::vector<Segment> segments_;
    std::vector<PlanEvent> events_;
};

} // namespace orvsim
