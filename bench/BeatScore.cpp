#include "BeatScore.h"

#include "support/sim/SenderProfile.h"

#include <algorithm>
#include <cmath>

namespace orvbench
{

namespace
{

constexpr double kSettleBeats = 4.0;     // after the start, before pulses are checked
constexpr double kUnlockedBeats = 6.0;   // after the start, before errors count without a lock
constexpr int kTransitionBoundaries = 4; // after a tempo change or cue, left out of the errors
constexpr double kTargetSeconds = 0.002; // the clock's target error
constexpr double kMatchBeats = 0.25;     // how far a pulse may lie from its boundary
constexpr double kEndMargin = 0.5;       // seconds before the last cook that are not checked

struct Boundary
{
    double time = 0.0;
    long long line = 0;  // the grid line: the beat that begins here
    double length = 0.0; // seconds of the beat
    // Its pulse, if it got one.
    bool pulsed = false;
    double error = 0.0;     // seen less true, seconds
    double lessLeast = 0.0; // |error less the least delay|
    bool good = false;      // with locked on, within the target
};

// Where pulses and boundaries are checked: from a few beats after the start to shortly
// before the last cook.
struct Window
{
    double start = 0.0;
    double end = 0.0;
    bool contains(double time) const { return time >= start && time <= end; }
};

// The sender times at which the deck's beats began, between ticks by interpolation.
std::vector<Boundary> trueBoundaries(const std::vector<TruthSample>& samples)
{
    std::vector<Boundary> boundaries;
    for (size_t i = 1; i < samples.size(); ++i)
    {
        const TruthSample& a = samples[i - 1];
        const TruthSample& b = samples[i];
        if (!a.playing || !b.playing || b.jumped || b.beats <= a.beats)
            continue;
        for (double k = std::floor(a.beats) + 1.0; k <= b.beats; k += 1.0)
        {
            const double time = a.time + (k - a.beats) / (b.beats - a.beats) * (b.time - a.time);
            boundaries.push_back({time, static_cast<long long>(k), 60.0 / b.tempo});
        }
    }
    return boundaries;
}

// The grid beats at `time`, between the samples around it.
double beatsAt(const std::vector<TruthSample>& samples, double time)
{
    const auto after = std::lower_bound(samples.begin(), samples.end(), time,
                                        [](const TruthSample& s, double t) { return s.time < t; });
    if (after == samples.begin())
        return samples.empty() ? 0.0 : samples.front().beats;
    if (after == samples.end())
        return samples.back().beats;
    const TruthSample& a = *(after - 1);
    const TruthSample& b = *after;
    return a.beats + (b.beats - a.beats) * (time - a.time) / (b.time - a.time);
}

// Beats played from `from` to `to` (negative when `to` comes first), leaving out a cue's jump.
double beatsBetween(const std::vector<TruthSample>& samples, double from, double to)
{
    if (to < from)
        return -beatsBetween(samples, to, from);
    double played = 0.0;
    double beats = beatsAt(samples, from);
    for (const TruthSample& sample : samples)
    {
        if (sample.time <= from)
            continue;
        const bool last = sample.time >= to;
        const double reached = last ? beatsAt(samples, to) : sample.beats;
        if (!sample.jumped)
            played += reached - beats;
        beats = reached;
        if (last)
            break;
    }
    return played;
}

size_t nearestIndex(const std::vector<Boundary>& boundaries, double time)
{
    const auto after = std::lower_bound(boundaries.begin(), boundaries.end(), time,
                                        [](const Boundary& b, double t) { return b.time < t; });
    size_t index = static_cast<size_t>(after - boundaries.begin());
    if (index == boundaries.size() ||
        (index > 0 && time - boundaries[index - 1].time < boundaries[index].time - time))
        --index;
    return index;
}

// The boundaries after an event until every later one is good; the worst error after them.
void recovery(const std::vector<Boundary>& boundaries, double eventAt, const Window& window,
              DeckScore& score)
{
    std::vector<const Boundary*> after;
    for (const Boundary& boundary : boundaries)
    {
        if (boundary.time > eventAt && window.contains(boundary.time))
            after.push_back(&boundary);
    }
    int lastBad = -1;
    for (size_t k = 0; k < after.size(); ++k)
    {
        if (!after[k]->good)
            lastBad = static_cast<int>(k);
    }
    if (after.empty() || lastBad == static_cast<int>(after.size()) - 1)
        return;
    score.recoveryBeats = lastBad + 1;
    for (size_t k = static_cast<size_t>(lastBad + 1); k < after.size(); ++k)
        score.afterRecoveryMax = std::max(score.afterRecoveryMax, after[k]->lessLeast);
}

// `beats` lengths of the deck's first beat after it starts to play; `otherwise` when no beat
// begins after the start.
double afterStart(const DeckTruth& truth, const std::vector<Boundary>& boundaries, double beats,
                  double otherwise)
{
    for (const Boundary& boundary : boundaries)
    {
        if (boundary.time > truth.startedAt)
            return truth.startedAt + beats * boundary.length;
    }
    return otherwise;
}

// Goes through the cooks: the lock, the ramp's back-steps, and each pulse matched to its true
// boundary.
void readCooks(const DeckTruth& truth, const std::vector<CookView>& views, const Window& window,
               double leastDelay, std::vector<Boundary>& boundaries, DeckScore& score)
{
    bool cuePulseTaken = truth.seekAt < 0.0;
    float lastRamp = 0.0f;
    for (const CookView& view : views)
    {
        const float rampBefore = lastRamp;
        lastRamp = view.beatRamp;
        if (view.time <= truth.startedAt)
            continue;
        if (score.lockedAt < 0.0 && view.locked == 1.0)
        {
            score.lockedAt = view.time;
            score.lockBeats = beatsBetween(truth.samples, truth.startedAt, view.time);
        }
        if (view.beatPulse == 0.0 && view.beatRamp < rampBefore)
            ++score.backwards;
        if (view.beatPulse != 1.0 || !(view.bpm > 0.0) || boundaries.empty())
            continue;

        const double seen = view.time - view.beatRamp * 60.0 / view.bpm;
        if (!window.contains(seen))
            continue;
        Boundary& nearest = boundaries[nearestIndex(boundaries, seen)];
        if (nearest.pulsed || std::fabs(seen - nearest.time) > kMatchBeats * nearest.length)
        {
            // The one pulse with which the clock takes a cue's new phase is no fault.
            const bool cuePulse = !cuePulseTaken && view.time >= truth.seekAt &&
                                  view.time < truth.seekAt + nearest.length;
            cuePulseTaken = cuePulseTaken || cuePulse;
            score.pulsesWithoutBoundary += cuePulse ? 0 : 1;
            continue;
        }
        nearest.pulsed = true;
        nearest.error = seen - nearest.time;
        nearest.lessLeast = std::fabs(nearest.error - leastDelay);
        nearest.good = view.locked == 1.0 && nearest.lessLeast < kTargetSeconds;
        ++score.beatsChecked;
        if (std::lround(view.beat) != orvsim::barPosition(nearest.line) + 1)
            ++score.wrongBeats;
    }
}

// The boundaries without a pulse, and the errors from `errorsFrom` on (< 0: none) without the
// boundaries right after a tempo change or a cue.
void tallyBoundaries(const DeckTruth& truth, const std::vector<Boundary>& boundaries,
                     const Window& window, double errorsFrom, DeckScore& score)
{
    const double events[2] = {truth.changedAt, truth.seekAt};
    int transition[2] = {0, 0};
    for (const Boundary& boundary : boundaries)
    {
        if (!window.contains(boundary.time))
            continue;
        bool inTransition = false;
        for (int event = 0; event < 2; ++event)
        {
            if (events[event] >= 0.0 && boundary.time > events[event] &&
                transition[event] < kTransitionBoundaries)
            {
                ++transition[event];
                inTransition = true;
            }
        }
        if (!boundary.pulsed)
            ++score.boundariesWithoutPulse;
        else if (errorsFrom >= 0.0 && boundary.time >= errorsFrom && !inTransition)
            score.errors.push_back(boundary.error);
    }
}

} // namespace

DeckScore scoreDeck(const DeckTruth& truth, const std::vector<CookView>& views, double leastDelay,
                    double lastCook, std::optional<double> lockAllowedAt)
{
    DeckScore score;
    if (truth.startedAt < 0.0)
        return score;
    std::vector<Boundary> boundaries = trueBoundaries(truth.samples);
    const Window window{afterStart(truth, boundaries, kSettleBeats, lastCook),
                        lastCook - kEndMargin};
    readCooks(truth, views, window, leastDelay, boundaries, score);
    if (score.lockedAt >= 0.0 && lockAllowedAt)
        score.lockAfterOracleBeats = beatsBetween(truth.samples, *lockAllowedAt, score.lockedAt);
    // Without a lock the datagrams could give, how close the clock keeps counts all the same.
    double errorsFrom = score.lockedAt;
    if (score.lockedAt < 0.0 && !lockAllowedAt)
        errorsFrom = afterStart(truth, boundaries, kUnlockedBeats, -1.0);
    tallyBoundaries(truth, boundaries, window, errorsFrom, score);
    const double eventAt = truth.changedAt >= 0.0 ? truth.changedAt : truth.seekAt;
    if (eventAt >= 0.0)
        recovery(boundaries, eventAt, window, score);
    return score;
}

} // namespace orvbench
