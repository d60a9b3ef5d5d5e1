// Starting and stopping: prompt stops without traffic, thousands of back-to-back reconnects,
// destruction under a flood, and readers racing the receive thread.
#include "TestReceiver.h"
#include "WaitUntil.h"

#include "support/LoopbackSocket.h"
#include "support/Payload.h"
#include "support/ProcessCounts.h"
#include "support/UdpPorts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <iostream>
#include <memory>
#include <vector>

using orvsupport::Payload;

namespace
{

using Clock = std::chrono::steady_clock;

// Sanitizers, and Winsock (tested under Wine, where every socket call goes through the Wine
// server), slow each call down: the stop must still be prompt, within a looser bound.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__) || defined(_WIN32)
constexpr bool slowCalls = true;
#else
constexpr bool slowCalls = false;
#endif

std::string deckDatagram(int deck, double bpm)
{
    return Payload().map(2).str("Deck").integer(deck).str("BPM").float64(bpm).datagram(1);
}

// Sends `datagrams` round robin to 127.0.0.1:port from its own thread until destroyed.
class Flood
{
public:
    Flood(std::uint16_t port, std::vector<std::string> datagrams)
        : thread_(
              [this, port, datagrams]
              {
                  orvsupport::LoopbackSocket sender;
                  for (std::size_t i = 0; !stop.load(); ++i)
                  {
                      sender.send(port, datagrams[i % datagrams.size()]);
                      sent.fetch_add(1);
                  }
              })
    {
    }
    ~Flood()
    {
        stop.store(true);
        thread_.join();
    }

    std::atomic<bool> stop{false};
    std::atomic<long> sent{0};

private:
    std::thread thread_;
};

double milliseconds(Clock::duration duration)
{
    return std::chrono::duration<double, std::milli>(duration).count();
}

} // namespace

TEST(Lifecycle, StopWithoutTrafficIsPrompt)
{
    constexpr int rounds = 200;
    std::vector<double> stops;
    orvsupport::LoopbackSocket sender;
    for (int round = 0; round < rounds; ++round)
    {
        TestReceiver receiver;
        receiver.port = 65536;
        receiver.connect();
        ASSERT_TRUE(receiver.isConnected());
        // One datagram through, so the thread is past its start and back in its receive.
        sender.send(orv::udp::localPort(receiver.socketFd()), deckDatagram(1, 1.0));
        ASSERT_TRUE(waitUntil([&] { return receiver.getDeck(1).bpm == 1.0; }));
        const auto start = Clock::now();
        receiver.disconnect();
        stops.push_back(milliseconds(Clock::now() - start));
        EXPECT_FALSE(receiver.receiveThread().joinable());
    }
    std::sort(stops.begin(), stops.end());
    const double median = stops[rounds / 2];
    const double worst = stops.back();
    std::cout << "[ stop latency ] " << rounds << " idle stops: median " << median << " ms, max "
              << worst << " ms\n";
    RecordProperty("stop_median_ms", std::to_string(median));
    RecordProperty("stop_max_ms", std::to_string(worst));
    EXPECT_LT(median, slowCalls ? 5.0 : 1.0);
    EXPECT_LT(worst, 50.0);
}

TEST(Lifecycle, ThousandsOfReconnectsLeaveNoThreadOrSocket)
{
    const int descriptors = orvsupport::openDescriptorCount();
    TestReceiver receiver;
    receiver.port = 65536;
    const auto start = Clock::now();
    for (int pair = 0; pair < 2500; ++pair)
    {
        receiver.connect();
        ASSERT_TRUE(receiver.isConnected()) << pair << ": " << receiver.errorTextCopy();
        receiver.disconnect();
        ASSERT_FALSE(receiver.receiveThread().joinable()) << pair;
        ASSERT_FALSE(receiver.running()) << pair;
        ASSERT_FALSE(receiver.isConnected()) << pair;
    }
    std::cout << "[ reconnects ] 2500 pairs in " << milliseconds(Clock::now() - start) << " ms\n";
    EXPECT_EQ(receiver.socketFd(), orv::kInvalidSocket);
    EXPECT_EQ(receiver.errorTextCopy(), "");
    EXPECT_EQ(orvsupport::openDescriptorCount(), descriptors);
}

TEST(Lifecycle, DestructionWhileASenderFloods)
{
    const std::uint16_t port = orvsupport::freeUdpPort();
    Flood flood(port, {deckDatagram(1, 1.0), std::string("\x01\xc1", 2),
                       Payload().map(1).str("Event").str("x").datagram(4)});
    for (int round = 0; round < 20; ++round)
    {
        auto receiver = std::make_unique<TestReceiver>();
        receiver->port = port;
        receiver->connect();
        ASSERT_TRUE(receiver->isConnected()) << receiver->errorTextCopy();
        ASSERT_TRUE(waitUntil([&] { return receiver->getDeck(1).bpm == 1.0; }));
        const auto start = Clock::now();
        receiver.reset();
        EXPECT_LT(milliseconds(Clock::now() - start), 1000.0);
    }
    EXPECT_GT(flood.sent.load(), 0);
}

TEST(Lifecycle, ReadersRaceTheReceiveThreadSafely)
{
    TestReceiver receiver;
    receiver.port = 65536;
    receiver.connect();
    ASSERT_TRUE(receiver.isConnected());
    std::vector<std::string> datagrams;
    for (int i = 0; i < 64; ++i)
    {
        datagrams.push_back(deckDatagram(1 + i % 4, i));
        datagrams.push_back(Payload()
                                .map(2)
                                .str("Deck")
                                .integer(1 + i % 4)
                                .str("Title")
                                .str("Title " + std::to_string(i))
                                .datagram(2));
        datagrams.push_back(Payload()
                                .map(2)
                                .str("Event")
                                .str("E" + std::to_string(i))
                                .str("Value")
                                .integer(i)
                                .datagram(4));
        datagrams.push_back(Payload().map(1).str("UpfaderA").float64(i).datagram(0));
    }
    datagrams.push_back(std::string("\x00\xc1", 2));
    datagrams.push_back(std::string("\x02\xc1", 2));

    Flood flood(orv::udp::localPort(receiver.socketFd()), datagrams);
    ReceiverSnapshot snapshot;
    std::string text;
    const auto until = Clock::now() + std::chrono::milliseconds(500);
    long reads = 0;
    while (Clock::now() < until)
    {
        receiver.read(snapshot);
        receiver.getDeck(1 + reads % 4);
        receiver.getMeta(1 + reads % 4);
        receiver.getControl();
        receiver.store.errorText(text);
        receiver.store.warningText(text);
        receiver.setIpFilter(reads % 2 ? "" : "127.0.0.1");
        ++reads;
    }
    receiver.setIpFilter("");
    EXPECT_TRUE(waitUntil(
        [&]
        {
            receiver.read(snapshot);
            return snapshot.events.size() == 64;
        }));
    EXPECT_GT(reads, 0);
}
