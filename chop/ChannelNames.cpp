#include "ChannelNames.h"

#include "plugin/DeckChannelName.h"
#include "protocol/NodeLayout.h"

#include <array>
#include <string>

namespace orvchannels
{

namespace
{

using Names = std::array<std::string, orvlayout::kChannelCount>;

Names makeNames()
{
    using namespace orvlayout;
    Names names;
    for (const FieldPlace& place : kControlPlaces)
    {
        if (place.channel != kNoChannel)
            names[static_cast<std::size_t>(place.channel)] = place.name;
    }
    for (int deck = 1; deck <= kDeckCount; ++deck)
    {
        for (const FieldPlace& place : kDeckPlaces)
        {
            if (place.channel != kNoChannel)
            {
                names[static_cast<std::size_t>(deckChannel(deck, place.channel))] =
                    orvplugin::deckChannelName(deck, place.name);
            }
        }
    }
    names[kUnusedChannel] = "reserved";
    return names;
}

} // namespace

const char* descriptiveName(int32_t index)
{
    // Built once, on the first call (thread-safe), and only read afterwards.
    static const Names names = makeNames();
    if (index < 0 || index >= orvlayout::kChannelCount)
        return "chan1";
    return names[static_cast<std::size_t>(index)].c_str();
}

} // namespace orvchannels
