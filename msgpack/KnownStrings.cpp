#include "msgpack/KnownStrings.h"

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
        const bool fits = !text.empty() && text.size() <= kLongest;
        if (fits && std::find(kept.begin(), kept.end(), text) == kept.end())
        {
            kept.push_back(text);
        }
    }
    std::stable_sort(kept.begin(), kept.end(),
                     [](std::string_view a, std::string_view b) { return a.size() < b.size(); });

    owners_.reserve(kept.size());
    for (std::string_view text : kept)
    {
        auto& range = by_length_[text.size()];
        if (range.first == range.second)
        {
            range = {owners_.size(), owners_.size()};
        }
        owners_.emplace_back(std::string(text));
        ++range.second;
    }
    for (const MsgPack& owner : owners_)
    {
        values_.push_back(MsgPack::uncounted(owner));
        bytes_.push_back(owner.string_value().data());
    }
}

const MsgPack* KnownStrings::find(const unsigned char* bytes, size_t length) const
{
    if (length == 0 || length > kLongest)
    {
        return nullptr;
    }
    const auto [first, last] = by_length_[length];
    for (size_t k = first; k < last; ++k)
    {
        // The first and last bytes tell most strings of one length apart; for strings this
        // short a plain loop beats a call to memcmp.
        const char* text = bytes_[k];
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
            return &values_[k];
        }
    }
    return nullptr;
}

} // namespace orvpack
