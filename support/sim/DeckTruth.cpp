#include "support/sim/DeckTruth.h"

#include <algorithm>
#include <cmath>

namespace orvsim
{

namespace
{

constexpr double kSettleBeats = 2.0;         // after a start of play, before anything is judged
constexpr double kCueBeats = 0.25;           // after a cue, not judged: this share of a beat ...
constexpr double kCueSeconds = 0.150;        // ... or this long, whichever is longer
constexpr double kFrameSeconds = 1.0 / 60.0; // a host's frame

} // namespace

DeckTruth::DeckTruth(const SweepCase& sweepCase, const SweepTraffic& traffic, double leastDelay)
    : case_(sweepCase), traffic_(traffic), leastDelay_(leastDelay),
      boundaries_(sweepCase.deck.boundaries(0.0, sweepCase.duration))
{
    const std::vector<PlanEvent>& events = sweepCase.deck.events();
    for (size_t i = 0; i < events.size(); ++i)
    {
        if (events[i].step == PlanStep::Seek)
            excludeCue(events[i].time);
        if (events[i].step == PlanStep::Play)
            addStretch(events, i);
    }
    if (sweepCase.garbage)
    {
        garbageBack_ = secondBoundaryAfter(sweepCase.garbage->to);
        exclusions_.push_back({sweepCase.garbage->from, garbageBack_});
    }
}

double DeckTruth::beatSecondsAt(double time) const
{
    const DeckMoment moment = case_.deck.at(time);
    return case_.deck.track(moment.track).beatSeconds() / moment.pitch;
}

const TimeSpan* DeckTruth::stretchAt(double time) const
{
    for (const TimeSpan& stretch : stretches_)
    {
        if (stretch.contains(time))
            return &stretch;
    }
    return nullptr;
}

const TrueBoundary* DeckTruth::nearest(double time) const
{
    const auto after = std::lower_bound(boundaries_.begin(), boundaries_.end(), time,
                                        [](const TrueBoundary& b, double t) { return b.time < t; });
    if (after == boundaries_.end())
        return boundaries_.empty() ? nullptr : &boundaries_.back();
    if (after != boundaries_.begin() && time - (after - 1)->time < after->time - time)
        return &*(after - 1);
    return &*after;
}

double DeckTruth::lineNear(double frame, double shown) const
{
    const DeckMoment moment = case_.deck.at(frame);
    const double beats = case_.deck.track(moment.track).gridBeats(moment.position);
    const double beat = beatSecondsAt(frame);
    const double behind = frame - (beats - std::floor(beats)) * beat;
    return behind + std::clamp(std::round((shown - behind) / beat), -1.0, 1.0) * beat;
}

// From a start of play to the next pause or load (or the end).
void DeckTruth::addStretch(const std::vector<PlanEvent>& events, size_t play)
{
    double end = case_.duration;
    for (size_t j = play + 1; j < events.size(); ++j)
    {
        if (events[j].step == PlanStep::Pause || events[j].step == PlanStep::Load)
        {
            end = events[j].time;
            break;
        }
    }
    const double at = events[play].time;
    const double start = at + kSettleBeats * beatSecondsAt(at);
    if (start < end - kStretchEndMargin)
        stretches_.push_back({start, end - kStretchEndMargin});
}

// A cue's one pulse falls within a quarter beat or 150 ms of it, or, when the network holds
// its news, by the arrival of the second datagram sent after it (a cue back shows only once a
// second datagram confirms it). A boundary the deck crossed within a frame and the least
// delay before the cue may take that pulse too: no frame shows it before the cue.
void DeckTruth::excludeCue(double at)
{
    double seen = 0.0;
    int count = 0;
    for (const Arrival& arrival : traffic_.arrivals)
    {
        const DeckReport& report = traffic_.sent[static_cast<size_t>(arrival.sequence)];
        if (report.sendTime >= at && ++count == 2)
        {
            seen = arrival.time;
            break;
        }
    }
    const double length = std::max(kCueBeats * beatSecondsAt(at), kCueSeconds);
    exclusions_.push_back({at - kFrameSeconds - leastDelay_, std::max(at + length, seen)});
}

bool DeckTruth::excluded(double time) const
{
    return std::any_of(exclusions_.begin(), exclusions_.end(),
                       [time](const TimeSpan& span) { return span.contains(time); });
}

double DeckTruth::secondBoundaryAfter(double time) const
{
    int seen = 0;
    for (const TrueBoundary& boundary : boundaries_)
    {
        if (boundary.time >= time && ++seen == 2)
            return boundary.time;
    }
    return case_.duration;
}

} // namespace orvsim
