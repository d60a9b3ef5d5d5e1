// The named events a receiver keeps, in the order their names first arrived: per name its
// latest value and how many datagrams set it. The entries lie in a vector, so every list of
// events (the table's rows, the events operator's channels) has that order and a name keeps its
// place for good; a hash index from name to place finds an entry in constant expected time.
//
// At most `limit` names are kept. A known name is updated without allocating; a new one
// allocates for its entry and its index key. Not thread-safe: the store guards it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace orvreceiver
{

class EventLog
{
public:
    struct Entry
    {
        std::string name;
        std::uint8_t value = 0;
        std::uint64_t count = 0; // datagrams that set it
    };

    explicit EventLog(std::size_t limit) : limit_(limit) {}

    // One datagram of the event `name`: its value is the latest, its count grows by one. A new
    // name goes at the end. False, with nothing changed, for a new name beyond the limit.
    bool set(std::string&& name, std::uint8_t value);

    std::size_t size() const { return entries_.size(); }
    const Entry& operator[](std::size_t place) const { return entries_[place]; }

private:
    std::size_t limit_;
    std::vector<Entry> entries_;
    std::unordered_map<std::string, std::size_t> places_; // name -> index in entries_
};

} // namespace orvreceiver
