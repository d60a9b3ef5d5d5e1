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
    if (std::isfinite(bpm) && bpm > 0.0)
    {
        const bool pitchIsSpeed = std::isfinite(pitch) && pitch > 0.0;
        tempo = bpmIncludesPitch ? bpm : bpm * (pitchIsSpeed ? pitch : 1.0);
    }
    const double fromBpm = tempo >= lowestBpm && tempo <= highestBpm ? 60.0 * rate / tempo : 0.0;
    int spacings = 0;
    const double seen = observed.beatLength(60.0 * rate / highestObservedBpm,
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
    grid.reset();
    observed.reset();
    bar.reset();
    agreeingBoundaries = 0;
    hasBoundary = false;
    anchorPending = true;
    countPending = true;
    jumpPending = true;
    beats = 0.0;
}

void BeatTracker::useHostTimeline(bool host)
{
    if (host == hostTimeline)
        return;
    // The grid and the spacings belong to the other timeline.
    hostTimeline = host;
    grid.reset();
    observed.reset();
    agreeingBoundaries = 0;
    hasBoundary = false;
    anchorPending = true;
}

void BeatTracker::takeDatagram(const DeckInput& in)
{
    const double length = finiteOr(in.length, 0.0);
    if (hasLength && length != trackLength)
        newTrack();
    hasLength = true;
    trackLength = length;

    const SampleKind kind = clock.add(in.arrival, in.position, in.bpm, in.pitch);
    if (kind == SampleKind::Ignored)
        return;
    lastArrival = in.arrival;
    bpm = in.bpm;
    pitch = in.pitch;
    if (kind == SampleKind::Jump)
    {
        observed.reset(); // spacings across a jump mean nothing
        jumpPending = true;
        anchorPending = anchorPending || !grid.learned();
    }
}

void BeatTracker::takeBoundary(const DeckInput& in, int beatsPerBar)
{
    const bool still = in.positionAtChange == in.positionBeforeChange;
    stillBrackets = still ? stillBrackets + 1 : 0;
    useHostTimeline(stillBrackets >= 2 || (hostTimeline && still));

    const double before =
        hostTimeline ? in.arrivalBeforeChange - hostBracketSlack : in.positionBeforeChange;
    const double at = hostTimeline ? in.arrivalAtChange : in.positionAtChange;
    if (!std::isfinite(before) || !std::isfinite(at) || !(at > before) ||
        !std::isfinite(in.arrivalAtChange))
        return;
    const double middle = 0.5 * (before + at);
    observed.add(middle);
    const BeatLength length = beatLength();
    // Beat changes closer together than half a beat are noise, not boundaries.
    const bool tooClose =
        hasBoundary && std::fabs(middle - lastBoundaryMiddle) < 0.5 * length.value;
    hasBoundary = true;
    lastBoundaryMiddle = middle;
    lastBoundaryArrival = in.arrivalAtChange;
    if (!(length.value > 0.0) || tooClose || at - before > 0.5 * length.value)
        return;

    const double drift =
        (length.observed ? observedLengthDrift / length.spacings : bpmLengthDrift) * length.value;
    const bool agrees = grid.addBoundary(before, at, length.value, drift, !length.observed);
    agreeingBoundaries = agrees ? std::min(agreeingBoundaries + 1, boundariesToLock) : 0;
    const double phase = grid.phaseAt(middle, length.value);
    if (agrees)
        lastAgreedPhase = phase;
    bar.addBoundary(in.beatBeforeChange, in.beatAtChange, std::round(phase) + output.beatOffset(),
                    beatsPerBar);
}

bool BeatTracker::advance(double location, double length, double tempo, double dt, int beatsPerBar)
{
    const bool starting = (anchorPending && !grid.learned()) || countPending;
    if (anchorPending && !grid.learned())
        grid.startAt(hasRest && !hostTimeline ? restLocation : location, length);
    anchorPending = false;
    hasRest = false;
    const double phase = grid.phaseAt(location, length);
    bool pulse = false;
    if (starting)
        output.jumpTo(phase);
    else if (jumpPending)
        pulse = output.jumpTo(phase);
    else
        pulse = output.follow(phase, dt, tempo);
    jumpPending = false;
    if (countPending)
    {
        bar.countFrom(output.beatIndex(), beatsPerBar);
        beats = 0.0;
        countPending = false;
    }
    if (pulse)
        beats += 1.0;
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
    bpmIncludesPitch = settings.bpmIncludesPitch;

    // A frame whose time is unusable or earlier than the last advances nothing.
    double dt = 0.0;
    if (std::isfinite(now) && std::fabs(now) < 1e12)
    {
        dt = hasNow ? std::max(0.0, now - lastNow) : 0.0;
        lastNow = now;
        hasNow = true;
    }
    now = lastNow;

    if (in.datagramCount != seenDatagrams)
    {
        seenDatagrams = in.datagramCount;
        takeDatagram(in);
    }
    if (in.beatChangeCount != seenBoundaries)
    {
        seenBoundaries = in.beatChangeCount;
        takeBoundary(in, beatsPerBar);
    }

    const double length = beatLength().value;
    const double tempo = length > 0.0 ? 60.0 * timelineRate() / length : 0.0;
    const double beatSeconds = tempo > 0.0 ? 60.0 / tempo : 0.5;
    const bool fresh = in.connected && clock.started() &&
                       now - lastArrival <= std::clamp(staleBeats * beatSeconds, 0.2, 4.0);
    const bool moving = hostTimeline
                            ? hasBoundary && now - lastBoundaryArrival <= staleBeats * beatSeconds
                            : !clock.paused();
    const bool playing = fresh && moving && length > 0.0;
    const double location = hostTimeline ? now : clock.positionAt(now);
    if (clock.paused())
    {
        hasRest = true;
        restLocation = clock.latestPosition();
    }
    if (fresh)
        shownPosition = hostTimeline ? clock.latestPosition() : location;

    bool pulse = false;
    if (playing)
        pulse = advance(location, length, tempo, dt, beatsPerBar);
    else if (!output.started() && length > 0.0 && clock.started())
        output.jumpTo(grid.phaseAt(location, length)); // a loaded deck shows its cue's phase
    // Data back after a hold: the phase is taken afresh, whichever way it moved.
    jumpPending = jumpPending || (!fresh && output.started());

    BeatOutput out;
    out.beatPulse = pulse ? 1.0 : 0.0;
    out.beats = beats;
    out.bpm = tempo;
    out.playing = playing ? 1.0 : 0.0;
    out.position = shownPosition;
    const double phaseNow = length > 0.0 ? grid.phaseAt(location, length) : 0.0;
    out.locked = fresh && length > 0.0 && agreeingBoundaries >= boundariesToLock &&
                         std::fabs(phaseNow - lastAgreedPhase) < lockBeats
                     ? 1.0
                     : 0.0;
    out.beat = 1.0;
    if (output.started())
    {
        out.beatRamp = output.beatRamp();
        out.beat = bar.barPosition(output.beatIndex(), beatsPerBar);
    }
    out.barRamp = std::min((out.beat - 1.0 + out.beatRamp) / beatsPerBar, std::nextafter(1.0, 0.0));
    for (double* channel :
         {&out.beatRamp, &out.barRamp, &out.beat, &out.beats, &out.bpm, &out.position})
        *channel = finiteOr(*channel, 0.0);
    return out;
}

} // namespace orvbeat
