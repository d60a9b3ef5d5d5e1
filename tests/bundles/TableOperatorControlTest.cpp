// The table operator's pulses, the texts it hands the host, and how its parameters reach the
// receiver: all through the headless host, with real sockets on loopback.
#include "BundleTestSupport.h"

#include <cerrno>

namespace orvtest
{
namespace
{

using orvharness::NodeId;

class TableOperatorControlTest : public BundleTest
{
protected:
    // Whether the node shows a connected receiver: only then does a cook write cells.
    bool showsConnected(NodeId orv)
    {
        net->cookFrame();
        return net->table(orv).cellsWrittenLastCook() > 0;
    }

    double bpmOfDeck1(NodeId orv) { return net->table(orv).cell(10, 1).number; }

    std::string deck1Bpm(double bpm)
    {
        return datagram(MessageType::Deck, {{"Deck", 1}, {"BPM", bpm}});
    }
};

TEST_F(TableOperatorControlTest, NewNodeIsIdleWithEmptyTexts)
{
    uint16_t port = 0;
    NodeId orv = createOrv("orv1", port);
    EXPECT_FALSE(showsConnected(orv));
    EXPECT_EQ(net->errorText(orv), "");
    EXPECT_EQ(net->warningText(orv), "");
    EXPECT_TRUE(udpPortIsFree("127.0.0.1", port)) << "a new node opens no socket";
}

TEST_F(TableOperatorControlTest, ReconnectTwiceRestartsWithoutAlreadyRunning)
{
    uint16_t port = 0;
    NodeId orv = createOrv("orv1", port);
    reconnect(orv);
    ASSERT_TRUE(showsConnected(orv));
    reconnect(orv);
    EXPECT_TRUE(showsConnected(orv));
    EXPECT_EQ(net->errorText(orv), "");
    EXPECT_TRUE(sendAndWait(port, deck1Bpm(128.0), [&] { return bpmOfDeck1(orv) == 128.0; }))
        << "the restarted receiver receives";
}

TEST_F(TableOperatorControlTest, ResetStopsAndReleasesThePort)
{
    uint16_t port = 0;
    NodeId orv = createOrv("orv1", port);
    reconnect(orv);
    ASSERT_TRUE(showsConnected(orv));
    EXPECT_FALSE(udpPortIsFree("127.0.0.1", port));
    ASSERT_TRUE(net->pulse(orv, "Reset"));
    EXPECT_FALSE(showsConnected(orv));
    EXPECT_TRUE(udpPortIsFree("127.0.0.1", port));
}

TEST_F(TableOperatorControlTest, ResetOnAnIdleNodeChangesNothing)
{
    uint16_t port = 0;
    NodeId orv = createOrv("orv1", port);
    net->cookFrame();
    ASSERT_TRUE(net->pulse(orv, "Reset"));
    net->cookFrame();
    const orvharness::Table table = net->table(orv);
    EXPECT_EQ(table.rows(), 18);
    EXPECT_EQ(table.cols(), 5);
    EXPECT_EQ(table.cellsWrittenLastCook(), 0);
    EXPECT_EQ(net->errorText(orv), "");
    EXPECT_EQ(net->warningText(orv), "");
    EXPECT_EQ(net->hostErrorText(orv), "");
}

TEST_F(TableOperatorControlTest, PulseNamesAreMatchedExactly)
{
    uint16_t port = 0;
    NodeId orv = createOrv("orv1", port);
    net->cookFrame();
    for (const char* name : {"reconnect", "RECONNECT", "Reconnect ", "Reconnec", ""})
    {
        ASSERT_TRUE(net->pulseAnyName(orv, name));
        EXPECT_FALSE(showsConnected(orv)) << '"' << name << '"';
    }
    reconnect(orv);
    for (const char* name : {"reset", "RESET", " Reset"})
    {
        ASSERT_TRUE(net->pulseAnyName(orv, name));
        EXPECT_TRUE(showsConnected(orv)) << '"' << name << '"';
    }
    EXPECT_EQ(net->errorText(orv), "");
}

TEST_F(TableOperatorControlTest, ConnectFailureReachesTheHostAsErrorText)
{
    uint16_t port = 0;
    NodeId orv = createOrv("orv1", port);
    const LoopbackSocket holder("127.0.0.1", port);
    ASSERT_TRUE(holder.bound()) << holder.error();
    reconnect(orv);
    EXPECT_EQ(net->errorText(orv),
              "Error Creating Socket: " + std::to_string(orv::udp::kAddressInUseError));
    EXPECT_EQ(net->warningText(orv), "");
    EXPECT_FALSE(showsConnected(orv));
}

TEST_F(TableOperatorControlTest, DecodeErrorsReachTheHostAsWarningAndErrorText)
{
    uint16_t port = 0;
    NodeId orv = createOrv("orv1", port);
    reconnect(orv);
    // A map header that promises an entry the datagram does not hold.
    const std::string cutShort("\x81", 1);
    sender.send(port, std::string(1, '\x00') + cutShort); // Control: a warning
    EXPECT_TRUE(cookUntil(*net, [&] { return net->warningText(orv) != ""; }));
    EXPECT_EQ(net->warningText(orv), "end of buffer.");
    EXPECT_EQ(net->errorText(orv), "");
    sender.send(port, std::string(1, '\x01') + cutShort); // Deck: an error
    EXPECT_TRUE(cookUntil(*net, [&] { return net->errorText(orv) != ""; }));
    EXPECT_EQ(net->errorText(orv), "end of buffer.");
}

TEST_F(TableOperatorControlTest, ClearedIpGivesIpIsEmptyAtTheNextReconnect)
{
    uint16_t port = 0;
    NodeId orv = createOrv("orv1", port);
    ASSERT_TRUE(net->setParameter(orv, "Ip", ""));
    net->cookFrame();
    EXPECT_EQ(net->errorText(orv), "") << "the copy alone connects nothing";
    reconnect(orv);
    EXPECT_EQ(net->errorText(orv), "IP is empty");
    EXPECT_FALSE(showsConnected(orv));
}

TEST_F(TableOperatorControlTest, PortZeroGivesPortIsZeroAtTheNextReconnect)
{
    uint16_t port = 0;
    NodeId orv = createOrv("orv1", port);
    ASSERT_TRUE(net->setParameter(orv, "Port", 0));
    reconnect(orv);
    EXPECT_EQ(net->errorText(orv), "Port is 0");
    EXPECT_FALSE(showsConnected(orv));
}

TEST_F(TableOperatorControlTest, PortChangeTakesEffectOnlyAtReconnect)
{
    uint16_t first = 0;
    NodeId orv = createOrv("orv1", first);
    reconnect(orv);
    ASSERT_TRUE(showsConnected(orv));

    const uint16_t second = freeUdpPort();
    ASSERT_TRUE(net->setParameter(orv, "Port", static_cast<int>(second)));
    net->cookFrame();
    EXPECT_FALSE(udpPortIsFree("127.0.0.1", first)) << "still bound to the old port";
    EXPECT_TRUE(sendAndWait(first, deck1Bpm(101.0), [&] { return bpmOfDeck1(orv) == 101.0; }));

    reconnect(orv);
    EXPECT_TRUE(udpPortIsFree("127.0.0.1", first));
    EXPECT_TRUE(sendAndWait(second, deck1Bpm(102.0), [&] { return bpmOfDeck1(orv) == 102.0; }));
}

TEST_F(TableOperatorControlTest, IpChangeTakesEffectOnlyAtReconnect)
{
    if (!loopbackAddressesAreSeparate())
    {
        GTEST_SKIP() << "this stack does not keep loopback addresses apart";
    }
    uint16_t port = 0;
    NodeId orv = createOrv("orv1", port);
    reconnect(orv);
    ASSERT_TRUE(net->setParameter(orv, "Ip", "127.0.0.2"));
    net->cookFrame();
    EXPECT_FALSE(udpPortIsFree("127.0.0.1", port)) << "still bound to the old address";

    reconnect(orv);
    EXPECT_TRUE(udpPortIsFree("127.0.0.1", port));
    EXPECT_FALSE(udpPortIsFree("127.0.0.2", port));
    sender.send(port, deck1Bpm(77.0), "127.0.0.2");
    EXPECT_TRUE(cookUntil(*net, [&] { return bpmOfDeck1(orv) == 77.0; }));
}

TEST_F(TableOperatorControlTest, IpFilterAppliesFromTheNextDatagramAndEmptyAcceptsAll)
{
    if (!loopbackAddressesAreSeparate())
    {
        GTEST_SKIP() << "this stack does not keep loopback addresses apart";
    }
    uint16_t port = 0;
    NodeId orv = createOrv("orv1", port);
    reconnect(orv);
    LoopbackSocket allowed("127.0.0.9");
    ASSERT_TRUE(allowed.bound()) << allowed.error();

    ASSERT_TRUE(net->setParameter(orv, "Ipfilter", "127.0.0.9"));
    net->cookFrame();
    sender.send(port, deck1Bpm(1.0)); // from 127.0.0.1: dropped
    allowed.send(port, datagram(MessageType::Deck, {{"Deck", 2}, {"BPM", 2.0}}));
    ASSERT_TRUE(cookUntil(*net, [&] { return net->table(orv).cell(10, 2).number == 2.0; }));
    EXPECT_EQ(bpmOfDeck1(orv), 0.0) << "the filtered sender's datagram came first and was dropped";

    ASSERT_TRUE(net->setParameter(orv, "Ipfilter", ""));
    net->cookFrame();
    EXPECT_TRUE(sendAndWait(port, deck1Bpm(3.0), [&] { return bpmOfDeck1(orv) == 3.0; }))
        << "an emptied filter accepts every sender at once, with no reconnect";
}

} // namespace
} // namespace orvtest
