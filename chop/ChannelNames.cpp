#include "ChannelNames.h"

#include "plugin/DeckChannelName.h"
#include "protocol/NodeLayout.h"

#include <array>
#include <string>

namespace orvchannels
{

namespace
{

using Names = std::array<std::string, orvlayout::channelCount>;

Names makeNames()
{
    using namespace orvlayout;
    Names names;
    for (const FieldPlace& place : controlPlaces)
    {
        if (place.channel != noChannel)
            names[static_cast<std::size_t>(place.channel)] = place.name;
    }
    for (int deck = 1; deck <= deckCount; ++deck)
    {
        for (const FieldPlace& place : deckPlaces)
        {
            if (place.channel != noChannel)
            {
                names[static_cast<std::size_t>(deckChannel(deck, place.channel))] =
                    orvplugin::deckChannelName(deck, place.name);
            }
        }
    }
    names[unusedChannel] = "reserved";
    return names;
}

} // namespace

const char* descriptiveName(int32_t index)
{
    // Built once, on the first call (thread-safe), and only read afterwards.
    static const Names names = makeNames();
    if (index < 0 || index >= orvlayout::channelCount)
        return "chan1";
    return names[static_cast<std::size_t>(index)].c_str();
}

} // namespace orvchannels
