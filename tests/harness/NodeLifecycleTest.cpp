// Creating and destroying nodes: names, ids, the plug-in's destroy, and references to a
// node that is gone.
#include "TestBundles.h"

#include "harness/Network.h"
#include "harness/SharedLibrary.h"

#include <gtest/gtest.h>

namespace orvharness
{
namespace
{

// The echo bundle's own count of its live instances. The bundle is loaded already, so this
// open only takes another reference to it.
int echoInstances()
{
    std::string error;
    void* handle = loader::open(ECHO_DAT_PATH, error);
    if (handle == nullptr)
        return -1;
    auto count = reinterpret_cast<int (*)()>(loader::symbol(handle, "EchoLiveInstances"));
    const int live = count != nullptr ? count() : -1;
    loader::close(handle);
    return live;
}

TEST(NodeLifecycle, NamesMustBeUniqueAndPlain)
{
    Network net;
    const NodeId first = net.createNode(test::echoBundle(), "echo1");
    ASSERT_NE(first, noNode);
    EXPECT_EQ(net.createNode(test::echoBundle(), "echo1"), noNode);
    EXPECT_NE(net.lastError().find("exists already"), std::string::npos);
    EXPECT_EQ(net.createNode(test::rampBundle(), "a/b"), noNode);
    EXPECT_EQ(net.createNode(test::rampBundle(), ""), noNode);
    EXPECT_EQ(net.createBuiltinTable("echo1"), noNode);
    EXPECT_EQ(net.find("echo1"), first);
    EXPECT_EQ(net.name(first), "echo1");
    EXPECT_EQ(net.kind(first), NodeKind::PluginDat);
}

TEST(NodeLifecycle, DestroyHandsTheInstanceToThePlugin)
{
    test::echoBundle();
    const int before = echoInstances();
    ASSERT_GE(before, 0);
    {
        Network net;
        const NodeId a = net.createNode(test::echoBundle(), "a");
        net.createNode(test::echoBundle(), "b");
        net.createNode(test::rampBundle(), "c");
        EXPECT_EQ(echoInstances(), before + 2);
        EXPECT_TRUE(net.destroyNode(a));
        EXPECT_EQ(echoInstances(), before + 1);
        EXPECT_FALSE(net.destroyNode(a));
        EXPECT_FALSE(net.exists(a));
        EXPECT_EQ(net.nodes().size(), 2u);
    }
    // The network destroys what is left.
    EXPECT_EQ(echoInstances(), before);
}

TEST(NodeLifecycle, IdsAreNeverReused)
{
    Network net;
    const NodeId a = net.createNode(test::echoBundle(), "a");
    net.destroyNode(a);
    const NodeId again = net.createNode(test::echoBundle(), "a");
    EXPECT_NE(again, a);
    EXPECT_FALSE(net.setParameter(a, "Text", "x"));
    EXPECT_FALSE(net.pulse(a, "Bump"));
    EXPECT_EQ(net.table(a).rows(), 0);
}

TEST(NodeLifecycle, DestroyingAReferencedNodeClearsTheReferences)
{
    Network net;
    const NodeId source = net.createNode(test::echoBundle(), "src");
    const NodeId reader = net.createNode(test::echoBundle(), "reader");
    const NodeId ramp = net.createNode(test::rampBundle(), "ramp1");
    const NodeId other = net.createNode(test::rampBundle(), "ramp2");
    net.setParameter(reader, "Source", "src");
    net.setParameter(ramp, "Source", "/project1/src");
    net.setParameter(other, "Source", "reader");
    net.cookFrame();
    ASSERT_EQ(net.warningText(ramp), "custom:Echotable");

    net.destroyNode(source);
    net.cookFrame();
    EXPECT_EQ(net.parameterText(reader, "Source"), "");
    EXPECT_EQ(net.parameterText(ramp, "Source"), "");
    EXPECT_EQ(net.table(reader).cell(1, 0).text, "none");
    EXPECT_EQ(net.warningText(reader), ""); // cleared, so not "Source missing"
    EXPECT_EQ(net.warningText(ramp), "none");
    // A reference to another node is left alone.
    EXPECT_EQ(net.parameterText(other, "Source"), "reader");
    EXPECT_EQ(net.warningText(other), "custom:Echotable");

    // A new node of the same name is not picked up by the cleared references.
    net.createNode(test::echoBundle(), "src");
    net.cookFrame();
    EXPECT_EQ(net.warningText(ramp), "none");
}

} // namespace
} // namespace orvharness
