// Parameter declarations as recorded, the values the host serves, and setting them.
#include "TestBundles.h"

#include "harness/Network.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace orvharness
{
namespace
{

class Parameters : public ::testing::Test
{
protected:
    const ParameterRecord& record(const std::string& name)
    {
        records = net.parameters(echo);
        const auto found = std::find_if(records.begin(), records.end(),
                                        [&](const ParameterRecord& r) { return r.name == name; });
        if (found == records.end())
            throw std::runtime_error("no record " + name);
        return *found;
    }

    Network net;
    NodeId echo = net.createNode(test::echoBundle(), "echo1");
    std::vector<ParameterRecord> records;
};

TEST_F(Parameters, EveryAppendIsRecordedInOrderWithWhatTheHostAnswered)
{
    std::vector<std::string> names;
    std::vector<AppendResult> results;
    for (const ParameterRecord& r : net.parameters(echo))
    {
        names.push_back(r.name);
        results.push_back(r.result);
    }
    const std::vector<std::string> expected = {"Text",     "Rows",   "Blank", "Logcalls", "Overrun",
                                               "Throw",    "Source", "Error", "Mode",     "Bump",
                                               "bad name", "Text",   "Wide"};
    EXPECT_EQ(names, expected);
    using R = AppendResult;
    const std::vector<R> expectedResults = {
        R::Success,     R::Success,     R::Success,    R::Success, R::Success,
        R::Success,     R::Success,     R::Success,    R::Success, R::Success,
        R::InvalidName, R::InvalidName, R::InvalidSize};
    EXPECT_EQ(results, expectedResults);
}

TEST_F(Parameters, NumericRecordKeepsEveryField)
{
    const ParameterRecord& rows = record("Rows");
    EXPECT_EQ(rows.kind, ParameterKind::Int);
    EXPECT_EQ(rows.label, "Rows");
    EXPECT_EQ(rows.page, "Echo");
    EXPECT_EQ(rows.componentCount, 1);
    EXPECT_EQ(rows.defaultValues, (std::array<double, 4>{3, 0, 0, 0}));
    EXPECT_EQ(rows.minValues, (std::array<double, 4>{0, 0, 0, 0}));
    EXPECT_EQ(rows.maxValues, (std::array<double, 4>{8, 1, 1, 1}));
    EXPECT_EQ(rows.clampMins, (std::array<bool, 4>{true, false, false, false}));
    EXPECT_EQ(rows.clampMaxes, (std::array<bool, 4>{true, false, false, false}));
    EXPECT_EQ(rows.minSliders, (std::array<double, 4>{1, 0, 0, 0}));
    EXPECT_EQ(rows.maxSliders, (std::array<double, 4>{6, 1, 1, 1}));
}

TEST_F(Parameters, NullAndEmptyTextsAreTold)
{
    const ParameterRecord& bump = record("Bump");
    EXPECT_EQ(bump.kind, ParameterKind::Pulse);
    EXPECT_EQ(bump.label, std::nullopt);
    EXPECT_EQ(bump.page, std::nullopt);
    EXPECT_EQ(record("Error").label, "");
    EXPECT_EQ(record("Error").defaultText, std::nullopt);
    EXPECT_EQ(record("Source").kind, ParameterKind::Dat);
    EXPECT_EQ(record("Source").defaultText, "");
    const ParameterRecord& mode = record("Mode");
    EXPECT_EQ(mode.kind, ParameterKind::Menu);
    EXPECT_EQ(mode.menuNames, (std::vector<std::string>{"table", "text"}));
    EXPECT_EQ(mode.menuLabels, (std::vector<std::string>{"Table", "Text"}));
}

TEST_F(Parameters, DefaultsAreServedUntilSet)
{
    EXPECT_EQ(net.parameterText(echo, "Text"), "hello");
    EXPECT_EQ(net.parameterValue(echo, "Rows"), 3);
    EXPECT_EQ(net.parameterText(echo, "Error"), "");
    EXPECT_EQ(net.parameterText(echo, "Mode"), "table");
    EXPECT_EQ(net.parameterValue(echo, "Mode"), 0);
    // A refused declaration gets no value.
    EXPECT_FALSE(net.setParameter(echo, "Wide", 1.0));
}

TEST_F(Parameters, ValuesMustFitTheKind)
{
    EXPECT_TRUE(net.setParameter(echo, "Rows", "5"));
    EXPECT_EQ(net.parameterValue(echo, "Rows"), 5);
    EXPECT_FALSE(net.setParameter(echo, "Rows", "5 rows"));
    EXPECT_FALSE(net.setParameter(echo, "Rows", " 5"));
    EXPECT_FALSE(net.setParameter(echo, "Text", 5));
    EXPECT_FALSE(net.setParameter(echo, "Nosuch", "x"));
    EXPECT_NE(net.lastError().find("Nosuch"), std::string::npos);
    EXPECT_FALSE(net.setParameterComponent(echo, "Rows", 1, 2.0));
    EXPECT_FALSE(net.setParameter(noNode, "Rows", 1));
}

TEST_F(Parameters, ClampedEndsAndTogglesAreApplied)
{
    net.setParameter(echo, "Rows", 100);
    EXPECT_EQ(net.parameterValue(echo, "Rows"), 8);
    net.setParameter(echo, "Rows", -4);
    EXPECT_EQ(net.parameterValue(echo, "Rows"), 0);
    net.setParameter(echo, "Blank", 7);
    EXPECT_EQ(net.parameterValue(echo, "Blank"), 1);
}

TEST_F(Parameters, MenuTakesItemNameOrIndex)
{
    EXPECT_TRUE(net.setParameter(echo, "Mode", "text"));
    EXPECT_EQ(net.parameterValue(echo, "Mode"), 1);
    EXPECT_TRUE(net.setParameter(echo, "Mode", 0));
    EXPECT_EQ(net.parameterText(echo, "Mode"), "table");
    EXPECT_FALSE(net.setParameter(echo, "Mode", "Text"));
    EXPECT_FALSE(net.setParameter(echo, "Mode", 2));
}

TEST_F(Parameters, PluginReadsServedValuesInItsCook)
{
    net.setParameter(echo, "Text", "served");
    net.setParameter(echo, "Mode", "table");
    net.cookFrame();
    const Table table = net.table(echo);
    EXPECT_EQ(table.cell(0, 0).text, "served");
    // getParString never gives null: "" for a numeric and for an unknown name.
    EXPECT_EQ(table.cell(2, 0).kind, CellKind::Text);
    EXPECT_EQ(table.cell(2, 0).text, "");
    EXPECT_EQ(table.cell(2, 1).kind, CellKind::Text);
    EXPECT_EQ(table.cell(2, 1).text, "");
    EXPECT_EQ(table.cell(2, 2).number, 0); // menu index
}

TEST_F(Parameters, DeclaringAgainKeepsValuesAndTakesNewDefaults)
{
    net.setParameter(echo, "Text", "mine");
    net.setParameter(echo, "Rows", 6);
    net.pulse(echo, "Bump");
    ASSERT_TRUE(net.refreshParameters(echo));
    EXPECT_EQ(record("Text").defaultText, "hello1");
    EXPECT_EQ(net.parameterText(echo, "Text"), "mine");
    EXPECT_EQ(net.parameterValue(echo, "Rows"), 6);
    EXPECT_EQ(net.parameters(echo).size(), 13u);
}

} // namespace
} // namespace orvharness
