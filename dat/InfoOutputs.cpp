// The table operator's Info CHOP and Info DAT: how reception goes, as the host shows it beside
// the node, so a user sees without leaving the host whether datagrams arrive, which are
// dropped and why, and from whom (the sender's address to copy into "IP Filter").
//
// The host asks for a count (or size) first and then for each channel (or row): the count
// reads the receiver once, and the entries that follow show that one moment.
#include "OrvDat.h"

#include "plugin/VersionInfo.h"
#include "protocol/NodeLayout.h"

#include <array>
#include <charconv>
#include <cstddef>
#include <string>

namespace
{

// connected, datagrams, filtered, ignored, decode_errors, last_datagram_age, deck1_age ..
// deckN_age, events.
constexpr int fixedChannelsBeforeDecks = 6;
constexpr int channelCount = fixedChannelsBeforeDecks + orvlayout::deckCount + 1;

// The names as fixed texts, made at compile time: handing one over allocates nothing.
struct ChannelName
{
    char text[24] = {};
};

constexpr ChannelName nameOf(const char* text)
{
    ChannelName name;
    for (std::size_t i = 0; text[i] != '\0' && i + 1 < sizeof name.text; ++i)
        name.text[i] = text[i];
    return name;
}

static_assert(orvlayout::deckCount <= 9, "deck channel names carry one digit");

constexpr std::array<ChannelName, channelCount> makeChannelNames()
{
    std::array<ChannelName, channelCount> names{};
    const char* fixed[fixedChannelsBeforeDecks] = {
        "connected", "datagrams", "filtered", "ignored", "decode_errors", "last_datagram_age"};
    for (int i = 0; i < fixedChannelsBeforeDecks; ++i)
        names[static_cast<std::size_t>(i)] = nameOf(fixed[i]);
    for (int deck = 1; deck <= orvlayout::deckCount; ++deck)
    {
        ChannelName name = nameOf("deck?_age");
        name.text[4] = static_cast<char>('0' + deck);
        names[static_cast<std::size_t>(fixedChannelsBeforeDecks + deck - 1)] = name;
    }
    names[channelCount - 1] = nameOf("events");
    return names;
}

constexpr std::array<ChannelName, channelCount> channelNames = makeChannelNames();

float channelValue(int index, const ReceiverHealth& health)
{
    switch (index)
    {
    case 0:
        return health.connected ? 1.0f : 0.0f;
    case 1:
        return static_cast<float>(health.datagrams);
    case 2:
        return static_cast<float>(health.filtered);
    case 3:
        return static_cast<float>(health.ignored);
    case 4:
        return static_cast<float>(health.decodeErrors);
    case 5:
        return static_cast<float>(health.lastDatagramAge);
    case channelCount - 1:
        return static_cast<float>(health.events);
    default:
        return static_cast<float>(
            health.deckAges[static_cast<std::size_t>(index - fixedChannelsBeforeDecks)]);
    }
}

enum InfoRow
{
    BoundAddressRow,
    BoundPortRow,
    GroupJoinedRow,
    LastSenderRow,
    LastFilteredSenderRow,
    VersionRow,
    infoRowCount
};

constexpr const char* rowNames[infoRowCount] = {"bound_address",        "bound_port",
                                                "group_joined",         "last_sender",
                                                "last_filtered_sender", orvplugin::kVersionRowName};

// The port as text into `out`, or "" when nothing is bound. Five digits fit the string's own
// room, so this allocates nothing.
void portText(std::uint16_t port, std::string& out)
{
    out.clear();
    if (port == 0)
        return;
    char digits[8];
    const auto end = std::to_chars(digits, digits + sizeof digits, port).ptr;
    out.append(digits, end);
}

} // namespace

int32_t OrvDat::getNumInfoCHOPChans(void*)
{
    try
    {
        read(infoHealth_);
    }
    catch (...)
    {
        // Only std::bad_alloc can get here; the channels show the moment read before.
    }
    return channelCount;
}

void OrvDat::getInfoCHOPChan(int32_t index, TD::OP_InfoCHOPChan* chan, void*)
{
    if (chan == nullptr || index < 0 || index >= channelCount)
        return;
    chan->name->setString(channelNames[static_cast<std::size_t>(index)].text);
    chan->value = channelValue(index, infoHealth_);
}

bool OrvDat::getInfoDATSize(TD::OP_InfoDATSize* infoSize, void*)
{
    if (infoSize == nullptr)
        return false;
    try
    {
        read(infoHealth_);
    }
    catch (...)
    {
        // As above: the rows show the moment read before.
    }
    infoSize->rows = infoRowCount;
    infoSize->cols = 2;
    infoSize->byColumn = false;
    return true;
}

void OrvDat::getInfoDATEntries(int32_t index, int32_t nEntries, TD::OP_InfoDATEntries* entries,
                               void*)
{
    if (index < 0 || index >= infoRowCount)
        return;
    const char* value = orvversion::kVersionText;
    switch (index)
    {
    case BoundAddressRow:
        value = infoHealth_.boundAddress.c_str();
        break;
    case BoundPortRow:
        portText(infoHealth_.boundPort, infoText_);
        value = infoText_.c_str();
        break;
    case GroupJoinedRow:
        value = infoHealth_.groupJoined ? "1" : "0";
        break;
    case LastSenderRow:
        value = infoHealth_.lastSender.c_str();
        break;
    case LastFilteredSenderRow:
        value = infoHealth_.lastFilteredSender.c_str();
        break;
    default: // VersionRow
        break;
    }
    orvplugin::fillInfoRow(entries, nEntries, rowNames[index], value);
}
