// The table operator's Info CHOP and Info DAT: how reception goes, as the host shows it beside
// the node, so a user sees without leaving the host whether datagrams arrive, which are
// dropped and why, and from whom (the sender's address to copy into "IP Filter").
//
// The host asks for a count (or size) first and then for each channel (or row): the count
// reads the receiver once, and the entries that follow show that one moment.
#include "OrvDat.h"

#include "plugin/DeckChannelName.h"
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
constexpr int kFixedChannelsBeforeDecks = 6;
constexpr int kChannelCount = kFixedChannelsBeforeDecks + orvlayout::kDeckCount + 1;

using ChannelNames = std::array<std::string, kChannelCount>;

ChannelNames makeChannelNames()
{
    ChannelNames names;
    const char* fixed[kFixedChannelsBeforeDecks] = {
        "connected", "datagrams", "filtered", "ignored", "decode_errors", "last_datagram_age"};
    for (int i = 0; i < kFixedChannelsBeforeDecks; ++i)
        names[static_cast<std::size_t>(i)] = fixed[i];
    for (int deck = 1; deck <= orvlayout::kDeckCount; ++deck)
    {
        names[static_cast<std::size_t>(kFixedChannelsBeforeDecks + deck - 1)] =
            orvplugin::deckChannelName(deck, "age");
    }
    names[kChannelCount - 1] = "events";
    return names;
}

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
    case kChannelCount - 1:
        return static_cast<float>(health.events);
    default:
        return static_cast<float>(
            health.deckAges[static_cast<std::size_t>(index - kFixedChannelsBeforeDecks)]);
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
    InfoRowCount
};

constexpr const char* kRowNames[InfoRowCount] = {
    "bound_address", "bound_port",           "group_joined",
    "last_sender",   "last_filtered_sender", orvplugin::kVersionRowName};

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
    return kChannelCount;
}

void OrvDat::getInfoCHOPChan(int32_t index, TD::OP_InfoCHOPChan* chan, void*)
{
    if (chan == nullptr || index < 0 || index >= kChannelCount)
        return;
    // Built once, on the first call (thread-safe), and only read afterwards.
    static const ChannelNames names = makeChannelNames();
    chan->name->setString(names[static_cast<std::size_t>(index)].c_str());
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
    infoSize->rows = InfoRowCount;
    infoSize->cols = 2;
    infoSize->byColumn = false;
    return true;
}

void OrvDat::getInfoDATEntries(int32_t index, int32_t nEntries, TD::OP_InfoDATEntries* entries,
                               void*)
{
    if (index < 0 || index >= InfoRowCount)
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
    orvplugin::fillInfoRow(entries, nEntries, kRowNames[index], value);
}
