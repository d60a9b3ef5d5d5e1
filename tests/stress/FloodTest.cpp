// A flood of at least 200,000 datagrams (valid, malformed and random) at full rate on loopback,
// while the headless host cooks a table node and two channel nodes as fast as it can and
// presses "Reconnect" and "Reset" every few milliseconds. Afterwards nothing has crashed or
// hung, descriptors and threads are back to their count before, every slot ever shown was a
// whole record of one datagram, and the event names stayed within their bound.

#include "BundleTestSupport.h"
#include "NodeChecks.h"
#include "StressTraffic.h"
#include "Watchdog.h"

#include "protocol/NodeLayout.h"
#include "protocol/WireSchema.h"
#include "support/ProcessCounts.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

namespace
{

using namespace std::chrono;
using orvstress::Flood;

constexpr uint64_t floodCount = 200000;
constexpr uint32_t eventNamePool = 3000; // more than the receiver keeps

class Flood_ : public orvtest::BundleTest
{
};

TEST_F(Flood_, CooksAndPulsesThroughAFloodOfMixedDatagrams)
{
    orvstress::Watchdog watchdog(seconds(240), "the flood test");
    const int descriptorsBefore = orvsupport::openDescriptorCount();
    const int threadsBefore = orvsupport::runningThreadCount();

    uint16_t port = 0;
    const orvharness::NodeId orv = createOrv("orv1", port);
    const orvharness::NodeId channelsA = createChannels("channels1", "orv1");
    const orvharness::NodeId channelsB = createChannels("channels2", "orv1");
    reconnect(orv);
    ASSERT_EQ(net->errorText(orv), "");

    Flood flood({port}, floodCount, eventNamePool, 7);
    flood.start();

    int64_t frames = 0, reconnects = 0, resets = 0, filterChanges = 0, checks = 0;
    std::string firstProblem;
    auto nextReconnect = steady_clock::now();
    auto nextReset = nextReconnect + milliseconds(5);
    auto nextFilter = nextReconnect + milliseconds(11);
    bool filtered = false;
    while (!flood.done())
    {
        net->cookFrame();
        ++frames;
        const auto now = steady_clock::now();
        if (now >= nextReconnect)
        {
            ASSERT_TRUE(net->pulse(orv, "Reconnect"));
            ++reconnects;
            nextReconnect = now + milliseconds(3);
        }
        if (now >= nextReset)
        {
            ASSERT_TRUE(net->pulse(orv, "Reset"));
            ++resets;
            nextReset = now + milliseconds(7);
        }
        if (now >= nextFilter)
        {
            // The receive thread reads the filter for every datagram.
            filtered = !filtered;
            ASSERT_TRUE(net->setParameter(orv, "Ipfilter", filtered ? "127.0.0.1" : ""));
            ++filterChanges;
            nextFilter = now + milliseconds(11);
        }
        if (frames % 4 == 0 && firstProblem.empty())
        {
            ++checks;
            firstProblem = orvstress::checkTable(net->table(orv));
            if (firstProblem.empty())
            {
                firstProblem = orvstress::checkChannels(net->channels(channelsA));
            }
            if (firstProblem.empty())
            {
                firstProblem = orvstress::checkChannels(net->channels(channelsB));
            }
        }
    }
    flood.join();

    // One calm connect at the end, so the table shows what the flood left in the store.
    ASSERT_TRUE(net->setParameter(orv, "Ipfilter", ""));
    reconnect(orv);
    net->cookFrame();
    const orvharness::Table table = net->table(orv);
    EXPECT_EQ(firstProblem, "");
    EXPECT_EQ(orvstress::checkTable(table), "");
    EXPECT_EQ(orvstress::checkChannels(net->channels(channelsA)), "");
    EXPECT_TRUE(net->hostErrorText(orv).empty()) << net->hostErrorText(orv);

    // The receiver really took part: some deck and some event reached the table.
    bool someDeck = false;
    for (int column = 1; column <= 4; ++column)
    {
        someDeck = someDeck || table.cell(orvlayout::BeatRow, column).number > 0;
    }
    EXPECT_TRUE(someDeck);

    // Event names: at most the bound, each no longer than a datagram.
    const size_t names = orvstress::eventRows(table);
    EXPECT_GT(names, 0u);
    EXPECT_LE(names, orvlayout::kMaxEventNames);
    EXPECT_LE(orvstress::eventNameBytes(table), names * orvprotocol::kDatagramLimit);

    const orvstress::FloodCounts& counts = flood.counts();
    EXPECT_GE(counts.total(), floodCount);
    std::printf("flood: %llu datagrams (%llu valid, %llu malformed, %llu random, %llu refused by "
                "the socket); %lld frames, %lld checks, %lld Reconnect, %lld Reset, %lld filter "
                "changes; %zu event names kept\n",
                static_cast<unsigned long long>(counts.total()),
                static_cast<unsigned long long>(counts.valid),
                static_cast<unsigned long long>(counts.malformed),
                static_cast<unsigned long long>(counts.random),
                static_cast<unsigned long long>(counts.sendFailures),
                static_cast<long long>(frames), static_cast<long long>(checks),
                static_cast<long long>(reconnects), static_cast<long long>(resets),
                static_cast<long long>(filterChanges), names);
    EXPECT_GT(reconnects, 10);
    EXPECT_GT(resets, 5);

    net.reset(); // destroys the nodes: receive threads joined, sockets closed
    EXPECT_EQ(orvsupport::openDescriptorCount(), descriptorsBefore);
    EXPECT_EQ(orvsupport::runningThreadCount(), threadsBefore);
    EXPECT_TRUE(orvtest::udpPortIsFree("127.0.0.1", port));
}

} // namespace
