// Loopback sockets and free ports on real sockets: what a test or benchmark binds, holds and
// sends, and what the port probes say about it. (The descriptor counts are checked where they
// are used, in the receiver's and the stress suites.)
#include "support/LoopbackSocket.h"
#include "support/UdpPorts.h"

#include <gtest/gtest.h>

namespace
{

using orvsupport::LoopbackSocket;

// One datagram the socket received within two seconds; "" when none came.
std::string receiveOne(LoopbackSocket& socket, orv::net::ReceivedDatagram& info)
{
    char buffer[64];
    std::string error;
    if (socket.receive(buffer, sizeof buffer, 2000, info, error) != 1)
    {
        return "";
    }
    return std::string(buffer, info.size);
}

} // namespace

TEST(LoopbackSocket, SendsFromItsOwnPortToAnotherSocket)
{
    LoopbackSocket receiver;
    LoopbackSocket sender("127.0.0.1");
    ASSERT_TRUE(receiver.bound()) << receiver.error();
    ASSERT_TRUE(sender.bound()) << sender.error();
    EXPECT_NE(receiver.port(), 0);

    ASSERT_TRUE(sender.send(receiver.port(), std::string("one")));
    orv::net::ReceivedDatagram info;
    EXPECT_EQ(receiveOne(receiver, info), "one");
    EXPECT_EQ(info.from.text(), "127.0.0.1:" + std::to_string(sender.port()));

    ASSERT_TRUE(sender.send(receiver.port(), std::string("two"), "127.0.0.1"));
    EXPECT_EQ(receiveOne(receiver, info), "two");
    EXPECT_FALSE(sender.send(receiver.port(), std::string("three"), "not an address"));
}

TEST(LoopbackSocket, AFailedBindLeavesAClosedSocketAndItsReason)
{
    const LoopbackSocket holder;
    ASSERT_TRUE(holder.bound());
    LoopbackSocket second("127.0.0.1", holder.port());
    EXPECT_FALSE(second.bound());
    EXPECT_EQ(second.port(), 0);
    EXPECT_NE(second.error().find("uses that port"), std::string::npos) << second.error();
    EXPECT_FALSE(second.send(holder.port(), std::string("x")));

    const LoopbackSocket misspelt("127.0.0.x");
    EXPECT_FALSE(misspelt.bound());
    EXPECT_EQ(misspelt.error(), "not an IPv4 address: 127.0.0.x");
}

TEST(UdpPorts, APreferredPortWhenFreeAnotherWhenHeld)
{
    std::string error;
    const std::uint16_t free = orvsupport::freeUdpPort();
    ASSERT_NE(free, 0);
    EXPECT_TRUE(orvsupport::udpPortIsFree("127.0.0.1", free));
    EXPECT_EQ(orvsupport::freeUdpPort("127.0.0.1", free, error), free);

    const LoopbackSocket holder("127.0.0.1", free);
    ASSERT_TRUE(holder.bound()) << holder.error();
    EXPECT_FALSE(orvsupport::udpPortIsFree("127.0.0.1", free));
    const std::uint16_t other = orvsupport::freeUdpPort("127.0.0.1", free, error);
    EXPECT_NE(other, 0) << error;
    EXPECT_NE(other, free);

    EXPECT_EQ(orvsupport::freeUdpPort("no address", 0, error), 0);
    EXPECT_EQ(error, "not an IPv4 address: no address");
    EXPECT_EQ(orvsupport::loopbackText(3650), "127.0.0.1:3650");
}
