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
// How closely the observed beat shows BPM's: within a few brackets' width over the spacings
// measured.
constexpr double spacingsPrecision = 3.0;
constexpr double exactEnough = 0.01;
constexpr double bracketWidthWeight = 0.1; // of the newest bracket in the running width
// How far a grid line may wander per beat: BPM is exact, a measured length is not.
constexpr double bpmLengthDrift = 2e-5;
constexpr double observedLengthDrift = 0.02; // divided by the spacings measured
// A beat length that moves by more than this share (the boundaries showed BPM wrong, or a
// measure firmed up) makes the grid learn its lines again with the new length.
constexpr double relearnShare = 0.005;
// Without datagrams for this many beats the clock holds.
constexpr double staleBeats = 2.0;
// Locked needs this many agreeing boundaries in a row, the last within lockBeats, and the grid
// line placed within this much host time: the line lies anywhere in it, so the clock's
// boundary is then off by about 2 ms (the spread of an even spread of that width).
constexpr int boundariesToLock = 2;
constexpr double lockBeats = 2.5;
constexpr double lockedLineSeconds = 0.007;
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
    // A multiple of the BPM beat keeps BPM's exact length, unless the boundaries, measured
    // over enough spacings to tell, disagree with it consistently (a BPM that leaves the
    // pitch out, or the setting the wrong way round).
    // A BPM that disagrees by just the Pitch is a sender that counts the pitch the other way
    // ("BPM Includes Pitch" set the wrong way for it): BPM with or without the Pitch is then
    // exact again.
    const double widthShare = bracketWidth_ / fromBpm; // how much of a beat a bracket spans
    const double precision = std::max(exactEnough, spacingsPrecision * widthShare / spacings);
    const double speed = std::isfinite(pitch_) && pitch_ >= 0.25 && pitch_ <= 4.0 ? pitch_ : 1.0;
    for (double convention : {1.0, speed, 1.0 / speed})
    {
        for (double multiple : bpmMultiples)
        {
            const double exact = fromBpm * multiple * convention;
            if (std::fabs(seen / exact - 1.0) < precision)
                return BeatLength{exact, false, 0};
        }
    }
    return BeatLength{seen, true, spacings};
}

void BeatTracker::forgetGrid()
{
    grid_.reset();
    agreeingBoundaries_ = 0;
    bracketCount_ = 0;
    gridLength_ = 0.0;
}

void BeatTracker::forgetBoundaries()
{
    forgetGrid();
    observed_.reset();
    lastBoundary_.reset();
}

void BeatTracker::newTrack()
{
    forgetBoundaries();
    bar_.reset();
    order_.reset();
    previous_.reset();
    beatsCounted_ = 0.0;
    enter(Entry::Start);
}

void BeatTracker::useHostTimeline(bool host)
{
    if (host == hostTimeline_)
        return;
    // The grid and the spacings belong to the other timeline.
    hostTimeline_ = host;
    forgetBoundaries();
    enter(Entry::Anchor);
}

void BeatTracker::takeSample(const DeckSample& sample, int beatsPerBar)
{
    const double arrival = sample.arrivalSeconds();
    if (std::isfinite(arrival))
        lastArrivalSeconds_ = std::max(lastArrivalSeconds_.value_or(arrival), arrival);

    const double length = finiteOr(sample.length, 0.0);
    if (trackLength_ && length != *trackLength_)
        newTrack();
    trackLength_ = length;

    switch (order_.take(sample))
    {
    case SampleVerdict::Next:
        takeInOrder(sample, beatsPerBar);
        break;
    case SampleVerdict::Seek:
        previous_.reset(); // no bracket across a seek
        if (const DeckSample* start = order_.seekStart())
            takeInOrder(*start, beatsPerBar);
        takeInOrder(sample, beatsPerBar);
        break;
    case SampleVerdict::Late:
    case SampleVerdict::Held:
        break;
    }
}

void BeatTracker::takeInOrder(const DeckSample& sample, int beatsPerBar)
{
    const SampleKind kind =
        clock_.add(sample.arrivalSeconds(), sample.position, sample.bpm, sample.pitch);
    if (kind == SampleKind::Ignored)
        return;
    bpm_ = sample.bpm;
    pitch_ = sample.pitch;
    if (kind == SampleKind::Jump)
    {
        observed_.breakStretch();
        enter(grid_.learned() ? Entry::Jump : Entry::Anchor);
    }
    else if (kind == SampleKind::First)
    {
        // Playing or not shows only with the next sample; if it plays, it started here.
        restPosition_ = sample.position;
    }
    else if (kind != SampleKind::Repeated)
    {
        moved_ = true;
    }
    if (previous_ && kind != SampleKind::Jump)
    {
        step_.add(sample.position - previous_->position);
        if (step_.step() != stepInUse_)
        {
            // The brackets taken before the step was known were cut too narrow: start the
            // grid's learning again with the ones to come.
            forgetGrid();
            stepInUse_ = step_.step();
        }
        // Any change of Beat between two consecutive samples of one line marks a boundary.
        if (sample.beat != previous_->beat)
            takeBoundary(*previous_, sample, beatsPerBar);
    }
    previous_ = sample;
}

void BeatTracker::takeBoundary(const DeckSample& before, const DeckSample& at, int beatsPerBar)
{
    const bool still = at.position == before.position;
    stillBrackets_ = still ? stillBrackets_ + 1 : 0;
    useHostTimeline(stillBrackets_ >= 2 || (hostTimeline_ && still));

    const double arrivalBefore = before.arrivalSeconds();
    const double arrivalAt = at.arrivalSeconds();
    // A coarse Position lags or leads the sender's time by up to a step, whichever way it is
    // cut; the position line runs along its highest readings, and on that line the boundary
    // lies after `before` and at most a step after `at`.
    const double from = hostTimeline_ ? arrivalBefore - hostBracketSlack : before.position;
    const double to = hostTimeline_ ? arrivalAt : at.position + step_.step();
    if (!std::isfinite(from) || !std::isfinite(to) || !(to > from) || !std::isfinite(arrivalAt))
        return;
    const double middle = 0.5 * (from + to);
    observed_.add(middle);
    bracketWidth_ = bracketWidth_ > 0.0
                        ? bracketWidth_ + bracketWidthWeight * (to - from - bracketWidth_)
                        : to - from;
    const BeatLength length = beatLength();
    // Beat changes closer together than half a beat are noise, not boundaries.
    const bool tooClose =
        lastBoundary_ && std::fabs(middle - lastBoundary_->middle) < 0.5 * length.value;
    lastBoundary_ = Boundary{middle, arrivalAt};
    if (!(length.value > 0.0) || tooClose || to - from > 0.5 * length.value)
        return;

    placeGrid(Bracket{from, to}, length);
    const double phase = grid_.phaseAt(middle, length.value);
    bar_.addBoundary(before.beat, at.beat, std::round(phase) + output_.beatOffset(), beatsPerBar);
}

void BeatTracker::placeGrid(const Bracket& bracket, const BeatLength& length)
{
    if (bracketCount_ == recentBrackets)
        std::copy(brackets_ + 1, brackets_ + recentBrackets, brackets_);
    else
        ++bracketCount_;
    brackets_[bracketCount_ - 1] = bracket;

    if (gridLength_ > 0.0 && std::fabs(length.value / gridLength_ - 1.0) > relearnShare)
    {
        grid_.relearn();
        agreeingBoundaries_ = 0;
        for (int i = 0; i + 1 < bracketCount_; ++i)
            addToGrid(brackets_[i], length);
    }
    addToGrid(bracket, length);
}

void BeatTracker::addToGrid(const Bracket& bracket, const BeatLength& length)
{
    gridLength_ = length.value;
    const double drift =
        (length.observed ? observedLengthDrift / length.spacings : bpmLengthDrift) * length.value;
    const bool agrees =
        grid_.addBoundary(bracket.from, bracket.to, length.value, drift, !length.observed);
    agreeingBoundaries_ = agrees ? std::min(agreeingBoundaries_ + 1, boundariesToLock) : 0;
    if (agrees)
        lastAgreedPhase_ = grid_.phaseAt(0.5 * (bracket.from + bracket.to), length.value);
}

BeatTracker::State BeatTracker::stateOf(bool fresh, const BeatLength& length, double beatSeconds,
                                        double nowSeconds) const
{
    if (!fresh)
        return State::Holding;
    const bool moving = hostTimeline_
                            ? lastBoundary_ && nowSeconds - lastBoundary_->arrivalSeconds <=
                                                   staleBeats * beatSeconds
                            : moved_ && !clock_.paused();
    if (moving && length.value > 0.0)
        return State::Playing;
    return moved_ ? State::Paused : State::Loaded;
}

bool BeatTracker::advance(double location, double length, double tempo, double dt, int beatsPerBar)
{
    const Entry entry = entry_;
    entry_ = Entry::Follow;
    // A deck that showed its cue's phase on the grid from the track's start plays on from
    // there rather than stepping back to a beat of its own.
    const bool cueShown = output_.started() && entry == Entry::Start;
    if (entry >= Entry::Anchor && !grid_.learned() && !cueShown)
        grid_.startAt(restPosition_ && !hostTimeline_ ? *restPosition_ : location, length);
    restPosition_.reset();
    const double phase = grid_.phaseAt(location, length);
    bool pulse = false;
    switch (entry)
    {
    case Entry::Start:
        // From the cue's phase on, a beat the deck has just begun pulses like any other.
        pulse = output_.jumpTo(phase) && cueShown;
        break;
    case Entry::Anchor:
    case Entry::Jump:
        pulse = output_.jumpTo(phase);
        break;
    case Entry::Follow:
        pulse = output_.follow(phase, dt, tempo);
        break;
    }
    if (entry == Entry::Start)
    {
        bar_.countFrom(output_.beatIndex(), beatsPerBar);
        beatsCounted_ = 0.0;
    }
    if (pulse)
        beatsCounted_ += 1.0;
    return pulse;
}

bool BeatTracker::locked(bool fresh, double location, const BeatLength& length) const
{
    if (!fresh || !(length.value > 0.0) || agreeingBoundaries_ < boundariesToLock ||
        std::fabs(grid_.phaseAt(location, length.value) - lastAgreedPhase_) >= lockBeats)
        return false;
    // On host time the lines are only as good as the network's delays, which no receiver
    // sees. A measured beat length carries each line's place less surely: only over the most
    // spacings the measure spans.
    return !hostTimeline_ && step_.decided() &&
           grid_.uncertainty() <= lockedLineSeconds * timelineRate() &&
           (!length.observed || length.spacings >= ObservedTempo::maxSpacings);
}

BeatOutput BeatTracker::update(const DeckSamples& samples, bool connected, double nowSeconds,
                               const TrackerSettings& settings)
{
    if (samples.count == 0)
    {
        reset();
        return BeatOutput{};
    }
    const int beatsPerBar = std::clamp(settings.beatsPerBar, 1, kMostBeatsPerBar);
    bpmIncludesPitch_ = settings.bpmIncludesPitch;

    // A frame whose time is unusable or earlier than the last advances nothing.
    double dt = 0.0;
    if (std::isfinite(nowSeconds) && std::fabs(nowSeconds) < 1e12)
    {
        dt = lastNowSeconds_ ? std::max(0.0, nowSeconds - *lastNowSeconds_) : 0.0;
        lastNowSeconds_ = nowSeconds;
    }
    const double now = lastNowSeconds_.value_or(0.0);

    // Samples the ring no longer holds are gone; the rest are taken in arrival order.
    for (std::uint64_t i = std::max(consumed_, samples.oldest()); i < samples.count; ++i)
        takeSample(samples.at(i), beatsPerBar);
    consumed_ = samples.count;

    const BeatLength beat = beatLength(); // once per frame, after the new samples
    const double length = beat.value;
    const double tempo = length > 0.0 ? 60.0 * timelineRate() / length : 0.0;
    const double beatSeconds = tempo > 0.0 ? 60.0 / tempo : 0.5;
    const bool fresh = connected && clock_.started() && lastArrivalSeconds_ &&
                       now - *lastArrivalSeconds_ <= std::clamp(staleBeats * beatSeconds, 0.2, 4.0);
    const State state = stateOf(fresh, beat, beatSeconds, now);
    const double readAt = now + finiteOr(settings.readAheadSeconds, 0.0);
    const double location = hostTimeline_ ? readAt : clock_.positionAt(readAt);
    if (clock_.paused())
        restPosition_ = clock_.latestPosition();
    if (fresh)
        shownPosition_ = hostTimeline_ ? clock_.latestPosition() : location;

    bool pulse = false;
    switch (state)
    {
    case State::Playing:
        pulse = advance(location, length, tempo, dt, beatsPerBar);
        break;
    case State::Loaded:
    case State::Paused:
        // A loaded deck shows its cue's phase.
        if (!output_.started() && length > 0.0 && clock_.paused())
            output_.jumpTo(grid_.phaseAt(location, length));
        break;
    case State::Holding:
        // Data back after a hold: the phase is taken afresh, whichever way it moved.
        if (output_.started())
            enter(Entry::Jump);
        break;
    }

    BeatOutput out;
    out.beatPulse = pulse ? 1.0 : 0.0;
    out.beats = beatsCounted_;
    out.bpm = tempo;
    out.playing = state == State::Playing ? 1.0 : 0.0;
    out.position = shownPosition_;
    out.locked = locked(fresh, location, beat) ? 1.0 : 0.0;
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
