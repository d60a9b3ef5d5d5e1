#include "ChannelNames.h"

#include "plugin/DeckChannelName.h"
#include "protocol/Protocol.h"

#include <array>
#include <string>

namespace orvchannels
{

namespace
{

using Names = std::array<std::string, orvprotocol::channelCount>;

Names makeNames()
{
    using namespace orvprotocol;
    Names names;
    for (const Key<Control>& key : controlKeys)
    {
        if (key.channel != noChannel)
            names[static_cast<std::size_t>(key.channel)] = key.name;
    }
    for (int deck = 1; deck <= deckCount; ++deck)
    {
        for (const Key<Deck>& key : deckKeys)
        {
            if (key.channel != noChannel)
                names[static_cast<std::size_t>(deckChannel(deck, key.channel))] =
                    orvplugin::deckChannelName(deck, key.name);
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
    if (index < 0 || index >= orvprotocol::channelCount)
        return "chan1";
    return names[static_cast<std::size_t>(index)].c_str();
}

} // namespace orvchannels
