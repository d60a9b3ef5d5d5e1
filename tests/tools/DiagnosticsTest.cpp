// When the monitor counts a snapshot as "nothing has arrived", and what it says then.
#include "view/Diagnostics.h"

#include <gtest/gtest.h>

namespace orvtool
{
namespace
{

// What a connected node shows before any datagram: labels, empty texts, zeros.
Snapshot freshNode()
{
    Snapshot snapshot;
    snapshot.connected = true;
    snapshot.table.resize(18, 5);
    for (int32_t row = 1; row < 18; ++row)
    {
        for (int32_t col = 1; col < 5; ++col)
        {
            orvharness::TableCell* cell = snapshot.table.cellForWrite(row, col);
            cell->kind = row <= 4 ? orvharness::CellKind::Text : orvharness::CellKind::Number;
        }
    }
    return snapshot;
}

TEST(Diagnostics, OnlyADatagramCountsAsSomethingArriving)
{
    Snapshot snapshot = freshNode();
    EXPECT_TRUE(nothingReceived(snapshot));

    // Texts a node sets with no datagram at all.
    for (const char* text : {"Error Creating Socket: 98", "IP is empty", "Port is 0",
                             "Error setting multicast option: 19"})
    {
        snapshot.error = text;
        EXPECT_TRUE(nothingReceived(snapshot)) << text;
    }
    snapshot.error.clear();
    snapshot.warning = "Error Receiving: 11";
    EXPECT_TRUE(nothingReceived(snapshot));

    // The decoder's texts come with a datagram.
    snapshot.warning = "format error.";
    EXPECT_FALSE(nothingReceived(snapshot));
    snapshot.warning.clear();
    snapshot.error = "end of buffer.";
    EXPECT_FALSE(nothingReceived(snapshot));

    Snapshot withNumber = freshNode();
    withNumber.table.cellForWrite(10, 2)->number = 124.0;
    EXPECT_FALSE(nothingReceived(withNumber));
    Snapshot withEvent = freshNode();
    withEvent.table.resize(19, 5);
    EXPECT_FALSE(nothingReceived(withEvent));
}

bool anyLine(const std::vector<std::string>& lines, const std::string& part)
{
    for (const std::string& line : lines)
    {
        if (line.find(part) != std::string::npos)
            return true;
    }
    return false;
}

TEST(Diagnostics, TheLinesFitTheNodesSettings)
{
    Snapshot snapshot = freshNode();
    snapshot.connected = false;
    snapshot.error = "Error Creating Socket: 98";
    snapshot.node.ip = "192.0.2.77";
    snapshot.node.port = 3650;
    snapshot.node.multicast = true;
    snapshot.node.filter = "192.0.2.5";
    const std::vector<orv::udp::Ipv4Interface> interfaces = {
        {"lo", "127.0.0.1", "255.0.0.0", true, true, false, ""},
        {"eth0", "192.0.2.2", "255.255.255.0", true, false, true, "192.0.2.255"},
    };
    const std::vector<std::string> lines = silenceDiagnostics(snapshot, 5.0, interfaces);
    EXPECT_EQ(lines.front(), "Nothing has arrived in 5 s.");
    EXPECT_TRUE(anyLine(lines, "NOT connected: Error Creating Socket: 98"));
    EXPECT_TRUE(anyLine(lines, "(error 98 is \""));
    EXPECT_TRUE(anyLine(lines, "eth0      192.0.2.2        255.255.255.0    up, multicast"));
    EXPECT_TRUE(anyLine(lines, "192.0.2.77 is no address of this machine"));
    EXPECT_TRUE(anyLine(lines, "the filter 192.0.2.5 must be the sender's exact address"));
    EXPECT_TRUE(anyLine(lines, "use --ip 0.0.0.0 --multicast"));
    EXPECT_TRUE(anyLine(lines, "firewall"));

    snapshot.node.ip = "0.0.0.0";
    snapshot.node.multicast = false;
    snapshot.node.filter.clear();
    const std::vector<std::string> open = silenceDiagnostics(snapshot, 5.0, interfaces);
    EXPECT_FALSE(anyLine(open, "is no address of this machine"));
    EXPECT_FALSE(anyLine(open, "the filter"));
    EXPECT_TRUE(anyLine(open, "add --multicast"));
}

} // namespace
} // namespace orvtool
