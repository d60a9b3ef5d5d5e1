#include "support/sim/ClockJudge.h"

#include "support/Percentile.h"
#include "support/sim/DeckTruth.h"
#include "support/sim/ProfileText.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace orvsim
{

const char* const kPropertyNames[8] = {
    "pulses between beats", "missed boundaries", "back-steps",       "wrong bar", "lock",
    "error while locked",   "coarse error",      "garbage recovery",
};

namespace
{

enum Property
{
    PulsesBetweenBeats,
    MissedBoundaries,
    BackSteps,
    WrongBar,
    Lock,
    ErrorWhileLocked,
    CoarseError,
    GarbageRecovery,
};

constexpr double kMatchBeats = 0.25;   // how far a pulse may show its boundary from the true one
constexpr double kLockBeats = 1.5;     // `locked` within this many beats of the oracle's moment
constexpr double kTarget = 0.002;      // seconds of residual, p99 while locked
constexpr double kCoarseBeats = 6.0;   // where `locked` is never allowed: judged from here
constexpr double kRecoveryBeats = 8.0; // after garbage: how long pulses must match
constexpr size_t kMostFailureTimes = 20;

std::string at(double time)
{
    return roundedText(time, 3) + " s";
}

std::string ms(double seconds)
{
    return roundedText(seconds * 1000.0, 2) + " ms";
}

double shownBoundary(const ClockFrame& frame)
{
    if (!(frame.bpm > 0.0) || !std::isfinite(frame.bpm) || !std::isfinite(frame.beatRamp))
        return frame.time;
    return frame.time - frame.beatRamp * 60.0 / frame.bpm;
}

void fail(PropertyVerdict& property, double time, const std::string& reason)
{
    if (property.passed)
    {
        property.passed = false;
        property.time = time;
        property.reason = reason;
    }
    if (property.failureTimes.size() < kMostFailureTimes)
        property.failureTimes.push_back(time);
}

class Judge
{
public:
    Judge(const SweepCase& sweepCase, const SweepTraffic& traffic, const OracleVerdict& oracle,
          const std::vector<ClockFrame>& frames, double deliveryLatency)
        : case_(sweepCase), oracle_(oracle), frames_(frames), deliveryLatency_(deliveryLatency),
          truth_(sweepCase, traffic, oracle.leastDelay), pulsed_(truth_.boundaries().size(), false)
    {
        timelineSlack_ = timelineSlack(sweepCase, traffic, frames, oracle.leastDelay);
        for (const char* name : kPropertyNames)
        {
            PropertyVerdict property;
            property.name = name;
            verdict_.properties.push_back(property);
        }
        // These two apply only where their case arises.
        property(CoarseError).applies = false;
        property(GarbageRecovery).applies = false;
        verdict_.figures.leastDelay = oracle.leastDelay;
    }

    ClockVerdict run()
    {
        matchPulses();
        missedBoundaries();
        backSteps();
        for (size_t track = 0; track < oracle_.tracks.size(); ++track)
            judgeLock(static_cast<int>(track));
        errorWhileLocked();
        garbageRecovery();
        return verdict_;
    }

private:
    // Per frame, how far the least delay among the datagrams sent since the deck's latest
    // transport change (play, pause, cue, load) that have arrived by then lies above the path's
    // least delay (counting a stepped Position's lag behind the deck as delay): after a jump the
    // sender's timeline is known only from those, so no receiver can place it closer than that.
    static std::vector<double> timelineSlack(const SweepCase& sweepCase,
                                             const SweepTraffic& traffic,
                                             const std::vector<ClockFrame>& frames,
                                             double leastDelay)
    {
        std::vector<double> slack;
        slack.reserve(frames.size());
        double stretchStart = -std::numeric_limits<double>::infinity();
        double least = std::numeric_limits<double>::infinity();
        size_t next = 0;
        for (const ClockFrame& frame : frames)
        {
            const double start = sweepCase.deck.lastTransportChange(frame.time);
            if (start != stretchStart)
            {
                stretchStart = start;
                least = std::numeric_limits<double>::infinity();
                next = 0;
                while (next < traffic.arrivals.size() && traffic.arrivals[next].time < stretchStart)
                    ++next;
            }
            for (; next < traffic.arrivals.size() && traffic.arrivals[next].time <= frame.time;
                 ++next)
            {
                const Arrival& arrival = traffic.arrivals[next];
                const DeckReport& report = traffic.sent[arrival.sequence];
                if (report.garbage || report.sendTime < stretchStart)
                    continue;
                // A Position in steps was reached a little before it was sent: the datagram
                // tells the timeline only as well as its delay and that lag together.
                const DeckMoment sent = sweepCase.deck.at(report.sendTime);
                const double lag =
                    sent.pitch > 0.0 && sent.playing
                        ? std::max(0.0, (sent.position - report.position) / sent.pitch)
                        : 0.0;
                least = std::min(least, arrival.time - report.sendTime + lag);
            }
            slack.push_back(std::isfinite(least) ? std::max(0.0, least - leastDelay) : 0.0);
        }
        return slack;
    }

    PropertyVerdict& property(Property which) { return verdict_.properties[which]; }
    double residual(const ClockFrame& frame) const
    {
        const double shown = shownBoundary(frame);
        return shown - truth_.lineNear(frame.time, shown) - oracle_.leastDelay;
    }

    // The newest track whose datagrams have reached the clock by `time`; -1 before any.
    int trackAt(double time) const
    {
        int track = -1;
        for (size_t j = 0; j < oracle_.tracks.size(); ++j)
        {
            const std::optional<double>& first = oracle_.tracks[j].firstArrival;
            if (first && *first + deliveryLatency_ <= time)
                track = static_cast<int>(j);
        }
        return track;
    }

    // Pulses around a cue or garbage, which no clock can have seen yet, are matched after all
    // the others: a stale pulse takes no boundary from the pulse that shows it in time.
    void matchPulses()
    {
        for (const bool aroundCues : {false, true})
        {
            for (const ClockFrame& frame : frames_)
            {
                if (frame.beatPulse > 0.5 && truth_.excluded(frame.time) == aroundCues)
                    matchPulse(frame);
            }
        }
    }

    void matchPulse(const ClockFrame& frame)
    {
        const std::vector<TrueBoundary>& boundaries = truth_.boundaries();
        const double shown = shownBoundary(frame);
        int best = -1;
        for (size_t i = 0; i < boundaries.size(); ++i)
        {
            const double distance = std::fabs(boundaries[i].time - shown);
            if (!pulsed_[i] && distance <= kMatchBeats * boundaries[i].beatSeconds &&
                (best < 0 || distance < std::fabs(boundaries[best].time - shown)))
                best = static_cast<int>(i);
        }
        if (best >= 0)
        {
            pulsed_[static_cast<size_t>(best)] = true;
            checkBar(frame, boundaries[static_cast<size_t>(best)]);
            return;
        }
        if (!truth_.judged(frame.time))
            return;
        ++verdict_.figures.pulsesBetweenBeats;
        offBeat_.push_back(frame.time);
        const TrueBoundary* nearest = truth_.nearest(shown);
        fail(property(PulsesBetweenBeats), frame.time,
             "a pulse at " + at(frame.time) + " shows a boundary at " + at(shown) +
                 (nearest ? "; the nearest true one is at " + at(nearest->time) : ""));
    }

    void checkBar(const ClockFrame& frame, const TrueBoundary& boundary)
    {
        const std::optional<double>& base = oracle_.beatBaseShownAt;
        if (!base || boundary.time <= *base || !truth_.judged(boundary.time) ||
            !truth_.judged(frame.time))
            return;
        const int expected = barPosition(boundary.line) + 1;
        if (std::lround(frame.beat) == expected)
            return;
        ++verdict_.figures.wrongBars;
        fail(property(WrongBar), frame.time,
             "the pulse at " + at(frame.time) + " shows beat " + roundedText(frame.beat, 2) +
                 "; the sender's bar position there is " + std::to_string(expected));
    }

    void missedBoundaries()
    {
        const std::vector<TrueBoundary>& boundaries = truth_.boundaries();
        for (size_t i = 0; i < boundaries.size(); ++i)
        {
            if (!truth_.judged(boundaries[i].time))
                continue;
            ++verdict_.figures.boundariesJudged;
            if (pulsed_[i])
                continue;
            ++verdict_.figures.missedBoundaries;
            offBeat_.push_back(boundaries[i].time);
            fail(property(MissedBoundaries), boundaries[i].time,
                 "no pulse for the true boundary at " + at(boundaries[i].time));
        }
    }

    void backSteps()
    {
        for (size_t i = 1; i < frames_.size(); ++i)
        {
            const ClockFrame& frame = frames_[i];
            if (frame.beatPulse > 0.5 || !(frame.beatRamp < frames_[i - 1].beatRamp) ||
                !truth_.judged(frame.time))
                continue;
            ++verdict_.figures.backSteps;
            fail(property(BackSteps), frame.time,
                 "beat_ramp fell from " + roundedText(frames_[i - 1].beatRamp, 4) + " to " +
                     roundedText(frame.beatRamp, 4) + " at " + at(frame.time) + " without a pulse");
        }
    }

    // The end of the track's part of the run: its successor's first arrival, or the end.
    double trackEnd(int track) const
    {
        const auto next = static_cast<size_t>(track) + 1;
        if (next < oracle_.tracks.size() && oracle_.tracks[next].firstArrival)
            return *oracle_.tracks[next].firstArrival;
        return case_.duration;
    }

    double firstPlay(int track) const
    {
        for (const PlanEvent& event : case_.deck.events())
        {
            if (event.step == PlanStep::Play && case_.deck.at(event.time).track == track)
                return event.time;
        }
        return case_.duration;
    }

    void judgeLock(int track)
    {
        const TrackOracle& oracle = oracle_.tracks[static_cast<size_t>(track)];
        const ClockFrame* firstLocked = nullptr;
        for (const ClockFrame& frame : frames_)
        {
            if (frame.locked > 0.5 && trackAt(frame.time) == track)
            {
                firstLocked = &frame;
                break;
            }
        }
        if (!oracle.lockAllowedAt)
        {
            coarseError(track);
            if (firstLocked)
            {
                ++verdict_.figures.earlyLocks;
                fail(property(Lock), firstLocked->time,
                     "locked at " + at(firstLocked->time) +
                         ", but the datagrams never place "
                         "this track's lines within " +
                         ms(kLockedWidth));
            }
            return;
        }
        const double allowed = *oracle.lockAllowedAt;
        const double beat = truth_.beatSecondsAt(allowed);
        if (!firstLocked)
        {
            if (allowed + kLockBeats * beat < trackEnd(track) - kStretchEndMargin)
                fail(property(Lock), allowed,
                     "never locked; the datagrams allow it from " + at(allowed));
            return;
        }
        const double beats = (firstLocked->time - allowed) / beat;
        ClockFigures& figures = verdict_.figures;
        figures.lockBeats = figures.lockBeats ? std::max(*figures.lockBeats, beats) : beats;
        if (beats < 0.0)
        {
            ++figures.earlyLocks;
            fail(property(Lock), firstLocked->time,
                 "locked at " + at(firstLocked->time) + ", before the datagrams allow it (from " +
                     at(allowed) + ")");
        }
        else if (beats > kLockBeats)
        {
            fail(property(Lock), firstLocked->time,
                 "locked at " + at(firstLocked->time) + ", " + roundedText(beats, 2) +
                     " beats after the datagrams allow it (from " + at(allowed) + ")");
        }
    }

    // Where the datagrams never place the lines within kLockedWidth, the clock can only be as
    // good as they allow: each boundary within 2 ms of half their width (at least half a
    // Position step, the width they narrow to when the step is too coarse).
    void coarseError(int track)
    {
        const double from =
            firstPlay(track) + kCoarseBeats * truth_.beatSecondsAt(firstPlay(track));
        const double halfStep =
            (bufferSeconds(case_.sender) + case_.sender.positionStep) / 2.0; // host seconds
        const TrackOracle& oracle = oracle_.tracks[static_cast<size_t>(track)];
        std::optional<double> worst;
        double worstAt = 0.0;
        double worstAllowance = 0.0;
        for (size_t i = 0; i < frames_.size(); ++i)
        {
            const ClockFrame& frame = frames_[i];
            if (frame.time < from || trackAt(frame.time) != track || !truth_.judged(frame.time))
                continue;
            const double allowance =
                std::max(halfStep, oracle.widthAt(frame.time) / 2.0) + timelineSlack_[i];
            const double beyond = std::fabs(residual(frame)) - allowance;
            if (!worst || beyond > *worst)
            {
                worst = beyond;
                worstAt = frame.time;
                worstAllowance = allowance;
            }
        }
        if (!worst)
            return;
        property(CoarseError).applies = true;
        ClockFigures& figures = verdict_.figures;
        figures.coarseWorst = figures.coarseWorst ? std::max(*figures.coarseWorst, *worst) : *worst;
        if (*worst > kTarget)
            fail(property(CoarseError), worstAt,
                 "the lines are never placed within " + ms(kLockedWidth) +
                     ", and the residual at " + at(worstAt) + " is " + ms(*worst) +
                     " beyond half of what the datagrams allow there (" + ms(worstAllowance) + ")");
    }

    void errorWhileLocked()
    {
        std::vector<double> residuals;
        std::vector<double> beyondTimeline;
        double worstAt = 0.0;
        double worst = -1.0;
        for (size_t i = 0; i < frames_.size(); ++i)
        {
            const ClockFrame& frame = frames_[i];
            if (!(frame.locked > 0.5) || !truth_.judged(frame.time))
                continue;
            residuals.push_back(std::fabs(residual(frame)));
            // Beyond what the datagrams since the latest jump tell of the timeline.
            beyondTimeline.push_back(std::max(0.0, residuals.back() - timelineSlack_[i]));
            if (residuals.back() > worst)
            {
                worst = residuals.back();
                worstAt = frame.time;
            }
        }
        if (residuals.empty())
        {
            property(ErrorWhileLocked).applies = false;
            return;
        }
        ClockFigures& figures = verdict_.figures;
        figures.lockedP99 = orvsupport::percentile(residuals, 0.99);
        figures.lockedWorst = worst;
        const double judged = orvsupport::percentile(beyondTimeline, 0.99);
        if (judged > kTarget)
            fail(property(ErrorWhileLocked), worstAt,
                 "p99 |residual| " + ms(*figures.lockedP99) + " (" + ms(judged) +
                     " beyond what the datagrams tell of the timeline) over " +
                     std::to_string(residuals.size()) + " locked frames; the worst " + ms(worst) +
                     " at " + at(worstAt));
    }

    void garbageRecovery()
    {
        PropertyVerdict& recovery = property(GarbageRecovery);
        const double back = truth_.garbageBack();
        const TimeSpan* stretch = case_.garbage ? truth_.stretchAt(back) : nullptr;
        if (!stretch)
            return;
        recovery.applies = true;
        const TimeSpan window{
            back, std::min(stretch->to, back + kRecoveryBeats * truth_.beatSecondsAt(back))};
        for (const double time : offBeat_)
        {
            if (window.contains(time))
                fail(recovery, time,
                     "a pulse between beats or a missed boundary at " + at(time) +
                         ", after the garbage (back on the grid due at " + at(back) + ")");
        }
        verdict_.figures.garbageRecovered = recovery.passed;
    }

    const SweepCase& case_;
    const OracleVerdict& oracle_;
    const std::vector<ClockFrame>& frames_;
    std::vector<double> timelineSlack_; // per frame
    double deliveryLatency_;
    DeckTruth truth_;
    std::vector<bool> pulsed_;
    std::vector<double> offBeat_; // times of pulses between beats and of missed boundaries
    ClockVerdict verdict_;
};

} // namespace

bool ClockVerdict::passed() const
{
    return std::all_of(properties.begin(), properties.end(),
                       [](const PropertyVerdict& p) { return !p.applies || p.passed; });
}

ClockVerdict judgeClock(const SweepCase& sweepCase, const SweepTraffic& traffic,
                        const OracleVerdict& oracle, const std::vector<ClockFrame>& frames,
                        double deliveryLatency)
{
    return Judge(sweepCase, traffic, oracle, frames, deliveryLatency).run();
}

} // namespace orvsim
