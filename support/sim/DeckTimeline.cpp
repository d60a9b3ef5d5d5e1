#include "support/sim/DeckTimeline.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace orvsim
{

DeckTimeline::DeckTimeline(const PlannedTrack& track, double cue, double pitch)
{
    tracks_.push_back(track);
    Segment first;
    first.position = std::clamp(cue, 0.0, track.length);
    first.pitch = pitch;
    segments_.push_back(first);
}

DeckMoment DeckTimeline::momentOf(const Segment& segment, double time)
{
    const double dt = std::max(0.0, time - segment.start);
    DeckMoment moment;
    moment.track = segment.track;
    moment.pitch = segment.pitch + segment.slope * dt;
    moment.playing = segment.playing;
    moment.position = segment.position;
    if (segment.playing)
        moment.position += segment.pitch * dt + 0.5 * segment.slope * dt * dt;
    return moment;
}

DeckTimeline::Segment& DeckTimeline::begin(double at, PlanStep step)
{
    const double time = std::max(at, segments_.back().start);
    const DeckMoment now = momentOf(segments_.back(), time);
    Segment next = segments_.back();
    next.start = time;
    next.position = now.position;
    next.pitch = now.pitch;
    segments_.push_back(next);
    events_.push_back({step, time});
    return segments_.back();
}

void DeckTimeline::play(double at)
{
    begin(at, PlanStep::Play).playing = true;
}

void DeckTimeline::pause(double at)
{
    begin(at, PlanStep::Pause).playing = false;
}

void DeckTimeline::seek(double at, double position)
{
    Segment& segment = begin(at, PlanStep::Seek);
    segment.position = std::clamp(position, 0.0, track(segment.track).length);
}

void DeckTimeline::load(double at, const PlannedTrack& track, double cue)
{
    tracks_.push_back(track);
    Segment& segment = begin(at, PlanStep::Load);
    segment.track = static_cast<int>(tracks_.size()) - 1;
    segment.position = std::clamp(cue, 0.0, track.length);
    segment.playing = false;
}

void DeckTimeline::glide(double at, double pitchPerSecond)
{
    begin(at, PlanStep::Glide).slope = pitchPerSecond;
}

void DeckTimeline::setPitch(double at, double pitch)
{
    Segment& segment = begin(at, PlanStep::SetPitch);
    segment.pitch = pitch;
    segment.slope = 0.0;
}

DeckMoment DeckTimeline::at(double time) const
{
    // The last segment that began at or before `time`; a change at `time` has taken effect.
    const auto after = std::upper_bound(segments_.begin(), segments_.end(), time,
                                        [](double t, const Segment& s) { return t < s.start; });
    return momentOf(after == segments_.begin() ? segments_.front() : *(after - 1), time);
}

double DeckTimeline::lastTransportChange(double time) const
{
    double last = -std::numeric_limits<double>::infinity();
    for (const PlanEvent& event : events_)
    {
        const bool transport = event.step != PlanStep::Glide && event.step != PlanStep::SetPitch;
        if (transport && event.time <= time)
            last = event.time;
    }
    return last;
}

double DeckTimeline::reachedAfter(const Segment& segment, double position)
{
    const double distance = std::max(0.0, position - segment.position);
    // distance = pitch dt + slope dt^2 / 2, solved in the form that stays exact as slope -> 0.
    const double root =
        std::sqrt(std::max(0.0, segment.pitch * segment.pitch + 2.0 * segment.slope * distance));
    return 2.0 * distance / (segment.pitch + root);
}

std::vector<TrueBoundary> DeckTimeline::boundaries(double from, double to) const
{
    std::vector<TrueBoundary> found;
    for (size_t i = 0; i < segments_.size(); ++i)
    {
        const Segment& segment = segments_[i];
        const double end = i + 1 < segments_.size() ? segments_[i + 1].start : to;
        if (!segment.playing || end <= from || segment.start >= to || !(segment.pitch > 0.0))
            continue;
        const PlannedTrack& played = track(segment.track);
        // The lines whose beat the sender's Beat enters within the segment: the same floor of
        // the grid beats that the sender's reports take.
        const auto first =
            static_cast<long long>(std::floor(played.gridBeats(segment.position))) + 1;
        const auto last =
            static_cast<long long>(std::floor(played.gridBeats(momentOf(segment, end).position)));
        for (long long line = first; line <= last; ++line)
        {
            const double time =
                std::min(end, segment.start + reachedAfter(segment, played.linePosition(line)));
            if (time < from || time > to)
                continue;
            const double pitch = momentOf(segment, time).pitch;
            found.push_back({time, segment.track, line, played.beatSeconds() / pitch});
        }
    }
    return found;
}

} // namespace orvsim
