#include "view/HealthText.h"

#include "protocol/NodeLayout.h"
#include "protocol/WireSchema.h"
#include "view/TextFormat.h"

#include <cmath>

namespace orvtool
{

namespace
{

// "1234 datagrams", "1 datagram"; "- datagrams" for a channel the node does not show.
std::string counted(double count, const std::string& noun, const std::string& plural)
{
    if (!std::isfinite(count))
        return "- " + plural;
    const long long whole = std::llround(count);
    return std::to_string(whole) + " " + (whole == 1 ? noun : plural);
}

std::string countLine(const NodeInfo& info)
{
    return "Accepted " + counted(info.channel("datagrams"), "datagram", "datagrams") +
           " (dropped: " + counted(info.channel("filtered"), "filtered", "filtered") + ", " +
           counted(info.channel("ignored"), "ignored", "ignored") + ", " +
           counted(info.channel("decode_errors"), "decode error", "decode errors") + ")";
}

std::string ageLine(const NodeInfo& info)
{
    const double last = info.channel("last_datagram_age");
    std::string line = "Last " + (last >= 0.0 ? ageText(last) + " ago" : ageText(last));
    for (int deck = 1; deck <= orvlayout::kDeckCount; ++deck)
    {
        // "Deck A" .. "Deck D": the letter the table's columns carry.
        const std::string letter(1, orvlayout::kDeckHeaders[deck - 1][5]);
        line += (deck == 1 ? "; decks " : ", ") + letter + " " +
                ageText(info.channel("deck" + std::to_string(deck) + "_age"));
    }
    return line + "; " + counted(info.channel("events"), "event", "events");
}

// Who sent last (the address "IP Filter" takes) and where the node listens.
std::string addressLine(const NodeInfo& info)
{
    const std::string sender = info.row("last_sender");
    const std::string filtered = info.row("last_filtered_sender");
    const std::string address = info.row("bound_address");
    std::string line = "From " + (sender.empty() ? std::string("nobody yet") : sender);
    // The latest sender was the filtered one, or another came after it.
    if (!filtered.empty())
        line += filtered == sender ? " (filtered)" : " (last filtered: " + filtered + ")";
    if (address.empty())
        return line + "; not bound";
    line += "; bound " + address + ":" + info.row("bound_port");
    if (info.row("group_joined") == "1")
        line += ", group " + std::string(orvprotocol::kMulticastGroup) + " joined";
    return line;
}

} // namespace

std::string ageText(double seconds)
{
    if (!std::isfinite(seconds))
        return "-";
    if (seconds < 0.0)
        return "never";
    return fixedText(seconds, seconds < 10.0 ? 2 : 0) + " s";
}

std::vector<std::string> healthLines(const NodeInfo& info)
{
    if (info.channels.empty() && info.rows.empty())
        return {"Health: the node shows no Info CHOP or Info DAT (a bundle of another build?)"};
    return {countLine(info), ageLine(info), addressLine(info)};
}

} // namespace orvtool
