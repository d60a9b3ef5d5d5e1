#include "support/sim/BeatOracle.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <numeric>
#include <set>
#include <tuple>
#include <utility>

namespace orvsim
{

namespace
{

// Beat lengths closer than this share are the same length.
constexpr double kSameLength = 1e-6;

// Track seconds of rounding allowed when bounds are carried by whole beats.
constexpr double kSlack = 1e-9;

// Track seconds between lines under each convention, from one datagram.
double withPitchBeat(const DeckReport& report)
{
    return 60.0 * report.pitch / report.bpm;
}

double withoutPitchBeat(const DeckReport& report)
{
    return 60.0 / report.bpm;
}

class TrackGrid
{
public:
    TrackGrid(TrackOracle& oracle, OracleVerdict& run) : oracle_(oracle), run_(run) {}

    // The step the datagrams show: the greatest common divisor of the sender's moves at one
    // speed. Where every move is a multiple of a few steps (the send interval a whole number of
    // buffers), no receiver can tell the step finer than that.
    void noteMove(const DeckReport& previous, const DeckReport& report, double now)
    {
        const double move = report.position - previous.position;
        const double step = report.step;
        if (previous.garbage || previous.track != report.track || previous.pitch != report.pitch ||
            !(move > 0.0) || !(move < 0.5) || !(step > 0.0))
            return;
        const double steps = std::round(move / step);
        if (std::fabs(move - steps * step) > 1e-7)
            return; // across a pause, a cue or a load: no move of the sender's steps
        const double finer =
            apparentSteps_ > 0.0
                ? static_cast<double>(std::gcd(static_cast<long long>(apparentSteps_),
                                               static_cast<long long>(steps)))
                : steps;
        const bool wasFiner = apparentSteps_ > 0.0 && finer < apparentSteps_;
        apparentSteps_ = finer;
        apparentStep_ = apparentSteps_ * step;
        if (wasFiner)
            carryAgain(report, now);
    }

    void take(const DeckReport& report, double now)
    {
        noteMovedLength(report, now);
        const auto at = byPosition_.insert({report.position, order_++, &report}).first;
        if (at != byPosition_.begin())
            bound(*std::prev(at)->report, report, report, now);
        if (std::next(at) != byPosition_.end())
            bound(report, *std::next(at)->report, report, now);
        judgeWidth(report, now);
    }

private:
    // A convention whose beat length moves while the other's stays (the pitch moved, and BPM with
    // it or not) would have the track's own tempo change just then: the datagrams refute it.
    void noteMovedLength(const DeckReport& report, double now)
    {
        if (!first_)
        {
            first_ = &report;
            return;
        }
        const auto moved = [](double a, double b) { return std::fabs(a / b - 1.0) > kSameLength; };
        const bool withMoved = moved(withPitchBeat(report), withPitchBeat(*first_));
        const bool withoutMoved = moved(withoutPitchBeat(report), withoutPitchBeat(*first_));
        if (withMoved && !withoutMoved && !run_.withPitchRefutedAt)
            run_.withPitchRefutedAt = now;
        if (withoutMoved && !withMoved && !run_.withoutPitchRefutedAt)
            run_.withoutPitchRefutedAt = now;
    }

    struct Bound
    {
        double before; // Position of the datagram before the change
        double after;  // and after it
        double step;   // the sender's step then
    };

    struct Placed
    {
        double position;
        unsigned long long order; // ties keep the arrival order
        const DeckReport* report;
        bool operator<(const Placed& other) const
        {
            return position != other.position ? position < other.position : order < other.order;
        }
    };

    void bound(const DeckReport& lower, const DeckReport& upper, const DeckReport& latest,
               double now)
    {
        if (lower.beat == upper.beat)
            return;
        bounds_.push_back(Bound{lower.position, upper.position, upper.step});
        carry(bounds_.back(), latest, now);
    }

    // Carries one bound to the reference line of each convention, widened on the upper side by
    // the Position step (a Beat read from a finer position than the one sent may change up to a
    // step after it, and no receiver can tell which way the sender reads it).
    void carry(const Bound& b, const DeckReport& latest, double now)
    {
        const double lo = b.before;
        const double hi = b.after + std::max(b.step, apparentStep_);
        oracle_.withPitch.add(lo, hi, withPitchBeat(latest), now);
        oracle_.withoutPitch.add(lo, hi, withoutPitchBeat(latest), now);
        if (!run_.withPitchRefutedAt)
            run_.withPitchRefutedAt = oracle_.withPitch.refutedAt;
        if (!run_.withoutPitchRefutedAt)
            run_.withoutPitchRefutedAt = oracle_.withoutPitch.refutedAt;
    }

    // The step the datagrams show became finer: every bound so far is carried again with it.
    void carryAgain(const DeckReport& latest, double now)
    {
        const std::optional<double> withRefuted = oracle_.withPitch.refutedAt;
        const std::optional<double> withoutRefuted = oracle_.withoutPitch.refutedAt;
        oracle_.withPitch = LinePlace{};
        oracle_.withoutPitch = LinePlace{};
        oracle_.withPitch.refutedAt = withRefuted;
        oracle_.withoutPitch.refutedAt = withoutRefuted;
        for (const Bound& b : bounds_)
            carry(b, latest, now);
    }

    // The union of the surviving conventions' places of one line, the one nearest the deck,
    // in host seconds at the current pitch. Every convention carried the same bounds to the
    // same reference line, so one count of lines serves them all.
    void judgeWidth(const DeckReport& latest, double now)
    {
        const std::tuple<const LinePlace*, double, bool> conventions[] = {
            {&oracle_.withPitch, withPitchBeat(latest), run_.withPitchRefutedAt.has_value()},
            {&oracle_.withoutPitch, withoutPitchBeat(latest),
             run_.withoutPitchRefutedAt.has_value()}};
        std::optional<double> lines;
        double from = std::numeric_limits<double>::infinity();
        double to = -from;
        for (const auto& [place, beat, refuted] : conventions)
        {
            if (!place->placed || refuted)
                continue;
            if (!lines)
                lines = place->linesTo(latest.position, beat);
            from = std::min(from, place->from + *lines * beat);
            to = std::max(to, place->to + *lines * beat);
        }
        if (!lines || !(latest.pitch > 0.0))
            return;
        oracle_.finalWidth = (to - from) / latest.pitch;
        if (oracle_.widths.empty() || oracle_.widths.back().second != oracle_.finalWidth)
            oracle_.widths.emplace_back(now, oracle_.finalWidth);
        if (!oracle_.lockAllowedAt && oracle_.finalWidth < kLockedWidth)
            oracle_.lockAllowedAt = now;
    }

    TrackOracle& oracle_;
    OracleVerdict& run_;
    std::set<Placed> byPosition_;
    const DeckReport* first_ = nullptr; // the track's first arrived datagram
    double apparentSteps_ = 0.0;        // in the sender's true steps
    double apparentStep_ = 0.0;
    std::vector<Bound> bounds_;
    unsigned long long order_ = 0;
};

} // namespace

void LinePlace::add(double lo, double hi, double beat, double now)
{
    if (refutedAt)
        return;
    if (!placed)
    {
        from = lo;
        to = hi;
        placed = true;
        return;
    }
    const double lines = std::round(((lo + hi) - (from + to)) / 2.0 / beat);
    from = std::max(from, lo - lines * beat);
    to = std::min(to, hi - lines * beat);
    if (to - from < -kSlack)
        refutedAt = now;
}

double TrackOracle::widthAt(double time) const
{
    const auto after =
        std::upper_bound(widths.begin(), widths.end(), time,
                         [](double t, const std::pair<double, double>& w) { return t < w.first; });
    return after == widths.begin() ? std::numeric_limits<double>::infinity()
                                   : std::prev(after)->second;
}

double LinePlace::linesTo(double position, double beat) const
{
    return std::round((position - (from + to) / 2.0) / beat);
}

OracleVerdict consultOracle(const std::vector<DeckReport>& sent,
                            const std::vector<Arrival>& arrivals, int beatsPerBar)
{
    OracleVerdict verdict;
    int tracks = 0;
    for (const DeckReport& report : sent)
        tracks = std::max(tracks, report.track + 1);
    verdict.tracks.resize(static_cast<size_t>(tracks));
    std::vector<TrackGrid> grids;
    grids.reserve(verdict.tracks.size());
    for (TrackOracle& track : verdict.tracks)
        grids.emplace_back(track, verdict);

    verdict.leastDelay = std::numeric_limits<double>::infinity();
    for (const Arrival& arrival : arrivals)
    {
        const DeckReport& report = sent[static_cast<size_t>(arrival.sequence)];
        const auto track = static_cast<size_t>(report.track);
        verdict.leastDelay = std::min(verdict.leastDelay, arrival.time - report.sendTime);
        if (!verdict.tracks[track].firstArrival)
            verdict.tracks[track].firstArrival = arrival.time;
        if (report.garbage)
            continue;
        if (arrival.sequence > 0)
            grids[track].noteMove(sent[static_cast<size_t>(arrival.sequence - 1)], report,
                                  arrival.time);
        if (!verdict.beatBaseShownAt && (report.beat == 0 || report.beat == beatsPerBar))
            verdict.beatBaseShownAt = arrival.time;
        grids[track].take(report, arrival.time);
    }
    if (arrivals.empty())
        verdict.leastDelay = 0.0;
    return verdict;
}

OracleVerdict consultOracle(const SweepTraffic& traffic)
{
    return consultOracle(traffic.sent, traffic.arrivals, kBeatsPerBar);
}

} // namespace orvsim
