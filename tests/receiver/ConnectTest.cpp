// Connecting on loopback: the settings checks, the bound port, bind failures and the socket
// they leave, the discovery datagram and the multicast join.
// Winsock's header must come before anything that brings in windows.h.
#ifdef _WIN32
#include <winsock2.h>
#else
#include <sys/socket.h>
#endif

#include "TestReceiver.h"
#include "WaitUntil.h"

#include "support/LoopbackSocket.h"
#include "support/Payload.h"
#include "support/ProcessCounts.h"
#include "support/UdpPorts.h"

#include <gtest/gtest.h>

using orvsupport::Payload;

namespace
{

std::string deckDatagram(int deck, double bpm)
{
    return Payload().map(2).str("Deck").integer(deck).str("BPM").float64(bpm).datagram(1);
}

} // namespace

TEST(Connect, SettingsAreCheckedBeforeASocketOpens)
{
    TestReceiver receiver;
    const int descriptors = orvsupport::openDescriptorCount();
    receiver.ip = "";
    receiver.connect();
    EXPECT_EQ(receiver.errorTextCopy(), "IP is empty");
    EXPECT_EQ(receiver.socketFd(), orv::kInvalidSocket);
    EXPECT_FALSE(receiver.isConnected());

    receiver.ip = "127.0.0.1";
    receiver.port = 0;
    receiver.connect();
    EXPECT_EQ(receiver.errorTextCopy(), "Port is 0");
    EXPECT_EQ(receiver.socketFd(), orv::kInvalidSocket);
    EXPECT_EQ(orvsupport::openDescriptorCount(), descriptors);
}

TEST(Connect, OnlyTheLowSixteenBitsOfThePortReachTheSocket)
{
    const std::uint16_t port = orvsupport::freeUdpPort();
    TestReceiver receiver;
    receiver.port = port + 65536u;
    receiver.connect();
    ASSERT_TRUE(receiver.isConnected()) << receiver.errorTextCopy();
    EXPECT_EQ(orv::udp::localPort(receiver.socketFd()), port);

    // 65536 passes the zero check and binds port 0: the system picks one.
    TestReceiver picked;
    picked.port = 65536;
    picked.connect();
    EXPECT_TRUE(picked.isConnected());
    EXPECT_NE(orv::udp::localPort(picked.socketFd()), 0);
    EXPECT_EQ(picked.errorTextCopy(), "");
}

TEST(Connect, BindFailureKeepsTheSocketUntilTheNextDisconnect)
{
    orvsupport::LoopbackSocket taken;
    TestReceiver receiver;
    receiver.port = taken.port();
    const int descriptors = orvsupport::openDescriptorCount();

    receiver.connect();
    EXPECT_EQ(receiver.errorTextCopy(),
              "Error Creating Socket: " + std::to_string(orv::udp::kAddressInUseError));
    EXPECT_FALSE(receiver.isConnected());
    EXPECT_FALSE(receiver.receiveThread().joinable());
    EXPECT_NE(receiver.socketFd(), orv::kInvalidSocket);
    if (descriptors >= 0)
    {
        EXPECT_EQ(orvsupport::openDescriptorCount(), descriptors + 1);
    }

    // Reconnect: the old socket goes before a new one opens.
    receiver.disconnect();
    receiver.connect();
    if (descriptors >= 0)
    {
        EXPECT_EQ(orvsupport::openDescriptorCount(), descriptors + 1);
    }
    receiver.disconnect();
    EXPECT_EQ(receiver.socketFd(), orv::kInvalidSocket);
    if (descriptors >= 0)
    {
        EXPECT_EQ(orvsupport::openDescriptorCount(), descriptors);
    }

    // A connect that works shows no stale error and no stale warning.
    receiver.receive(std::string(1, '\0')); // a Control datagram with no payload
    ASSERT_EQ(receiver.warningTextCopy(), "end of buffer.");
    receiver.port = 65536;
    receiver.connect();
    EXPECT_TRUE(receiver.isConnected());
    EXPECT_EQ(receiver.errorTextCopy(), "");
    EXPECT_EQ(receiver.warningTextCopy(), "");
}

TEST(Connect, ConnectWhileRunningSaysAlreadyRunning)
{
    TestReceiver receiver;
    receiver.port = 65536;
    receiver.connect();
    ASSERT_TRUE(receiver.isConnected());
    const orv::SocketHandle socket = receiver.socketFd();
    receiver.connect();
    EXPECT_EQ(receiver.errorTextCopy(), "Already running");
    EXPECT_TRUE(receiver.isConnected());
    EXPECT_EQ(receiver.socketFd(), socket);
}

TEST(Connect, DiscoveryGoesFromTheBoundSocketToPort7000OfDotTwoFiftyFive)
{
    orvsupport::LoopbackSocket listener("127.0.0.255", orvprotocol::kDiscoveryPort);
    if (!listener.bound())
    {
        GTEST_SKIP() << listener.error() << "; discovery not checked";
    }
    TestReceiver receiver;
    receiver.port = 65536;
    receiver.connect();
    ASSERT_TRUE(receiver.isConnected());
    const std::uint16_t receiverPort = orv::udp::localPort(receiver.socketFd());
    // On a real network the .255 address is a broadcast address, which needs the permission.
    int broadcast = 0;
#ifdef _WIN32
    int length = sizeof broadcast;
    getsockopt(receiver.socketFd(), SOL_SOCKET, SO_BROADCAST, reinterpret_cast<char*>(&broadcast),
               &length);
#else
    socklen_t length = sizeof broadcast;
    getsockopt(receiver.socketFd(), SOL_SOCKET, SO_BROADCAST, &broadcast, &length);
#endif
    EXPECT_NE(broadcast, 0);

    // Other receivers on this machine may send their own discovery datagrams meanwhile.
    bool found = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!found && std::chrono::steady_clock::now() < deadline)
    {
        if (!orv::udp::waitReadable(listener.handle(), 100))
        {
            continue;
        }
        char buffer[16];
        char sender[orv::udp::kAddressTextSize];
        std::uint16_t senderPort = 0;
        const int size =
            orv::udp::receiveFrom(listener.handle(), buffer, sizeof buffer, sender, &senderPort);
        if (std::string(sender) == "127.0.0.1" && senderPort == receiverPort)
        {
            found = true;
            ASSERT_EQ(size, 1);
            EXPECT_EQ(static_cast<unsigned char>(buffer[0]), 0x09);
        }
    }
    EXPECT_TRUE(found);
}

TEST(Connect, MulticastJoinFailureLeavesItsTextWhileReceivingGoesOn)
{
    TestReceiver receiver;
    receiver.port = 65536;
    receiver.multicast = true;
    receiver.connect();
    ASSERT_TRUE(receiver.isConnected());
    const std::string text = receiver.errorTextCopy();
    if (text.empty())
    {
        std::cout << "[ multicast ] joined 239.0.0.1 on 127.0.0.1\n";
    }
    else
    {
        std::cout << "[ multicast ] join refused here: " << text << "\n";
        const std::string prefix = "Error setting multicast option: ";
        ASSERT_EQ(text.compare(0, prefix.size(), prefix), 0) << text;
        EXPECT_GT(std::stoi(text.substr(prefix.size())), 0) << text;
    }

    orvsupport::LoopbackSocket sender;
    sender.send(orv::udp::localPort(receiver.socketFd()), deckDatagram(3, 3.0));
    EXPECT_TRUE(waitUntil([&] { return receiver.getDeck(3).bpm == 3.0; }));
    EXPECT_EQ(receiver.errorTextCopy(), text);
}
