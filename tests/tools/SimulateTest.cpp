// orv simulate through the built executable: what it sends, and the discovery byte it hears.
#include "ToolProcess.h"

#include "protocol/WireSchema.h"
#include "sim/DiscoveryListener.h"
#include "support/sim/SweepTraffic.h"

#include "support/LoopbackSocket.h"
#include "support/UdpPorts.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace orvtooltest
{

using orvsupport::freeUdpPort;
using orvsupport::LoopbackSocket;

namespace
{

using Clock = std::chrono::steady_clock;

TEST(Simulate, ReportsWhoSentTheDiscoveryByte)
{
    // What the simulator sends lands on a socket of the test's own, unread.
    const LoopbackSocket sink;
    const uint16_t discoveryPort = freeUdpPort();
    ToolProcess simulate({"simulate", "--to", sink.localEndpoint().text(), "--discovery-port",
                          std::to_string(discoveryPort), "--rate", "10", "--duration", "20"});
    ASSERT_TRUE(simulate.waitForText("listening for the discovery byte on 0.0.0.0:" +
                                         std::to_string(discoveryPort),
                                     Millis(8000)))
        << simulate.out() << simulate.err();

    LoopbackSocket node;
    const std::string from = node.localEndpoint().text();
    orv::net::Endpoint listener;
    orv::net::makeEndpoint("127.0.0.1", discoveryPort, listener);
    std::string error;
    ASSERT_TRUE(node.sendTo(listener, "\x09", 1, error)) << error;
    EXPECT_TRUE(simulate.waitForText("discovery byte 0x09 from " + from, Millis(5000)))
        << simulate.out();

    // Anything else on that port is reported as what it is.
    ASSERT_TRUE(node.sendTo(listener, "\x01\x02", 2, error)) << error;
    EXPECT_TRUE(simulate.waitForText("datagram of 2 bytes on the discovery port from " + from,
                                     Millis(5000)))
        << simulate.out();

    simulate.requestStop();
    EXPECT_EQ(simulate.finish(Millis(5000)), 0);
    EXPECT_NE(simulate.out().find("sent "), std::string::npos);
}

// Every node sends its byte to the same port: the demo's own node is told apart from other
// programs' nodes by the address and port it sends from.
TEST(Simulate, TheDiscoveryListenerTellsItsOwnNodeFromOthers)
{
    orvsim::DiscoveryListener listener;
    std::string error;
    ASSERT_TRUE(listener.open("127.0.0.1", 0, error)) << error;
    LoopbackSocket own;
    LoopbackSocket other;
    listener.setOwnNode(own.localEndpoint(), "the demo's node");
    ASSERT_TRUE(own.sendTo(listener.local(), "\x09", 1, error)) << error;
    ASSERT_TRUE(other.sendTo(listener.local(), "\x09", 1, error)) << error;

    std::vector<std::string> reports;
    const Clock::time_point deadline = Clock::now() + Millis(5000);
    while (reports.size() < 2 && Clock::now() < deadline)
        listener.poll(50, [&](const std::string& line) { reports.push_back(line); });
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0], "discovery byte 0x09 from " + own.localEndpoint().text() +
                              ", the demo's node (sent to " + listener.local().text() + ")");
    EXPECT_EQ(reports[1], "discovery byte 0x09 from " + other.localEndpoint().text() +
                              ", another program's node (sent to " + listener.local().text() + ")");
}

TEST(Simulate, SendsFourDecksTheMixerTracksAndEventsAtTheRate)
{
    LoopbackSocket listener;
    ToolProcess simulate({"simulate", "--to", listener.localEndpoint().text(), "--rate", "30",
                          "--duration", "2", "--discovery-port", "0"});

    std::map<int, int> deckCount;
    std::map<int, Meta> metas;
    std::map<int, double> lastPosition;
    int controls = 0;
    int events = 0;
    int others = 0;
    bool positionsFall = false;
    std::set<int> moved;
    const Clock::time_point deadline = Clock::now() + Millis(6000);
    char buffer[4096];
    while (Clock::now() < deadline)
    {
        orv::net::ReceivedDatagram datagram;
        std::string error;
        const int got = listener.receive(buffer, sizeof buffer, 300, datagram, error);
        if (got != 1)
        {
            if (!simulate.running())
                break; // done sending, and nothing more is on its way
            continue;
        }
        std::string parseError;
        const orvpack::MsgPack value =
            orvpack::MsgPack::parse(buffer + 1, datagram.size - 1, parseError);
        ASSERT_EQ(parseError, "");
        switch (buffer[0])
        {
        case 0:
            ++controls;
            EXPECT_EQ(Control::fromMsgPack(value).active, 1);
            break;
        case 1:
        {
            const Deck deck = Deck::fromMsgPack(value);
            ++deckCount[deck.deck];
            if (lastPosition.count(deck.deck) != 0)
            {
                positionsFall = positionsFall || deck.position < lastPosition[deck.deck];
                if (deck.position > lastPosition[deck.deck])
                    moved.insert(deck.deck);
            }
            lastPosition[deck.deck] = deck.position;
            break;
        }
        case 2:
        {
            const Meta meta = Meta::fromMsgPack(value);
            metas[meta.deck] = meta;
            break;
        }
        case 4:
            ++events;
            EXPECT_NE(Event::fromMsgPack(value).name, "");
            break;
        default:
            ++others;
        }
    }
    EXPECT_EQ(simulate.finish(Millis(3000)), 0) << simulate.err();

    // 30 a second per deck for 2 seconds; a busy machine may skip a tick or two.
    ASSERT_EQ(deckCount.size(), 4u);
    for (const auto& [number, count] : deckCount)
    {
        EXPECT_GE(number, 1);
        EXPECT_LE(number, 4);
        EXPECT_NEAR(count, 60, 8) << "deck " << number;
        EXPECT_FALSE(metas[number].title.empty());
        EXPECT_FALSE(metas[number].artist.empty());
        EXPECT_FALSE(metas[number].album.empty());
        EXPECT_FALSE(metas[number].filepath.empty());
    }
    EXPECT_NEAR(controls, 60, 8);
    EXPECT_GE(events, 1) << "the first event comes within a second";
    EXPECT_EQ(others, 0);
    // Deck 1 plays on air and deck 2 is mixed in; 3 and 4 wait at their cue.
    EXPECT_FALSE(positionsFall);
    EXPECT_EQ(moved, (std::set<int>{1, 2}));
}

TEST(Simulate, ProfilesChangeWhatArrivesAndUnknownNamesAreUsageErrors)
{
    LoopbackSocket listener;
    ToolProcess simulate({"simulate", "--to", listener.localEndpoint().text(), "--sender", "beat0",
                          "--network", "lan", "--loss", "0.5", "--rate", "20", "--duration", "1.5",
                          "--discovery-port", "0"});
    std::set<int> beats;
    int decks = 0;
    char buffer[4096];
    const Clock::time_point deadline = Clock::now() + Millis(5000);
    while (Clock::now() < deadline)
    {
        orv::net::ReceivedDatagram datagram;
        std::string error;
        if (listener.receive(buffer, sizeof buffer, 300, datagram, error) != 1)
        {
            if (!simulate.running())
                break;
            continue;
        }
        if (buffer[0] != 1)
            continue;
        ++decks;
        beats.insert(
            Deck::fromMsgPack(orvpack::MsgPack::parse(buffer + 1, datagram.size - 1, error)).beat);
    }
    EXPECT_EQ(simulate.finish(Millis(3000)), 0) << simulate.err();
    EXPECT_NE(simulate.out().find("network lan: delay 0-5 ms, 50% lost; sender beat0: Beat 0..3"),
              std::string::npos)
        << simulate.out();
    // 30 ticks of 4 decks, about half of them lost; Beat counts 0 to 3.
    EXPECT_GT(decks, 30);
    EXPECT_LT(decks, 90);
    ASSERT_FALSE(beats.empty());
    EXPECT_EQ(*beats.begin(), 0);
    EXPECT_LE(*beats.rbegin(), 3);

    for (const char* command : {"simulate", "demo"})
    {
        const ToolRun run = runTool({command, "--network", "dialup"});
        EXPECT_EQ(run.status, 2) << command;
        EXPECT_NE(run.err.find("unknown network profile \"dialup\"; the known ones: ideal, lan, "
                               "wifi, stalls, stalls-shuffled"),
                  std::string::npos)
            << run.err;
    }
}

TEST(Simulate, ASweepSeedSendsDeckOneAsTheSweepDrawsIt)
{
    LoopbackSocket listener;
    ToolProcess simulate({"simulate", "--to", listener.localEndpoint().text(), "--sweep-seed", "3",
                          "--duration", "1.5"});
    std::vector<std::string> received;
    char buffer[4096];
    const Clock::time_point deadline = Clock::now() + Millis(5000);
    while (Clock::now() < deadline)
    {
        orv::net::ReceivedDatagram datagram;
        std::string error;
        if (listener.receive(buffer, sizeof buffer, 300, datagram, error) == 1)
            received.emplace_back(buffer, datagram.size);
        else if (!simulate.running())
            break;
    }
    EXPECT_EQ(simulate.finish(Millis(3000)), 0) << simulate.err();
    EXPECT_NE(simulate.out().find("sweep case seed 3, "), std::string::npos) << simulate.out();

    // The datagrams the sweep's network delivers in the first 1.5 s, in their order.
    const orvsim::SweepTraffic traffic = orvsim::sweepTraffic(orvsim::drawCase(3));
    std::vector<std::string> expected;
    for (const orvsim::Arrival& arrival : traffic.arrivals)
    {
        if (arrival.time < 1.5)
            expected.push_back(arrival.datagram);
    }
    ASSERT_GT(expected.size(), 40u);
    EXPECT_EQ(received, expected);
}

} // namespace
} // namespace orvtooltest
