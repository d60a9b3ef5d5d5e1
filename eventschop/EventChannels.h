// What an events node keeps between cooks and writes in each: the channel names of the events
// it has seen (EventChannelNames.h) and, per channel, the count it showed last cook, from which
// "Pulse" tells that one or more datagrams arrived since.
//
// Every node keeps its own counts, so two nodes on one receiver pulse alike, each on its own
// first cook after the datagram. What a receiver counted before a node followed it is taken as
// seen: pointing a node at a receiver, or creating one, fires no pulse for the past.
#pragma once

#include "EventChannelNames.h"
#include "OrvEventsParameters.h"

#include "protocol/NodeLayout.h"
#include "receiver/ReceiverSnapshot.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace orvevents
{

static_assert(kTrackChannels == orvlayout::kDeckCount, "one track channel per deck");

class EventChannels
{
public:
    // After each read of a receiver into `state`: names for the events that are new, and a new
    // start when the state comes from another receiver than the last one.
    void follow(const EventState& state);
    // No receiver: nothing is known any more.
    void forget();

    std::size_t eventCount() const { return names_.size(); }
    const char* eventName(std::size_t index) const { return names_.name(index); }

    // Sample 0 of every channel from `state` (the one last followed): the four track channels
    // first when `tracks`, then one per event in the order of its name's first arrival. Then
    // takes every count as seen, shown or not, so that a later switch to "Pulse" or to
    // "Track Changes" fires nothing for the past. `channels` holds at least that many buffers.
    void write(float* const* channels, const EventState& state, Output output, bool tracks);

private:
    EventChannelNames names_;
    std::uint64_t source_ = 0;
    std::vector<std::uint64_t> seenCounts_; // per event, its count at the last write
    std::array<std::uint64_t, kTrackChannels> seenTrackChanges_{};
};

} // namespace orvevents
