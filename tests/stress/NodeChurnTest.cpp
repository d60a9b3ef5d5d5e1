// Nodes come and go while traffic runs: table nodes are created, connected and destroyed in a
// loop (connected or not, before or after the channel nodes that point at them, two at a time
// on one port so that one bind fails), while a flood keeps arriving on their ports and a
// long-lived channel node is pointed at each new table node in turn. Every destroyed table
// node must have released its port, and at the end descriptors and threads are back to their
// count before.

#include "BundleTestSupport.h"
#include "NodeChecks.h"
#include "StressTraffic.h"
#include "Watchdog.h"

#include "support/ProcessCounts.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

namespace
{

using namespace std::chrono;

constexpr int rounds = 150;

class NodeChurn : public orvtest::BundleTest
{
};

TEST_F(NodeChurn, CreatesAndDestroysNodesWhileTrafficRuns)
{
    orvstress::Watchdog watchdog(seconds(240), "the node churn test");
    const int descriptorsBefore = orvsupport::openDescriptorCount();
    const int threadsBefore = orvsupport::runningThreadCount();

    const std::vector<uint16_t> ports = {orvtest::freeUdpPort(), orvtest::freeUdpPort(),
                                         orvtest::freeUdpPort()};
    orvstress::Flood flood(ports, 0, 500, 11);
    flood.start();

    const orvharness::NodeId longLived = createChannels("follower", "");
    std::string firstProblem;
    int bindFailures = 0;
    for (int round = 0; round < rounds && firstProblem.empty(); ++round)
    {
        const uint16_t port = ports[round % ports.size()];
        const std::string name = "orv" + std::to_string(round);
        const orvharness::NodeId orv = net->createNode(*datBundle, name);
        ASSERT_NE(orv, orvharness::noNode) << net->lastError();
        ASSERT_TRUE(net->setParameter(orv, "Port", static_cast<int>(port)));
        const orvharness::NodeId channels = createChannels("ch" + std::to_string(round), name);
        ASSERT_TRUE(net->setParameter(longLived, "Orvdat", name));

        // One round in four a second table node on the same port: its bind fails.
        orvharness::NodeId twin = orvharness::noNode;
        if (round % 4 == 1)
        {
            twin = net->createNode(*datBundle, name + "twin");
            ASSERT_TRUE(net->setParameter(twin, "Port", static_cast<int>(port)));
        }

        if (round % 5 != 4) // one round in five the node is never connected
        {
            reconnect(orv);
        }
        if (twin != orvharness::noNode)
        {
            reconnect(twin);
            bindFailures += net->errorText(twin).rfind("Error Creating Socket: ", 0) == 0;
        }
        for (int frame = 0; frame < 5; ++frame)
        {
            net->cookFrame();
        }
        firstProblem = orvstress::checkTable(net->table(orv)) +
                       orvstress::checkChannels(net->channels(channels)) +
                       orvstress::checkChannels(net->channels(longLived));

        // Destroy in varying order; the channel nodes cook once more after their table node
        // is gone, through a reference the host has cleared.
        if (round % 2 == 0)
        {
            ASSERT_TRUE(net->destroyNode(orv));
            net->cookFrame();
            ASSERT_TRUE(net->destroyNode(channels));
        }
        else
        {
            ASSERT_TRUE(net->destroyNode(channels));
            if (round % 3 == 0)
            {
                ASSERT_TRUE(net->pulse(orv, "Reset"));
            }
            ASSERT_TRUE(net->destroyNode(orv));
            net->cookFrame();
        }
        if (twin != orvharness::noNode)
        {
            ASSERT_TRUE(net->destroyNode(twin));
        }
        EXPECT_EQ(net->parameterText(longLived, "Orvdat"), "");
        // The port is free again at once: the destroyed node closed its socket.
        ASSERT_TRUE(orvtest::udpPortIsFree("127.0.0.1", port)) << "round " << round;
    }
    flood.stop();
    flood.join();
    EXPECT_EQ(firstProblem, "");
    EXPECT_GT(bindFailures, rounds / 8);
    std::printf("node churn: %d rounds, %d failed binds, %llu datagrams sent meanwhile\n", rounds,
                bindFailures, static_cast<unsigned long long>(flood.counts().total()));

    net.reset();
    EXPECT_EQ(orvsupport::openDescriptorCount(), descriptorsBefore);
    EXPECT_EQ(orvsupport::runningThreadCount(), threadsBefore);
}

} // namespace
