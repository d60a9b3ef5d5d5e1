// "Active" on the table operator, through the headless host with real sockets on loopback: a
// node that connects by itself, follows its settings, retries a failed connect and lets go
// when turned off.
#include "BundleTestSupport.h"

namespace orvtest
{
namespace
{

using orvharness::NodeId;

class ActiveParameterTest : public BundleTest
{
protected:
    bool connected(NodeId orv) { return infoChannel(*net, orv, "connected") == 1.0f; }
};

TEST_F(ActiveParameterTest, ANewNodeConnectsOnItsFirstCookWithoutAPulse)
{
    uint16_t port = 0;
    NodeId orv = createOrv("orv1", port);
    ASSERT_TRUE(net->setParameter(orv, "Active", 1));
    net->cookFrame();
    EXPECT_TRUE(connected(orv));
    EXPECT_FALSE(udpPortIsFree("127.0.0.1", port));
    EXPECT_GT(net->table(orv).cellsWrittenLastCook(), 0) << "the first cook shows it";
    EXPECT_EQ(net->errorText(orv), "");
}

TEST_F(ActiveParameterTest, AHeldPortShowsTheErrorAndConnectsSoonAfterItsRelease)
{
    uint16_t port = 0;
    NodeId orv = createOrv("orv1", port);
    auto holder = std::make_unique<LoopbackSocket>("127.0.0.1", port);
    ASSERT_TRUE(holder->bound()) << holder->error();
    ASSERT_TRUE(net->setParameter(orv, "Active", 1));
    for (int frame = 0; frame < 5; ++frame)
    {
        net->cookFrame();
        EXPECT_EQ(net->errorText(orv),
                  "Error Creating Socket: " + std::to_string(orv::udp::kAddressInUseError));
    }
    EXPECT_FALSE(connected(orv));

    holder.reset();
    EXPECT_TRUE(cookUntil(
        *net, [&] { return connected(orv); }, std::chrono::seconds(3)));
    EXPECT_EQ(net->errorText(orv), "");
    sender.send(port, datagram(MessageType::Deck, {{"Deck", 1}, {"BPM", 99.0}}));
    EXPECT_TRUE(cookUntil(*net, [&] { return net->table(orv).cell(10, 1).number == 99.0; }));
}

TEST_F(ActiveParameterTest, TurningActiveOffReleasesThePortAtTheNextCook)
{
    uint16_t port = 0;
    NodeId orv = createOrv("orv1", port);
    ASSERT_TRUE(net->setParameter(orv, "Active", 1));
    net->cookFrame();
    ASSERT_FALSE(udpPortIsFree("127.0.0.1", port));
    ASSERT_TRUE(net->setParameter(orv, "Active", 0));
    net->cookFrame();
    EXPECT_TRUE(udpPortIsFree("127.0.0.1", port));
    EXPECT_FALSE(connected(orv));
    net->cookFrame();
    EXPECT_TRUE(udpPortIsFree("127.0.0.1", port)) << "and stays off";
}

TEST_F(ActiveParameterTest, AChangedPortReconnectsAtTheNextCook)
{
    uint16_t first = 0;
    NodeId orv = createOrv("orv1", first);
    ASSERT_TRUE(net->setParameter(orv, "Active", 1));
    net->cookFrame();
    const uint16_t second = freeUdpPort();
    ASSERT_TRUE(net->setParameter(orv, "Port", static_cast<int>(second)));
    net->cookFrame();
    EXPECT_TRUE(udpPortIsFree("127.0.0.1", first));
    EXPECT_FALSE(udpPortIsFree("127.0.0.1", second));
    EXPECT_EQ(infoRow(*net, orv, "bound_port"), std::to_string(second));
}

// With "Active" on, "Reset" disconnects at once and the next cook connects again.
TEST_F(ActiveParameterTest, ResetWhileActiveRestartsTheNode)
{
    uint16_t port = 0;
    NodeId orv = createOrv("orv1", port);
    ASSERT_TRUE(net->setParameter(orv, "Active", 1));
    net->cookFrame();
    ASSERT_TRUE(net->pulse(orv, "Reset"));
    EXPECT_TRUE(udpPortIsFree("127.0.0.1", port));
    net->cookFrame();
    EXPECT_TRUE(connected(orv));
}

} // namespace
} // namespace orvtest
