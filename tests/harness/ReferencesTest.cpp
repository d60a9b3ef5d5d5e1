// DAT references: the record and customOP block a plug-in gets for another node, for a
// plain table that is no custom operator, and for names that lead nowhere.
#include "TestBundles.h"

#include "harness/Network.h"

#include <gtest/gtest.h>

namespace orvharness
{
namespace
{

class References : public ::testing::Test
{
protected:
    std::string seenBy(NodeId node) { return net.table(node).cell(1, 0).text; }

    Network net;
    NodeId source = net.createNode(test::echoBundle(), "src");
    NodeId reader = net.createNode(test::echoBundle(), "reader");
    NodeId ramp = net.createNode(test::rampBundle(), "ramp1");
};

TEST_F(References, CustomOperatorGivesItsInstanceTypeAndCells)
{
    net.setParameter(source, "Text", "first");
    net.setParameter(reader, "Source", "src");
    net.setParameter(ramp, "Source", "src");
    net.cookFrame();
    EXPECT_EQ(seenBy(reader), "custom:Echotable:first");
    // The instance in the block is the object the source's create returned.
    EXPECT_EQ(net.table(reader).cell(1, 2).text, net.table(source).cell(1, 1).text);
    EXPECT_EQ(net.warningText(reader), "");
    EXPECT_EQ(net.warningText(ramp), "custom:Echotable");
}

TEST_F(References, FullPathResolvesLikeTheName)
{
    net.setParameter(reader, "Source", net.path(source));
    net.cookFrame();
    EXPECT_EQ(net.path(source), "/project1/src");
    EXPECT_EQ(seenBy(reader), "custom:Echotable:hello");
}

TEST_F(References, NodesCookInCreationOrder)
{
    // The source is cooked after its reader: in the first frame the reader sees the
    // source's table as it was before that frame (no cells yet).
    net.setParameter(source, "Source", "reader");
    net.cookFrame();
    EXPECT_EQ(seenBy(source), "custom:Echotable:");
    net.cookFrame();
    EXPECT_EQ(seenBy(source), "custom:Echotable:hello");
}

TEST_F(References, ReportedOperatorTypeCanBeChanged)
{
    ASSERT_TRUE(net.setReportedOpType(source, "Foreign"));
    net.setParameter(reader, "Source", "src");
    net.cookFrame();
    EXPECT_EQ(seenBy(reader), "custom:Foreign:hello");
}

TEST_F(References, BuiltinTableHasCellsButNoCustomBlock)
{
    const NodeId plain = net.createBuiltinTable("plain", {{"a", "b"}, {"c"}});
    ASSERT_NE(plain, noNode);
    net.setParameter(reader, "Source", "plain");
    net.setParameter(ramp, "Source", "plain");
    net.cookFrame();
    EXPECT_EQ(seenBy(reader), "builtin:a");
    EXPECT_EQ(net.warningText(ramp), "builtin");
    const Table table = net.table(plain);
    EXPECT_EQ(table.rows(), 2);
    EXPECT_EQ(table.cols(), 2);
    EXPECT_EQ(table.cell(1, 0).text, "c");
    EXPECT_EQ(table.cell(1, 1).kind, CellKind::Empty);
    EXPECT_EQ(net.kind(plain), NodeKind::BuiltinTable);
}

TEST_F(References, NamesThatLeadToNoTableGiveNoRecord)
{
    net.setParameter(reader, "Source", "nosuch");
    net.setParameter(ramp, "Source", "");
    net.cookFrame();
    EXPECT_EQ(seenBy(reader), "none");
    EXPECT_EQ(net.warningText(reader), "Source missing");
    EXPECT_EQ(net.warningText(ramp), "none");

    // A channel node is no table.
    net.setParameter(reader, "Source", "ramp1");
    net.cookFrame();
    EXPECT_EQ(seenBy(reader), "none");
}

} // namespace
} // namespace orvharness
