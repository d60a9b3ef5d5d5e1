#include "msgpack/MsgPack.h"

#include <algorithm>
#include <vector>

namespace orvpack
{

const KnownStrings& KnownStrings::create(const std::vector<std::string_view>& strings)
{
    // Deliberately never destroyed: decoded values hold uncounted handles on its strings.
    return *new KnownStrings(strings);
}

KnownStrings::KnownStrings(const std::vector<std::string_view>& strings)
{
    std::vector<std::string_view> kept;
    for (std::string_view text : strings)
    {
        const bool fits = !text.empty() && text.size() <= longest;
        if (fits && std::find(kept.begin(), kept.end(), text) == kept.end())
        {
            kept.push_back(text);
        }
    }
    std::stable_sort(kept.begin(), kept.end(),
                     [](std::string_view a, std::string_view b) { return a.size() < b.size(); });

    m_owners.reserve(kept.size());
    for (std::string_view text : kept)
    {
        auto& range = m_by_length[text.size()];
        if (range.first == range.second)
        {
            range = {m_owners.size(), m_owners.size()};
        }
        m_owners.emplace_back(std::string(text));
        ++range.second;
    }
    for (const MsgPack& owner : m_owners)
    {
        m_values.push_back(MsgPack::uncounted(owner));
        m_bytes.push_back(owner.string_value().data());
    }
}

const MsgPack* KnownStrings::find(const unsigned char* bytes, size_t length) const
{
    if (length == 0 || length > longest)
    {
        return nullptr;
    }
    const auto [first, last] = m_by_length[length];
    for (size_t k = first; k < last; ++k)
    {
        // The first and last bytes tell most strings of one length apart; for strings this
        // short a plain loop beats a call to memcmp.
        const char* text = m_bytes[k];
        if (text[0] != static_cast<char>(bytes[0]) ||
            text[length - 1] != static_cast<char>(bytes[length - 1]))
        {
            continue;
        }
        size_t i = 1;
        while (i + 1 < length && text[i] == static_cast<char>(bytes[i]))
        {
            ++i;
        }
        if (i + 1 >= length)
        {
            return &m_values[k];
        }
    }
    return nullptr;
}

} // namespace orvpack
