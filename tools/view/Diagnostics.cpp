#include "view/Diagnostics.h"

#include "net/Udp.h"
#include "protocol/NodeLayout.h"
#include "protocol/WireSchema.h"
#include "view/TextFormat.h"

#include <cstring>

namespace orvtool
{

namespace
{

std::string padded(std::string text, size_t width)
{
    if (text.size() < width)
        text.resize(width, ' ');
    return text;
}

// The texts a node sets without any datagram having arrived: its connect failures and its
// receive errors. Every other text (a decoder's "end of buffer.", ...) came with a datagram.
bool isSocketText(const std::string& text)
{
    static const char* const kPrefixes[] = {
        "Already running",
        "IP is empty",
        "Port is 0",
        "Socket creation failed",
        "Error Creating Socket: ",
        "Error setting multicast option: ",
        "Error starting receive thread: ",
        "Error Receiving: ",
    };
    for (const char* prefix : kPrefixes)
    {
        if (text.rfind(prefix, 0) == 0)
            return true;
    }
    return false;
}

// The system's words for the error number at the end of a node's text, if it ends in one.
std::string errnoMeaning(const std::string& text)
{
    const size_t colon = text.rfind(": ");
    if (colon == std::string::npos || colon + 2 >= text.size())
        return "";
    const std::string digits = text.substr(colon + 2);
    if (digits.find_first_not_of("0123456789") != std::string::npos || digits.size() > 5)
        return "";
    return orv::udp::errorText(std::stoi(digits));
}

} // namespace

bool nothingReceived(const Snapshot& snapshot)
{
    if ((!snapshot.error.empty() && !isSocketText(snapshot.error)) ||
        (!snapshot.warning.empty() && !isSocketText(snapshot.warning)))
        return false;
    const orvharness::Table& table = snapshot.table;
    if (table.rows() > orvlayout::kFixedRows)
        return false;
    for (int32_t row = 1; row < table.rows(); ++row)
    {
        for (int32_t col = 1; col < table.cols(); ++col)
        {
            const orvharness::TableCell& cell = table.cell(row, col);
            if (cell.kind == orvharness::CellKind::Text && !cell.text.empty())
                return false;
            if ((cell.kind == orvharness::CellKind::Number ||
                 cell.kind == orvharness::CellKind::Int) &&
                cell.number != 0.0)
                return false;
        }
    }
    return true;
}

std::string withErrorMeaning(const std::string& nodeText)
{
    const std::string meaning = errnoMeaning(nodeText);
    return meaning.empty() ? nodeText : nodeText + " (" + meaning + ")";
}

bool sameContent(const Snapshot& a, const Snapshot& b)
{
    if (a.error != b.error || a.warning != b.warning || a.table.rows() != b.table.rows() ||
        a.table.cols() != b.table.cols() || a.channels.size() != b.channels.size())
        return false;
    for (int32_t row = 0; row < a.table.rows(); ++row)
    {
        for (int32_t col = 0; col < a.table.cols(); ++col)
        {
            const orvharness::TableCell& x = a.table.cell(row, col);
            const orvharness::TableCell& y = b.table.cell(row, col);
            if (x.kind != y.kind || x.text != y.text)
                return false;
        }
    }
    for (size_t i = 0; i < a.channels.size(); ++i)
    {
        // Bit-for-bit, so that NaN (never written) equals NaN.
        if (std::memcmp(&a.channels[i], &b.channels[i], sizeof(float)) != 0)
            return false;
    }
    return true;
}

std::vector<std::string> silenceDiagnostics(const Snapshot& snapshot, double silentSeconds,
                                            const std::vector<orv::udp::Ipv4Interface>& interfaces)
{
    const NodeSettings& node = snapshot.node;
    const std::string port = std::to_string(node.port);
    std::vector<std::string> lines;
    lines.push_back("Nothing has arrived in " + fixedText(silentSeconds, 0) + " s.");
    if (!snapshot.connected)
        lines.push_back("The node is NOT connected" +
                        (snapshot.error.empty() ? std::string(".") : ": " + snapshot.error));
    else if (!snapshot.error.empty())
        lines.push_back("The node's error text: " + snapshot.error);
    const std::string meaning = errnoMeaning(snapshot.error);
    if (!meaning.empty())
        lines.push_back("  (error " + snapshot.error.substr(snapshot.error.rfind(": ") + 2) +
                        " is \"" + meaning + "\" on this system)");
    lines.push_back(std::string(snapshot.connected ? "The node listens on UDP "
                                                   : "The node is set to listen on UDP ") +
                    node.ip + ":" + port +
                    (node.multicast ? std::string(", group ") + orvprotocol::kMulticastGroup
                                    : ", multicast off") +
                    (node.filter.empty() ? ", any sender." : ", only from " + node.filter + "."));

    bool ipIsLocal = node.ip == "0.0.0.0";
    lines.push_back("IPv4 interfaces of this machine:");
    if (interfaces.empty())
        lines.push_back("  (none could be read)");
    for (const orv::udp::Ipv4Interface& address : interfaces)
    {
        ipIsLocal = ipIsLocal || address.address == node.ip;
        std::string flags = address.up ? "up" : "down";
        if (address.loopback)
            flags += ", loopback";
        if (address.multicast)
            flags += ", multicast";
        lines.push_back("  " + padded(address.name, 10) + padded(address.address, 17) +
                        padded(address.netmask, 17) + flags);
    }

    lines.push_back("Usual causes:");
    lines.push_back("- the sender sends elsewhere: it must send to port " + port + " of " +
                    (node.ip == "0.0.0.0" ? std::string("an address above") : node.ip));
    if (node.ip.rfind("127.", 0) == 0)
        lines.push_back("- " + node.ip +
                        " hears only senders on this machine; for a sender "
                        "on the network use --ip with an address above, or 0.0.0.0");
    if (!ipIsLocal)
        lines.push_back("- " + node.ip + " is no address of this machine (see above)");
    lines.push_back("- a firewall drops UDP port " + port +
                    " (Linux: ufw, firewalld, nftables; macOS: Firewall; Windows: Defender)");
    if (!node.filter.empty())
        lines.push_back("- the filter " + node.filter +
                        " must be the sender's exact address; leave --filter out to accept all");
    if (node.multicast && node.ip != "0.0.0.0")
        lines.push_back("- multicast: on Linux and macOS a node bound to a unicast address sees "
                        "no group traffic; use --ip 0.0.0.0 --multicast");
    if (!node.multicast)
        lines.push_back(std::string("- the sender sends to the group ") +
                        orvprotocol::kMulticastGroup +
                        ": add --multicast (and --ip 0.0.0.0 on Linux and macOS)");
    lines.push_back("- another program holds port " + port +
                    " (then the node shows \"Error Creating Socket: " +
                    std::to_string(orv::udp::kAddressInUseError) + "\")");
    return lines;
}

} // namespace orvtool
