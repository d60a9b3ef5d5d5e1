#include "beat/BeatTracker.h"

#include <algorithm>
#include <cmath>

namespace orvbeat
{

namespace
{

// Tempi taken from BPM; outside this BPM is treated as absent.
constexpr double lowestBpm = 20.0;
constexpr double highestBpm = 500.0;
// Tempi the observed boundaries may show.
constexpr double lowestObservedBpm = 30.0;
constexpr double highestObservedBpm = 300.0;
// Ratios of the observed beat to the BPM beat that keep BPM's precise length.
constexpr double bpmMultiples[] = {1.0, 0.5, 2.0, 0.25, 4.0};
constexpr double multipleTolerance = 0.1;
// How far a grid line may wander per beat: BPM is exact, a measured length is not.
constexpr double bpmLengthDrift = 1e-4;
constexpr double observedLengthDrift = 0.02; // divided by the spacings measured
// Without datagrams for this many beats the clock holds.
constexpr double staleBeats = 2.0;
// Locked needs this many agreeing boundaries in a row, the last within lockBeats.
constexpr int boundariesToLock = 2;
constexpr double lockBeats = 2.5;
// Arrival times carry the network's delay: a host-time bracket opens this much earlier.
constexpr double hostBracketSlack = 0.005;

double finiteOr(double value, double fallback)
{
    return std::isfinite(value) ? value : fallback;
}

} // namespace

BeatTracker::BeatLength BeatTracker::beatLength() const
{
    const double rate = timelineRate();
    double tempo = 0.0;
    if (std::isfinite(bpm_) && bpm_ > 0.0)
    {
        const bool pitchIsSpeed = std::isfinite(pitch_) && pitch_ > 0.0;
        tempo = bpmIncludesPitch_ ? bpm_ : bpm_ * (pitchIsSpeed ? pitch_ : 1.0);
    }
    const double fromBpm = tempo >= lowestBpm && tempo <= highestBpm ? 60.0 * rate / tempo : 0.0;
    int spacings = 0;
    const double seen = observed_.beatLength(60.0 * rate / highestObservedBpm,
                                             60.0 * rate / lowestObservedBpm, spacings);
    if (seen <= 0.0)
        return BeatLength{fromBpm, false, 0};
    if (fromBpm <= 0.0)
        return BeatLength{seen, true, spacings};
    for (double multiple : bpmMultiples)
        if (std::fabs(seen / (fromBpm * multiple) - 1.0) < multipleTolerance)
            return BeatLength{fromBpm * multiple, false, 0};
    return BeatLength{seen, true, spacings};
}

void BeatTracker::newTrack()
{
    grid_.reset();
    observed_.reset();
    bar_.reset();
    agreeingBoundaries_ = 0;
    hasBoundary_ = false;
    anchorPending_ = true;
    countPending_ = true;
    jumpPending_ = true;
    beats_ = 0.0;
}

void BeatTracker::useHostTimeline(bool host)
{
    if (host == hostTimeline_)
        return;
    // The grid and the spacings belong to the other timeline.
    hostTimeline_ = host;
    grid_.reset();
    observed_.reset();
    agreeingBoundaries_ = 0;
    hasBoundary_ = false;
    anchorPending_ = true;
}

void BeatTracker::takeDatagram(const DeckInput& in)
{
    const double length = finiteOr(in.length, 0.0);
    if (hasLength_ && length != trackLength_)
        newTrack();
    hasLength_ = true;
    trackLength_ = length;

    const SampleKind kind = clock_.add(in.arrival, in.position, in.bpm, in.pitch);
    if (kind == SampleKind::Ignored)
        return;
    lastArrival_ = in.arrival;
    bpm_ = in.bpm;
    pitch_ = in.pitch;
    if (kind == SampleKind::Jump)
    {
        observed_.reset(); // spacings across a jump mean nothing
        jumpPending_ = true;
        anchorPending_ = anchorPending_ || !grid_.learned();
    }
}

void BeatTracker::takeBoundary(const DeckInput& in, int beatsPerBar)
{
    const bool still = in.positionAtChange == in.positionBeforeChange;
    stillBrackets_ = still ? stillBrackets_ + 1 : 0;
    useHostTimeline(stillBrackets_ >= 2 || (hostTimeline_ && still));

    const double before =
        hostTimeline_ ? in.arrivalBeforeChange - hostBracketSlack : in.positionBeforeChange;
    const double at = hostTimeline_ ? in.arrivalAtChange : in.positionAtChange;
    if (!std::isfinite(before) || !std::isfinite(at) || !(at > before) ||
        !std::isfinite(in.arrivalAtChange))
        return;
    const double middle = 0.5 * (before + at);
    observed_.add(middle);
    const BeatLength length = beatLength();
    // Beat changes closer together than half a beat are noise, not boundaries.
    const bool tooClose =
        hasBoundary_ && std::fabs(middle - lastBoundaryMiddle_) < 0.5 * length.value;
    hasBoundary_ = true;
    lastBoundaryMiddle_ = middle;
    lastBoundaryArrival_ = in.arrivalAtChange;
    if (!(length.value > 0.0) || tooClose || at - before > 0.5 * length.value)
        return;

    const double drift =
        (length.observed ? observedLengthDrift / length.spacings : bpmLengthDrift) * length.value;
    const bool agrees = grid_.addBoundary(before, at, length.value, drift, !length.observed);
    agreeingBoundaries_ = agrees ? std::min(agreeingBoundaries_ + 1, boundariesToLock) : 0;
    const double phase = grid_.phaseAt(middle, length.value);
    if (agrees)
        lastAgreedPhase_ = phase;
    bar_.addBoundary(in.beatBeforeChange, in.beatAtChange, std::round(phase) + output_.beatOffset(),
                     beatsPerBar);
}

bool BeatTracker::advance(double location, double length, double tempo, double dt, int beatsPerBar)
{
    const bool starting = (anchorPending_ && !grid_.learned()) || countPending_;
    if (anchorPending_ && !grid_.learned())
        grid_.startAt(hasRest_ && !hostTimeline_ ? restLocation_ : location, length);
    anchorPending_ = false;
    hasRest_ = false;
    const double phase = grid_.phaseAt(location, length);
    bool pulse = false;
    if (starting)
        output_.jumpTo(phase);
    else if (jumpPending_)
        pulse = output_.jumpTo(phase);
    else
        pulse = output_.follow(phase, dt, tempo);
    jumpPending_ = false;
    if (countPending_)
    {
        bar_.countFrom(output_.beatIndex(), beatsPerBar);
        beats_ = 0.0;
        countPending_ = false;
    }
    if (pulse)
        beats_ += 1.0;
    return pulse;
}

BeatOutput BeatTracker::update(const DeckInput& in, double now, const TrackerSettings& settings)
{
    if (in.datagramCount == 0)
    {
        reset();
        return BeatOutput{};
    }
    const int beatsPerBar = std::clamp(settings.beatsPerBar, 1, kMostBeatsPerBar);
    bpmIncludesPitch_ = settings.bpmIncludesPitch;

    // A frame whose time is unusable or earlier than the last advances nothing.
    double dt = 0.0;
    if (std::isfinite(now) && std::fabs(now) < 1e12)
    {
        dt = hasNow_ ? std::max(0.0, now - lastNow_) : 0.0;
        lastNow_ = now;
        hasNow_ = true;
    }
    now = lastNow_;

    if (in.datagramCount != seenDatagrams_)
    {
        seenDatagrams_ = in.datagramCount;
        takeDatagram(in);
    }
    if (in.beatChangeCount != seenBoundaries_)
    {
        seenBoundaries_ = in.beatChangeCount;
        takeBoundary(in, beatsPerBar);
    }

    const double length = beatLength().value;
    const double tempo = length > 0.0 ? 60.0 * timelineRate() / length : 0.0;
    const double beatSeconds = tempo > 0.0 ? 60.0 / tempo : 0.5;
    const bool fresh = in.connected && clock_.started() &&
                       now - lastArrival_ <= std::clamp(staleBeats * beatSeconds, 0.2, 4.0);
    const bool moving = hostTimeline_
                            ? hasBoundary_ && now - lastBoundaryArrival_ <= staleBeats * beatSeconds
                            : !clock_.paused();
    const bool playing = fresh && moving && length > 0.0;
    const double location = hostTimeline_ ? now : clock_.positionAt(now);
    if (clock_.paused())
    {
        hasRest_ = true;
        restLocation_ = clock_.latestPosition();
    }
    if (fresh)
        shownPosition_ = hostTimeline_ ? clock_.latestPosition() : location;

    bool pulse = false;
    if (playing)
        pulse = advance(location, length, tempo, dt, beatsPerBar);
    else if (!output_.started() && length > 0.0 && clock_.started())
        output_.jumpTo(grid_.phaseAt(location, length)); // a loaded deck shows its cue's phase
    // Data back after a hold: the phase is taken afresh, whichever way it moved.
    jumpPending_ = jumpPending_ || (!fresh && output_.started());

    BeatOutput out;
    out.beatPulse = pulse ? 1.0 : 0.0;
    out.beats = beats_;
    out.bpm = tempo;
    out.playing = playing ? 1.0 : 0.0;
    out.position = shownPosition_;
    const double phaseNow = length > 0.0 ? grid_.phaseAt(location, length) : 0.0;
    out.locked = fresh && length > 0.0 && agreeingBoundaries_ >= boundariesToLock &&
                         std::fabs(phaseNow - lastAgreedPhase_) < lockBeats
                     ? 1.0
                     : 0.0;
    out.beat = 1.0;
    if (output_.started())
    {
        out.beatRamp = output_.beatRamp();
        out.beat = bar_.barPosition(output_.beatIndex(), beatsPerBar);
    }
    out.barRamp = std::min((out.beat - 1.0 + out.beatRamp) / beatsPerBar, std::nextafter(1.0, 0.0));
    for (double* channel :
         {&out.beatRamp, &out.barRamp, &out.beat, &out.beats, &out.bpm, &out.position})
        *channel = finiteOr(*channel, 0.0);
    return out;
}

} // namespace orvbeat
