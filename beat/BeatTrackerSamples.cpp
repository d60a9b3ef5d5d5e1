// How the beat tracker takes a deck's samples: in the sender's order, into the timeline, the
// Position step and the grid's brackets; a new track, and stretches on host time.
#include "beat/BeatTracker.h"

#include <algorithm>
#include <cmath>

namespace orvbeat
{

namespace
{

// Arrival times carry the network's delay: a bracket on host time opens this much earlier.
constexpr double kHostBracketSlack = 0.005;
// For this long after another track's first datagram, those of the track before are late ones.
constexpr double kStragglerSeconds = 1.0;
// Beat changes in a row with Position standing still that put the clock on host time.
constexpr int kStillBoundariesForHostTime = 4;
// Samples moving on one line in a row that end a stretch on host time.
constexpr int kMovingToLeaveHostTime = 3;
// A cue lands on the track: no further before its start or past its end than this, and within
// this much of a track when its Length is unknown.
constexpr double kBeyondEndSeconds = 1.0;
constexpr double kMostTrackSeconds = 24.0 * 3600.0;

// A Beat no bar has is noise: its sample places no line.
bool plausibleBeat(std::int32_t beat)
{
    return beat >= 0 && beat <= kMostBeatsPerBar;
}

} // namespace

void BeatTracker::newTrack()
{
    phrase_.startTrack();
    loops_.startTrack();
    trackStartSample_ = true;
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
    const bool hadTimeline = timeline_.started() && !trackStartSample_;
    const TrackSeconds before = timeline_.latestPosition();
    const SampleKind kind = timeline_.add(arrival, position, sample.bpm, sample.pitch);
    if (kind == SampleKind::Ignored)
        return;
    trackStartSample_ = false;
    if (kind == SampleKind::Jump && hadTimeline)
        noteJump(before, position);
    // A tempo or a speed no deck has is noise: the last one that made sense stands.
    if (isDeckBpm(sample.bpm))
        bpm_ = sample.bpm;
    if (isSpeedRatio(sample.pitch))
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
            if (move.value > 0.0 && (shortestMove_.value <= 0.0 || move < shortestMove_))
                shortestMove_ = move;
        }
        widenAgain();
        if (sample.beat != previous_->beat)
        {
            // Beat changing while Position has not moved since the last change: a sender whose
            // Position stands for nothing (a coarse Position repeats across a change now and
            // then, but moves between changes).
            const bool still = sample.position == previous_->position && lastBoundaryPosition_ &&
                               sample.position == *lastBoundaryPosition_;
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
    // Until the step is decided, the shortest move seen bounds it; before any move, a pair's
    // own move does (two Positions a move apart on the step's lattice).
    const TrackSeconds widen = step_.decided() ? step_.step() : shortestMove_;
    const bool bounded = step_.decided() || widen.value > 0.0;
    for (int i = 0; i < count; ++i)
    {
        const Bracket& pair = opened[i];
        const TrackSeconds pairWiden = bounded ? widen : pair.after - pair.before;
        if (pair.changed())
        {
            recent_[recentNext_] = pair;
            recentNext_ = (recentNext_ + 1) % kRecentBrackets;
            recentCount_ = std::min(recentCount_ + 1, kRecentBrackets);
            takeBracket(pair.before, pair.after + pairWiden, pair.beatBefore, pair.beatAfter);
        }
        else
        {
            grid_.exclude(pair.before + pairWiden, pair.after);
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
    if (taken)
        pendingBar_ = PendingBar{(before + after) * 0.5, beatBefore, beatAfter};
}

void BeatTracker::noteJump(TrackSeconds from, TrackSeconds to)
{
    // Garbage lands anywhere; a cue lands on the track.
    const double end =
        trackLength_ && *trackLength_ > 0.0 ? *trackLength_ + kBeyondEndSeconds : kMostTrackSeconds;
    const auto onTrack = [end](TrackSeconds p)
    { return isFinite(p) && p.value >= -kBeyondEndSeconds && p.value <= end; };
    if (onTrack(from) && onTrack(to))
        loops_.jumped(from, to, grid_.estimate(to).length);
}

} // namespace orvbeat
