#include "receiver/EventLog.h"

#include <utility>

namespace orvreceiver
{

bool EventLog::set(std::string&& name, std::uint8_t value)
{
    const auto known = places_.find(name);
    if (known != places_.end())
    {
        Entry& entry = entries_[known->second];
        entry.value = value;
        ++entry.count;
        return true;
    }
    if (entries_.size() >= limit_)
    {
        return false;
    }
    // The index first: if the entry cannot be added, the index entry goes again.
    const auto placed = places_.emplace(name, entries_.size()).first;
    try
    {
        entries_.push_back(Entry{std::move(name), value, 1});
    }
    catch (...)
    {
        places_.erase(placed);
        throw;
    }
    return true;
}

} // namespace orvreceiver
