// The socket layer's promises that differ most between platforms: a long datagram arrives
// as its first bytes with its sender, an ICMP "port unreachable" for an earlier send is no
// receive error, the wake-up ends a blocked receive, sockets open safely from several
// threads at once, and no socket is handed down to a program the process starts.
// Winsock's header must come before anything that brings in windows.h (it brings it in).
#ifdef _WIN32
#include <winsock2.h>
#else
#include <fcntl.h>
#endif

#include "TestReceiver.h"
#include "WaitUntil.h"

#include "support/LoopbackSocket.h"
#include "support/UdpPorts.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

namespace
{

int receive(orvsupport::LoopbackSocket& socket, std::string& data, std::string& sender,
            std::size_t capacity = 4096)
{
    std::vector<char> buffer(capacity);
    char senderText[orv::udp::kAddressTextSize];
    const int size =
        orv::udp::receiveFrom(socket.handle(), buffer.data(), buffer.size(), senderText);
    data.assign(buffer.data(), size > 0 ? static_cast<std::size_t>(size) : 0);
    sender = senderText;
    return size;
}

// Whether a program this process starts would get the socket too.
bool inheritable(orv::SocketHandle socket)
{
#ifdef _WIN32
    DWORD flags = 0;
    return GetHandleInformation(reinterpret_cast<HANDLE>(socket), &flags) == 0 ||
           (flags & HANDLE_FLAG_INHERIT) != 0;
#else
    const int flags = fcntl(socket, F_GETFD);
    return flags < 0 || (flags & FD_CLOEXEC) == 0;
#endif
}

} // namespace

TEST(SocketLayer, LongDatagramArrivesAsItsFirstBytesWithItsSender)
{
    orvsupport::LoopbackSocket receiver;
    orvsupport::LoopbackSocket sender;
    ASSERT_TRUE(receiver.bound() && sender.bound());
    std::string longDatagram(5000, 'x');
    for (std::size_t i = 0; i < longDatagram.size(); ++i)
    {
        longDatagram[i] = static_cast<char>('a' + i % 26);
    }
    ASSERT_TRUE(sender.send(receiver.port(), longDatagram));
    ASSERT_TRUE(sender.send(receiver.port(), "next"));

    std::vector<char> buffer(4096);
    char from[orv::udp::kAddressTextSize];
    std::uint16_t fromPort = 0;
    ASSERT_EQ(
        orv::udp::receiveFrom(receiver.handle(), buffer.data(), buffer.size(), from, &fromPort),
        4096)
        << "error " << orv::udp::lastError();
    EXPECT_EQ(std::string(buffer.data(), buffer.size()), longDatagram.substr(0, 4096));
    EXPECT_STREQ(from, "127.0.0.1");
    EXPECT_EQ(fromPort, sender.port());

    std::string data;
    std::string fromText;
    // The rest of the long datagram is gone, not left for the next receive.
    ASSERT_EQ(receive(receiver, data, fromText), 4);
    EXPECT_EQ(data, "next");
}

TEST(SocketLayer, PortUnreachableForAnEarlierSendIsNoReceiveError)
{
    const std::uint16_t closedPort = orvsupport::freeUdpPort();
    orvsupport::LoopbackSocket receiver;
    orvsupport::LoopbackSocket sender;
    // Nobody listens there: loopback answers with ICMP "port unreachable".
    ASSERT_TRUE(receiver.send(closedPort, "\x09"));
    ASSERT_TRUE(sender.send(receiver.port(), "state"));

    std::string data;
    std::string from;
    EXPECT_EQ(receive(receiver, data, from), 5) << "error " << orv::udp::lastError();
    EXPECT_EQ(data, "state");
}

TEST(SocketLayer, WakeReceiverEndsABlockedReceive)
{
    orvsupport::LoopbackSocket receiver;
    std::atomic<bool> returned{false};
    std::thread blocked(
        [&]
        {
            std::string data;
            std::string from;
            receive(receiver, data, from);
            returned.store(true);
        });
    // Give the thread time to block; the wake-up must work whether it has or not.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    orv::udp::wakeReceiver(receiver.handle());
    EXPECT_TRUE(waitUntil([&] { return returned.load(); }, std::chrono::seconds(5)));
    if (!returned.load())
    {
        // Unblock it for the join, whatever the layer did.
        orvsupport::LoopbackSocket().send(receiver.port(), "x");
    }
    blocked.join();
}

TEST(SocketLayer, SocketsOpenFromSeveralThreadsAtOnce)
{
    constexpr int threads = 8;
    constexpr int socketsPerThread = 40;
    std::atomic<int> failures{0};
    std::vector<std::thread> openers;
    for (int t = 0; t < threads; ++t)
    {
        openers.emplace_back(
            [&]
            {
                for (int i = 0; i < socketsPerThread; ++i)
                {
                    orvsupport::LoopbackSocket socket;
                    if (!socket.bound() || socket.port() == 0)
                    {
                        failures.fetch_add(1);
                    }
                }
            });
    }
    for (std::thread& opener : openers)
    {
        opener.join();
    }
    EXPECT_EQ(failures.load(), 0);
}

TEST(SocketLayer, ProgramsTheProcessStartsInheritNoSocket)
{
    // A child that kept the receiver's socket would hold its port after the node let it go.
    TestReceiver receiver;
    receiver.connect();
    ASSERT_TRUE(receiver.isConnected()) << receiver.errorTextCopy();
    EXPECT_FALSE(inheritable(receiver.socketFd()));

    orvsupport::LoopbackSocket toolSocket;
    ASSERT_TRUE(toolSocket.bound()) << toolSocket.error();
    EXPECT_FALSE(inheritable(toolSocket.handle()));
}
