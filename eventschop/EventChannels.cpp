#include "EventChannels.h"

#include "plugin/NearestFloat.h"

#include <algorithm>

namespace orvevents
{

namespace
{

// "Value" of a track channel is its change count: a number that steps with each new track.
float sampleOf(Output output, double value, std::uint64_t count, std::uint64_t seen)
{
    switch (output)
    {
    case Output::Pulse:
        return count != seen ? 1.0f : 0.0f;
    case Output::Count:
        return orvplugin::nearestFloat(static_cast<double>(count));
    case Output::Value:
        break;
    }
    return orvplugin::nearestFloat(value);
}

} // namespace

void EventChannels::follow(const EventState& state)
{
    const bool newSource = state.source != source_;
    if (newSource)
    {
        names_.clear();
        seenCounts_.clear();
        seenTrackChanges_ = state.trackChanges;
        source_ = state.source;
    }
    for (std::size_t index = names_.size(); index < state.events.size(); ++index)
    {
        const EventReading& event = state.events[index];
        // A name that arrives while the node follows pulses on its first datagram.
        seenCounts_.push_back(newSource ? event.count : 0);
        try
        {
            names_.add(event.name);
        }
        catch (...)
        {
            seenCounts_.pop_back(); // a name and its count are added together or not at all
            throw;
        }
    }
}

void EventChannels::forget()
{
    names_.clear();
    seenCounts_.clear();
    seenTrackChanges_ = {};
    source_ = 0;
}

void EventChannels::write(float* const* channels, const EventState& state, Output output,
                          bool tracks)
{
    std::size_t channel = 0;
    for (std::size_t deck = 0; deck < seenTrackChanges_.size(); ++deck)
    {
        const std::uint64_t changes = state.trackChanges[deck];
        if (tracks)
        {
            channels[channel++][0] =
                sampleOf(output, static_cast<double>(changes), changes, seenTrackChanges_[deck]);
        }
        seenTrackChanges_[deck] = changes;
    }
    const std::size_t events = std::min(seenCounts_.size(), state.events.size());
    for (std::size_t index = 0; index < events; ++index)
    {
        const EventReading& event = state.events[index];
        channels[channel++][0] = sampleOf(output, event.value, event.count, seenCounts_[index]);
        seenCounts_[index] = event.count;
    }
}

} // namespace orvevents
