#include "beat/BeatTracker.h"

#include <algorithm>
#include <cmath>
#ifdef ORV_BEAT_TRACE
#include <cstdio>
#include <cstdlib>
#endif

namespace orvbeat
{

namespace
{

// Without datagrams for this many beats the clock holds.
constexpr double kStaleBeats = 2.0;
// Arrival times carry the network's delay: a bracket on host time opens this much earlier.
constexpr double kHostBracketSlack = 0.005;
// For this long after another track's first datagram, those of the track before are late ones.
constexpr double kStragglerSeconds = 1.0;
// Values a deck's BPM and Pitch can have.
constexpr double kLeastBpm = 20.0;
constexpr double kMostBpm = 500.0;
constexpr double kLeastPitch = 0.25;
constexpr double kMostPitch = 4.0;
// Beat changes in a row with Position standing still that put the clock on host time.
constexpr int kStillBoundariesForHostTime = 4;
// Samples moving on one line in a row that end a stretch on host time.
constexpr int kMovingToLeaveHostTime = 3;
// Two brackets can overlap narrowly by chance; locked wants a third that agrees, unless one
// bracket alone is as narrow as the window.
constexpr int kBracketsToLock = 3;

double finiteOr(double value, double fallback)
{
    return std::isfinite(value) ? value : fallback;
}

// A Beat no bar has is noise: its sample places no line.
bool plausibleBeat(std::int32_t beat)
{
    return beat >= 0 && beat <= kMostBeatsPerBar;
}

} // namespace

void BeatTracker::newTrack()
{
    trackGrid_.startTrack();
    grid_.startTrack();
    trackBar_.startTrack();
    brackets_.clear();
    recentCount_ = 0;
    bar_.startTrack();
    order_.reset();
    previous_.reset();
    lastBoundaryAt_.reset();
    beatsCounted_ = 0.0;
    enter(Entry::Start);
}

void BeatTracker::useHostTimeline(bool host, HostSeconds arrival)
{
    if (host == hostTimeline_)
        return;
    // The grid belongs to the other timeline: the track's is put aside while host time stands
    // in (a stretch of noise may put the clock there), and taken up again after it.
    hostTimeline_ = host;
    const unsigned generation = grid_.generation();
    if (host)
    {
        trackGrid_ = grid_;
        trackBar_ = bar_;
        grid_.reset();
    }
    else
    {
        grid_ = trackGrid_;
        bar_ = trackBar_; // the bar names lines on the track, not on host time
    }
    grid_.numberAnew(generation);
    brackets_.clear();
    recentCount_ = 0;
    restPosition_ = host ? TrackSeconds(arrival.value) : timeline_.latestPosition();
    enter(Entry::Jump);
}

void BeatTracker::takeSample(const DeckSample& sample)
{
    const double arrival = sample.arrivalSeconds();
    if (std::isfinite(arrival))
        lastArrivalSeconds_ = std::max(lastArrivalSeconds_.value_or(arrival), arrival);

    const double length = finiteOr(sample.length, 0.0);
    if (trackLength_ && length != *trackLength_)
    {
        // A datagram of the track before, let out late by the network, is no new track.
        if (previousTrack_ && length == previousTrack_->length &&
            arrival - previousTrack_->endedAt < kStragglerSeconds)
        {
            return;
        }
        previousTrack_ = EndedTrack{*trackLength_, arrival};
        newTrack();
    }
    trackLength_ = length;

    const SampleVerdict verdict = order_.take(sample);
#ifdef ORV_BEAT_TRACE
    if (const char* from = std::getenv("TRACE_FROM"))
    {
        const char* to = std::getenv("TRACE_TO");
        if (arrival >= std::atof(from) && arrival <= (to ? std::atof(to) : 1e9))
            std::fprintf(stderr, "  sample %.4f pos %.4f beat %d bpm %.3f pitch %.4f len %.2f verdict %d\n",
                         arrival, sample.position, sample.beat, sample.bpm, sample.pitch,
                         sample.length, static_cast<int>(verdict));
    }
#endif
    switch (verdict)
    {
    case SampleVerdict::Next:
        takeInOrder(sample);
        break;
    case SampleVerdict::Seek:
        previous_.reset(); // no bracket across a seek
        for (int i = 0; i < order_.seekRunSize(); ++i)
        {
            if (!(order_.seekRun(i).position > sample.position))
                takeInOrder(order_.seekRun(i));
        }
        takeInOrder(sample);
        break;
    case SampleVerdict::Late:
    case SampleVerdict::Held:
        // Sent before newer ones (or the start of a seek back), but still a sample of the
        // track where the timeline can place it: its place among its neighbours may narrow a
        // bracket.
        if (!hostTimeline_ && timeline_.onLine(HostSeconds(arrival), TrackSeconds(sample.position)))
            offerToGrid(TrackSeconds(sample.position), sample.beat);
        break;
    }
}

void BeatTracker::takeInOrder(const DeckSample& sample)
{
    const HostSeconds arrival(sample.arrivalSeconds());
    const TrackSeconds position(sample.position);
    timeline_.setStep(step_.step());
    const SampleKind kind = timeline_.add(arrival, position, sample.bpm, sample.pitch);
#ifdef ORV_BEAT_TRACE
    if (const char* t = std::getenv("KIND_FROM"))
        if (arrival.value >= std::atof(t) && arrival.value <= std::atof(t) + 1.0)
            std::fprintf(stderr, "  kind %.4f pos %.5f -> %d firm %d paused %d rate %.6f\n", arrival.value, position.value, static_cast<int>(kind), timeline_.firm(), timeline_.paused(), timeline_.rate().trackPerHost);
#endif
    if (kind == SampleKind::Ignored)
        return;
    // A tempo or a speed no deck has is noise: the last one that made sense stands.
    if (sample.bpm >= kLeastBpm && sample.bpm <= kMostBpm)
        bpm_ = sample.bpm;
    if (sample.pitch >= kLeastPitch && sample.pitch <= kMostPitch)
        pitch_ = sample.pitch;
    if (kind == SampleKind::Jump)
    {
        brackets_.clear(); // another stretch of the track: its samples pair among themselves
        if (!grid_.estimate(position).placed)
            restPosition_ = position;
        enter(Entry::Jump);
    }
    else if (kind == SampleKind::First)
    {
        restPosition_ = position; // if the deck plays, it started here
    }
    else if (kind != SampleKind::Repeated)
    {
        moved_ = true;
    }
    if (previous_ && kind != SampleKind::Jump)
    {
        const TrackSeconds move = position - TrackSeconds(previous_->position);
        // From where the deck stood to where it plays is no step of the sender's.
        if (kind != SampleKind::Resumed && !stoodStill_)
        {
            step_.add(move, sample.pitch);
#ifdef ORV_BEAT_TRACE
            if (const char* t = std::getenv("STEP_FROM"))
                if (arrival.value >= std::atof(t))
                    std::fprintf(stderr, "  step %.4f move %.6f pitch %.5f -> %d %.4fms kind %d\n", arrival.value, move.value, sample.pitch, step_.decided(), 1e3 * step_.step().value, static_cast<int>(kind));
#endif
        }
        if (move.value > 0.0 && (shortestMove_.value <= 0.0 || move < shortestMove_))
            shortestMove_ = move;
        widenAgain();
        if (sample.beat != previous_->beat)
        {
            // Beat changing while Position has not moved since the last change: a sender whose
            // Position stands for nothing (a coarse Position repeats across a change now and
            // then, but moves between changes).
            const bool still = sample.position == previous_->position &&
                               lastBoundaryPosition_ && sample.position == *lastBoundaryPosition_;
            stillBoundaries_ = still ? stillBoundaries_ + 1 : 0;
            lastBoundaryPosition_ = sample.position;
            if (stillBoundaries_ >= kStillBoundariesForHostTime)
                useHostTimeline(true, arrival);
        }
    }
    // Position moving on a line of its own again: the sender's timeline is back.
    const bool moving = kind == SampleKind::Added || kind == SampleKind::TempoChange;
    movingInARow_ = moving ? movingInARow_ + 1 : 0;
    if (hostTimeline_ && movingInARow_ >= kMovingToLeaveHostTime)
        useHostTimeline(false, arrival);
    grid_.setTempo(TempoReading{bpm_, pitch_, tempoRate()}, preferred_);
    if (hostTimeline_)
    {
        // Position tells nothing: the change lies between the two arrivals.
        if (previous_ && sample.beat != previous_->beat && plausibleBeat(sample.beat) &&
            plausibleBeat(previous_->beat))
        {
            takeBracket(TrackSeconds(previous_->arrivalSeconds() - kHostBracketSlack),
                        TrackSeconds(arrival.value), previous_->beat, sample.beat);
            lastBoundaryAt_ = sample;
        }
    }
    else
    {
        offerToGrid(position, sample.beat);
    }
    stoodStill_ = kind == SampleKind::Repeated || kind == SampleKind::First;
    previous_ = sample;
}

void BeatTracker::offerToGrid(TrackSeconds position, std::int32_t beat)
{
    if (!plausibleBeat(beat))
        return;
    Bracket opened[Brackets::mostNew];
    const int count = brackets_.add(position, beat, opened);
    // A Beat read from a finer position than the one sent may change up to a step after it.
    TrackSeconds widen = step_.decided() ? step_.step() : shortestMove_;
#ifdef ORV_BEAT_TRACE
    if (std::getenv("NO_WIDEN"))
        widen = TrackSeconds(0.0);
#endif
    for (int i = 0; i < count; ++i)
    {
        const Bracket& pair = opened[i];
        if (pair.changed())
        {
            recent_[recentNext_] = pair;
            recentNext_ = (recentNext_ + 1) % kRecentBrackets;
            recentCount_ = std::min(recentCount_ + 1, kRecentBrackets);
            takeBracket(pair.before, pair.after + widen, pair.beatBefore, pair.beatAfter);
        }
        else
        {
            grid_.exclude(pair.before + widen, pair.after);
        }
    }
    widenInUse_ = widen;
}

void BeatTracker::widenAgain()
{
    // The brackets taken before the step was known were widened by a guess: the grid learns
    // them again, widened by the step.
    const TrackSeconds widen = step_.step();
    if (!step_.decided() || widen == widenInUse_ || recentCount_ == 0)
        return;
    widenInUse_ = widen;
    grid_.startTrack();
    grid_.setTempo(TempoReading{bpm_, pitch_, tempoRate()}, preferred_);
    const int first = (recentNext_ - recentCount_ + kRecentBrackets) % kRecentBrackets;
    for (int i = 0; i < recentCount_; ++i)
    {
        const Bracket& pair = recent_[(first + i) % kRecentBrackets];
        takeBracket(pair.before, pair.after + widen, pair.beatBefore, pair.beatAfter);
    }
}

void BeatTracker::takeBracket(TrackSeconds before, TrackSeconds after, std::int32_t beatBefore,
                              std::int32_t beatAfter)
{
    long long line = 0; // the grid's number of the line; the bar counts from the visible one
    const bool taken = grid_.addBracket(before, after, line);
#ifdef ORV_BEAT_TRACE
    if (std::getenv("TRACE_FROM"))
        std::fprintf(stderr, "  bracket (%.4f, %.4f] %d->%d %s line %lld gen %u len %.5f\n", before.value,
                     after.value, beatBefore, beatAfter, taken ? "taken" : "NOT", line, grid_.estimate(after).generation, grid_.estimate(after).length.value);
    if (std::getenv("TRACE_GRID"))
        grid_.trace();
#endif
    if (taken)
        pendingBar_ = PendingBar{(before + after) * 0.5, beatBefore, beatAfter};
}

BeatTracker::State BeatTracker::stateOf(bool fresh, HostSeconds beat, HostSeconds now) const
{
    if (!fresh)
        return State::Holding;
    const bool moving =
        hostTimeline_ ? lastBoundaryAt_ && (now - HostSeconds(lastBoundaryAt_->arrivalSeconds())) <=
                                               beat * kStaleBeats
                      : moved_ && !timeline_.paused();
    if (moving && beat.value > 0.0)
        return State::Playing;
    return moved_ ? State::Paused : State::Loaded;
}

double BeatTracker::modelPhase(TrackSeconds location, const GridEstimate& grid) const
{
    if (!(grid.length.value > 0.0))
        return 0.0;
    if (grid.placed)
        return static_cast<double>(grid.index) + (location - grid.line) / grid.length;
    return (location - restPosition_) / grid.length;
}

bool BeatTracker::advance(double phase, unsigned generation)
{
    const Entry entry = entry_;
    entry_ = Entry::Follow;
    bool pulse = false;
    switch (entry)
    {
    case Entry::Start:
        // A deck seen standing at its cue starts a beat there; one met already playing does
        // not pulse until its next beat.
        pulse = output_.started() ? output_.jumpTo(phase, generation)
                                  : output_.follow(phase, generation);
        bar_.countFrom(output_.beatIndex(), beatsPerBar_);
        beatsCounted_ = 0.0;
        break;
    case Entry::Jump:
        pulse = output_.jumpTo(phase, generation);
        break;
    case Entry::Follow:
        pulse = output_.follow(phase, generation);
        break;
    }
    if (pulse)
        beatsCounted_ += 1.0;
    return pulse;
}

bool BeatTracker::locked(bool fresh, State state, const GridEstimate& grid) const
{
    if (!fresh || state != State::Playing || hostTimeline_ || !grid.placed || !grid.settled)
        return false;
    if (!step_.decided() || !timeline_.firm() || grid_.suspecting() || grid_.noisy())
        return false;
    const auto withinWindow = [this](TrackSeconds width)
    { return timelineRate().toCover(width).value < kLockedWindowSeconds; };
    return withinWindow(grid.width) &&
           (grid.brackets >= kBracketsToLock || withinWindow(grid.narrowestBracket));
}

BeatOutput BeatTracker::update(const DeckSamples& samples, bool connected, double nowSeconds,
                               const TrackerSettings& settings)
{
    if (samples.count == 0)
    {
        reset();
        return BeatOutput{};
    }
    beatsPerBar_ = std::clamp(settings.beatsPerBar, 1, kMostBeatsPerBar);
    preferred_ = preferredConvention(settings);

    // A frame whose time is unusable or earlier than the last advances nothing.
    if (std::isfinite(nowSeconds) && std::fabs(nowSeconds) < 1e12)
        lastNowSeconds_ = std::max(nowSeconds, lastNowSeconds_.value_or(nowSeconds));
    const HostSeconds now(lastNowSeconds_.value_or(0.0));

    // Samples the ring no longer holds are gone; the rest are taken in arrival order.
    for (std::uint64_t i = std::max(consumed_, samples.oldest()); i < samples.count; ++i)
        takeSample(samples.at(i));
    consumed_ = samples.count;
    grid_.setTempo(TempoReading{bpm_, pitch_, tempoRate()}, preferred_);

    const HostSeconds readAt = now + HostSeconds(finiteOr(settings.readAheadSeconds, 0.0));
    const TrackSeconds location =
        hostTimeline_ ? TrackSeconds(readAt.value) : timeline_.positionAt(readAt);
    const GridEstimate grid = grid_.estimate(location);
    const double tempo = hostBpm(grid.length, tempoRate());
    const HostSeconds beat(tempo > 0.0 ? secondsPerBeat(tempo) : 0.5);
    const bool fresh = connected && timeline_.started() && lastArrivalSeconds_ &&
                       now.value - *lastArrivalSeconds_ <=
                           std::clamp(kStaleBeats * beat.value, 0.2, 4.0);
    const State state = stateOf(fresh, tempo > 0.0 ? beat : HostSeconds(0.0), now);
    if (timeline_.paused() && !grid.placed)
        restPosition_ = timeline_.latestPosition();
    if (fresh)
        shownPosition_ = hostTimeline_ ? timeline_.latestPosition() : location;

    bool pulse = false;
    switch (state)
    {
    case State::Playing:
        pulse = advance(modelPhase(location, grid), grid.generation);
        break;
    case State::Loaded:
    case State::Paused:
        // A loaded deck shows its cue's phase.
        if (!output_.started() && grid.length.value > 0.0 && timeline_.paused())
            output_.follow(modelPhase(location, grid), grid.generation);
        break;
    case State::Holding:
        // Data back after a hold: the phase is taken afresh, whichever way it moved.
        if (output_.started())
            enter(Entry::Jump);
        break;
    }
    if (pendingBar_ && grid.placed)
    {
        bar_.addBoundary(pendingBar_->beatBefore, pendingBar_->beatAfter, pendingBar_->middle,
                         grid.length, beatsPerBar_);
        pendingBar_.reset();
    }

    BeatOutput out;
    out.beatPulse = pulse ? 1.0 : 0.0;
    out.beats = beatsCounted_;
    out.bpm = tempo;
    out.playing = state == State::Playing ? 1.0 : 0.0;
    out.position = shownPosition_.value;
    out.locked = locked(fresh, state, grid) ? 1.0 : 0.0;
#ifdef ORV_BEAT_TRACE
    if (const char* from = std::getenv("TRACE_FROM"))
    {
        const char* to = std::getenv("TRACE_TO");
        if (now.value >= std::atof(from) && now.value <= (to ? std::atof(to) : 1e9))
            std::fprintf(stderr,
                         "t %.3f st %d pl %d br %d w %.2fms set %d len %.5f line %.4f idx %lld gen %u "
                         "step %d %.2fms firm %d susp %d noisy %d lk %d ph %.3f out %.3f loc %.4f\n",
                         now.value, static_cast<int>(state), grid.placed, grid.brackets,
                         1e3 * grid.width.value, grid.settled, grid.length.value, grid.line.value,
                         grid.index, grid.generation, step_.decided(), 1e3 * step_.step().value,
                         timeline_.firm(), grid_.suspecting(), grid_.noisy(), out.locked > 0,
                         modelPhase(location, grid), output_.beatIndex() + output_.beatRamp(),
                         location.value);
    }
#endif
    out.beat = 1.0;
    if (output_.started())
    {
        out.beatRamp = output_.beatRamp();
        // Where the visible beat begins on the track, from the grid's lines.
        const double modelLine = output_.modelLine(output_.beatIndex());
        const TrackSeconds line =
            grid.line + grid.length * (modelLine - static_cast<double>(grid.index));
        out.beat = bar_.barPosition(output_.beatIndex(), line,
                                    grid.placed ? grid.length : TrackSeconds(0.0), beatsPerBar_);
    }
    out.barRamp = std::min((out.beat - 1.0 + out.beatRamp) / beatsPerBar_, std::nextafter(1.0, 0.0));
    for (double* channel :
         {&out.beatRamp, &out.barRamp, &out.beat, &out.beats, &out.bpm, &out.position})
        *channel = finiteOr(*channel, 0.0);
    return out;
}

} // namespace orvbeat
