#include "msgpack/RecurringValues.h"

#include <algorithm>
#include <string_view>

namespace orvpack
{
namespace
{

// Every key that the DJ-side sender puts in a Control, Deck, Meta or Event map.
constexpr std::string_view wire_keys[] = {
    "UpfaderA", "UpfaderB", "Crossfader", "Active", // Control
    "Pitch",    "Position", "Position2",  "NormalizedPosition",
    "BPM",      "Length", // Deck
    "EQLow",    "EQMid",    "EQHigh",     "Deck",
    "Beat",                                           //
    "Title",    "Artist",   "Album",      "Filepath", // Meta
    "Event",    "Value",                              // Event
};

constexpr size_t longest_wire_key()
{
    size_t longest = 0;
    for (std::string_view key : wire_keys)
    {
        longest = std::max(longest, key.size());
    }
    return longest;
}
static_assert(longest_wire_key() == RecurringValues::longest_key);

} // namespace

const RecurringValues& RecurringValues::get()
{
    // Deliberately never destroyed (see the header).
    static const RecurringValues* const values = new RecurringValues();
    return *values;
}

RecurringValues::RecurringValues()
{
    const auto keep = [this](MsgPack value)
    {
        m_owners.push_back(std::move(value));
        return MsgPack::uncounted(m_owners.back());
    };
    m_owners.reserve(128 + 32 + std::size(wire_keys));
    for (int i = 0; i < 128; ++i)
    {
        m_unsigned[i] = keep(MsgPack(static_cast<uint8_t>(i)));
    }
    for (int i = 0; i < 32; ++i)
    {
        m_negative[i] = keep(MsgPack(static_cast<int8_t>(i - 32)));
    }

    std::vector<std::string_view> keys(std::begin(wire_keys), std::end(wire_keys));
    std::stable_sort(keys.begin(), keys.end(),
                     [](std::string_view a, std::string_view b) { return a.size() < b.size(); });
    for (std::string_view key : keys)
    {
        auto& range = m_keys_by_length[key.size()];
        if (range.first == range.second)
        {
            range = {m_keys.size(), m_keys.size()};
        }
        m_keys.push_back(keep(MsgPack(std::string(key))));
        ++range.second;
    }
    for (const MsgPack& key : m_keys)
    {
        m_key_bytes.push_back(key.string_value().data());
    }
}

} // namespace orvpack
