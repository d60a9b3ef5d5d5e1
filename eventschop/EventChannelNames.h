// The channel names of the events, one per event name in the order the names first arrived.
//
// A name the host accepts is made from the event's name: every character other than an ASCII
// letter, digit or underscore becomes "_" (a character of several UTF-8 bytes becomes one
// "_"), a name that starts with a digit gets a leading "_", and an empty name is "_". Names
// that are equal after that get "_2", "_3", ... in the order their events arrived, so the
// first keeps the plain name. The four track channels' names (deck1_track ... deck4_track)
// are taken from the start, whether those channels are shown or not, so that an event's
// channel name never depends on the "Track Changes" toggle.
//
// Names are only ever appended: an event's channel keeps its index and its name. Memory is
// allocated when a name is added, never when one is read.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace orvevents
{

// The channels that count each deck's track changes, before the events when shown.
inline constexpr int kTrackChannels = 4;
inline constexpr const char* kTrackChannelNames[kTrackChannels] = {"deck1_track", "deck2_track",
                                                                   "deck3_track", "deck4_track"};

// The name `eventName` asks for, before a clash with another one is resolved.
std::string sanitizedChannelName(std::string_view eventName);

class EventChannelNames
{
public:
    EventChannelNames();

    // Appends the channel name of the next event.
    void add(std::string_view eventName);
    // Forgets every event name (the four track names stay taken).
    void clear();

    std::size_t size() const { return names_.size(); }
    const char* name(std::size_t index) const { return names_[index].c_str(); }

private:
    void takeTrackNames();

    std::vector<std::string> names_;
    std::unordered_set<std::string> taken_;
};

} // namespace orvevents
