// The shared node wiring (support/NodeWiring.h) on the real bundles: a reader names its OrvDat
// node and takes its settings in order, a refused node or setting leaves nothing behind and says
// why, and "Reconnect" binds the OrvDat node's port.
#include "BundleTestSupport.h"

#include "support/NodeWiring.h"

namespace orvtest
{
namespace
{

using orvharness::NodeId;
using orvharness::noNode;

using NodeWiringTest = BundleTest;

TEST_F(NodeWiringTest, AReaderNamesItsOrvDatNodeAndTakesItsSettings)
{
    std::string error;
    const NodeId beat = orvsupport::addReader(*net, *beatBundle, "beat1", "orv1",
                                              {{"Deck", "all"}, {"Offset", 12.5}}, error);
    ASSERT_NE(beat, noNode) << error;
    EXPECT_EQ(net->parameterText(beat, "Orvdat"), "orv1");
    EXPECT_EQ(net->parameterValue(beat, "Deck"), 4.0) << "the menu's \"all\"";
    EXPECT_EQ(net->parameterValue(beat, "Offset"), 12.5);
}

TEST_F(NodeWiringTest, ARefusedNodeOrSettingLeavesNothingAndSaysWhy)
{
    std::string error;
    EXPECT_EQ(orvsupport::addReader(*net, *chopBundle, "channels1", "orv1", {{"Nosuch", 1}}, error),
              noNode);
    EXPECT_EQ(error, "node \"channels1\": no parameter \"Nosuch\"");
    EXPECT_EQ(net->find("channels1"), noNode) << "the refused node is gone again";

    ASSERT_NE(orvsupport::addNode(*net, *datBundle, "orv1", {}, error), noNode) << error;
    EXPECT_EQ(orvsupport::addNode(*net, *datBundle, "orv1", {}, error), noNode);
    EXPECT_EQ(error, "cannot create node \"orv1\": a node named \"orv1\" exists already");
}

TEST_F(NodeWiringTest, ReconnectBindsTheOrvDatNodesPort)
{
    uint16_t port = 0;
    const NodeId orv = createOrv("orv1", port);
    const NodeId channels = createChannels("channels1", "orv1");
    ASSERT_TRUE(udpPortIsFree("127.0.0.1", port));
    std::string error;
    ASSERT_TRUE(orvsupport::reconnect(*net, orv, error)) << error;
    EXPECT_FALSE(udpPortIsFree("127.0.0.1", port));

    EXPECT_FALSE(orvsupport::reconnect(*net, channels, error));
    EXPECT_NE(error.find("\"Reconnect\""), std::string::npos) << error;
}

} // namespace
} // namespace orvtest
