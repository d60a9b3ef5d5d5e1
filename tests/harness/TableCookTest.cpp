// Cooking a table node: the host's call order, cells with their kind, what the host keeps
// between cooks, the texts, and faults of the plug-in that the host catches.
#include "TestBundles.h"

#include "harness/Network.h"
#include "harness/NumberText.h"

#include <gtest/gtest.h>

#include <cmath>

namespace orvharness
{
namespace
{

class TableCook : public ::testing::Test
{
protected:
    Network net;
    NodeId echo = net.createNode(test::echoBundle(), "echo1");
};

TEST_F(TableCook, CallsInTheHostsOrder)
{
    net.setParameter(echo, "Logcalls", 1);
    net.cookFrame();
    EXPECT_EQ(net.warningText(echo), "getGeneralInfo execute getWarningString");
    EXPECT_EQ(net.errorText(echo), "getGeneralInfo execute getWarningString getErrorString");
    EXPECT_TRUE(net.cookEveryFrame(echo));
}

TEST_F(TableCook, CellsKeepTheirKind)
{
    net.cookFrame();
    net.cookFrame();
    const Table table = net.table(echo);
    EXPECT_EQ(table.outputType(), OutputType::Table);
    EXPECT_EQ(table.rows(), 3);
    EXPECT_EQ(table.cols(), 3);
    EXPECT_EQ(table.cell(0, 0).kind, CellKind::Text);
    EXPECT_EQ(table.cell(0, 0).text, "hello");
    EXPECT_EQ(table.cell(0, 1).kind, CellKind::Number);
    EXPECT_EQ(table.cell(0, 1).number, 0.0);
    EXPECT_EQ(table.cell(0, 2).kind, CellKind::Int);
    EXPECT_EQ(table.cell(0, 2).number, 2.0);
    EXPECT_EQ(table.cell(0, 2).text, "2");
    EXPECT_EQ(table.cellsWrittenLastCook(), 9);
    EXPECT_EQ(net.cookCount(echo), 2);
    EXPECT_EQ(net.frame(), 2);
    EXPECT_EQ(table.cell(5, 5).kind, CellKind::Empty);
}

TEST_F(TableCook, CookThatWritesNoCellKeepsThePreviousCells)
{
    net.cookFrame();
    net.setParameter(echo, "Blank", 1);
    net.setParameter(echo, "Text", "changed");
    net.cookFrame();
    Table table = net.table(echo);
    EXPECT_EQ(table.cellsWrittenLastCook(), 0);
    EXPECT_EQ(table.cell(0, 0).text, "hello");
    EXPECT_FALSE(table.cell(0, 0).writtenLastCook);

    // Shrinking keeps what stays inside; growing adds empty cells.
    net.setParameter(echo, "Rows", 1);
    net.cookFrame();
    net.setParameter(echo, "Rows", 3);
    net.cookFrame();
    table = net.table(echo);
    EXPECT_EQ(table.cell(0, 0).text, "hello");
    EXPECT_EQ(table.cell(1, 0).kind, CellKind::Empty);
    EXPECT_EQ(table.cell(1, 0).text, "");
}

TEST_F(TableCook, NewNodeHasNoCellsBeforeItsFirstCook)
{
    const Table table = net.table(echo);
    EXPECT_EQ(table.rows(), 0);
    EXPECT_EQ(table.cols(), 0);
    EXPECT_EQ(net.errorText(echo), "");
    EXPECT_EQ(net.warningText(echo), "");
}

TEST_F(TableCook, ErrorTextFollowsEveryCook)
{
    net.setParameter(echo, "Error", "something broke");
    net.cookFrame();
    EXPECT_EQ(net.errorText(echo), "something broke");
    net.setParameter(echo, "Error", "");
    net.cookFrame();
    EXPECT_EQ(net.errorText(echo), "");
    EXPECT_EQ(net.hostErrorText(echo), "");
}

TEST_F(TableCook, TextOutput)
{
    net.setParameter(echo, "Mode", "text");
    net.setParameter(echo, "Text", "line one\nline two");
    net.cookFrame();
    const Table table = net.table(echo);
    EXPECT_EQ(table.outputType(), OutputType::Text);
    EXPECT_EQ(table.text(), "line one\nline two");
}

TEST_F(TableCook, WriteOutsideTheTableIsRefusedAndReported)
{
    net.setParameter(echo, "Overrun", 1);
    net.cookFrame();
    EXPECT_NE(net.hostErrorText(echo).find("setCellString(3, 0) outside the 3 by 3 table"),
              std::string::npos)
        << net.hostErrorText(echo);
    EXPECT_EQ(net.table(echo).rows(), 3);
}

TEST_F(TableCook, ExceptionOutOfTheCookIsCaughtAndTheNextCookRuns)
{
    net.setParameter(echo, "Throw", 1);
    net.cookFrame();
    EXPECT_NE(net.hostErrorText(echo).find("an exception left execute: echo was asked to throw"),
              std::string::npos)
        << net.hostErrorText(echo);
    net.setParameter(echo, "Throw", 0);
    net.cookFrame();
    EXPECT_EQ(net.table(echo).cell(0, 0).text, "hello");
}

TEST_F(TableCook, PulseReachesThePluginBetweenFrames)
{
    EXPECT_TRUE(net.pulse(echo, "Bump"));
    EXPECT_TRUE(net.pulse(echo, "Bump"));
    // A name that is no declared pulse is not pressed, unless a test asks for exactly that.
    EXPECT_FALSE(net.pulse(echo, "bump"));
    EXPECT_FALSE(net.pulse(echo, "Text"));
    EXPECT_TRUE(net.pulseAnyName(echo, "bump"));
    net.cookFrame();
    EXPECT_EQ(net.table(echo).cell(0, 1).number, 2.0);
}

TEST(CellText, NumbersAreShownInTheirShortestExactText)
{
    EXPECT_EQ(numberText(0.25), "0.25");
    EXPECT_EQ(numberText(3650), "3650");
    EXPECT_EQ(numberText(-1), "-1");
    EXPECT_EQ(numberText(0.1), "0.1");
    EXPECT_EQ(numberText(1e300), "1e+300");
    EXPECT_EQ(numberText(HUGE_VAL), "inf");
    EXPECT_EQ(numberText(std::nan("")), "nan");
    double back = 0;
    ASSERT_TRUE(parseNumber(numberText(1.0 / 3), back));
    EXPECT_EQ(back, 1.0 / 3);
    EXPECT_FALSE(parseNumber("", back));
    EXPECT_FALSE(parseNumber("1x", back));
}

} // namespace
} // namespace orvharness
