// The table a cook writes: its size, every fixed row, the cell kinds, and the event rows,
// before connecting, connected without data, after each message type and after "Reset".
#include "BundleTestSupport.h"

#include <map>

namespace orvtest
{
namespace
{

using orvharness::CellKind;
using orvharness::NodeId;
using orvharness::Table;

const char* const labels[18] = {nullptr,    "Title",    "Artist",    "Album",     "Filepath",
                                "Length",   "Velocity", "Position",  "Position2", "NormPos",
                                "BPM",      "EQLow",    "EQMid",     "EQHigh",    "Beat",
                                "UpfaderA", "UpfaderB", "Crossfader"};

void expectText(const Table& table, int row, int col, const std::string& text)
{
    SCOPED_TRACE("cell " + std::to_string(row) + "," + std::to_string(col));
    EXPECT_EQ(table.cell(row, col).kind, CellKind::Text);
    EXPECT_EQ(table.cell(row, col).text, text);
}

void expectNumber(const Table& table, int row, int col, double value)
{
    SCOPED_TRACE("cell " + std::to_string(row) + "," + std::to_string(col));
    EXPECT_EQ(table.cell(row, col).kind, CellKind::Number);
    EXPECT_EQ(table.cell(row, col).number, value);
}

class TableLayoutTest : public BundleTest
{
protected:
    void SetUp() override
    {
        BundleTest::SetUp();
        orv = createOrv("orv1", port);
    }

    void connect() { reconnect(orv); }

    bool sendAndWaitFor(const std::string& bytes, const std::function<bool(const Table&)>& done)
    {
        return sendAndWait(port, bytes, [&] { return done(net->table(orv)); });
    }

    // Rows 18 and on, as name -> (row, value cell).
    std::map<std::string, std::pair<int, orvharness::TableCell>> eventRows() const
    {
        const Table table = net->table(orv);
        std::map<std::string, std::pair<int, orvharness::TableCell>> rows;
        for (int row = 18; row < table.rows(); ++row)
        {
            rows[table.cell(row, 0).text] = {row, table.cell(row, 1)};
        }
        return rows;
    }

    NodeId orv = orvharness::noNode;
    uint16_t port = 0;
};

TEST_F(TableLayoutTest, BeforeConnectingEighteenByFiveAndNoCell)
{
    for (int frame = 0; frame < 3; ++frame)
    {
        net->cookFrame();
        const Table table = net->table(orv);
        EXPECT_EQ(table.outputType(), orvharness::OutputType::Table);
        EXPECT_EQ(table.rows(), 18);
        EXPECT_EQ(table.cols(), 5);
        EXPECT_EQ(table.cellsWrittenLastCook(), 0);
        for (int row = 0; row < 18; ++row)
        {
            for (int col = 0; col < 5; ++col)
            {
                EXPECT_EQ(table.cell(row, col).kind, CellKind::Empty);
            }
        }
    }
}

TEST_F(TableLayoutTest, ConnectedWithoutDataShowsLabelsEmptyTextsAndZeros)
{
    connect();
    const Table table = net->table(orv);
    ASSERT_EQ(table.rows(), 18);
    ASSERT_EQ(table.cols(), 5);
    EXPECT_EQ(table.cell(0, 0).kind, CellKind::Empty) << "the corner is never written";
    expectText(table, 0, 1, "Deck A");
    expectText(table, 0, 2, "Deck B");
    expectText(table, 0, 3, "Deck C");
    expectText(table, 0, 4, "Deck D");
    for (int row = 1; row < 18; ++row)
    {
        expectText(table, row, 0, labels[row]);
        for (int col = 1; col <= 4; ++col)
        {
            if (row <= 4)
            {
                expectText(table, row, col, "");
            }
            else
            {
                expectNumber(table, row, col, 0.0);
            }
        }
    }
    // 4 headers, 17 labels, 17 cells in each of 4 deck columns.
    EXPECT_EQ(table.cellsWrittenLastCook(), 4 + 17 + 17 * 4);
}

TEST_F(TableLayoutTest, DeckValuesFillTheirColumnAsNumbers)
{
    connect();
    const std::string deck2 = datagram(MessageType::Deck, {{"Deck", 2},
                                                           {"Length", 312.5},
                                                           {"Pitch", 1.08},
                                                           {"Position", 61.5},
                                                           {"Position2", 62.25},
                                                           {"NormalizedPosition", 0.197},
                                                           {"BPM", 124.0},
                                                           {"EQLow", 0.5},
                                                           {"EQMid", 0.1},
                                                           {"EQHigh", 1.0},
                                                           {"Beat", -1}});
    ASSERT_TRUE(
        sendAndWaitFor(deck2, [](const Table& t) { return t.cell(10, 2).number == 124.0; }));
    const Table table = net->table(orv);
    expectNumber(table, 5, 2, 312.5);
    expectNumber(table, 6, 2, 1.08); // "Pitch" is shown as "Velocity"
    expectNumber(table, 7, 2, 61.5);
    expectNumber(table, 8, 2, 62.25);
    expectNumber(table, 9, 2, 0.197);
    expectNumber(table, 10, 2, 124.0);
    expectNumber(table, 11, 2, 0.5);
    expectNumber(table, 12, 2, static_cast<double>(0.1f)); // a 32-bit field, widened
    expectNumber(table, 13, 2, 1.0);
    expectNumber(table, 14, 2, -1.0);
    for (int col : {1, 3, 4})
    {
        for (int row = 5; row <= 14; ++row)
        {
            expectNumber(table, row, col, 0.0);
        }
    }
    for (int row = 1; row <= 4; ++row)
    {
        expectText(table, row, 2, "");
    }
}

TEST_F(TableLayoutTest, MetaTextsFillTheirColumnAsTexts)
{
    connect();
    const std::string meta3 = datagram(MessageType::Meta, {{"Deck", 3},
                                                           {"Title", "Night Drive"},
                                                           {"Artist", "Ana Löwe"},
                                                           {"Album", "Routes"},
                                                           {"Filepath", "/music/nd.flac"}});
    ASSERT_TRUE(sendAndWaitFor(meta3, [](const Table& t) { return t.cell(1, 3).text != ""; }));
    const Table table = net->table(orv);
    expectText(table, 1, 3, "Night Drive");
    expectText(table, 2, 3, "Ana Löwe");
    expectText(table, 3, 3, "Routes");
    expectText(table, 4, 3, "/music/nd.flac");
    for (int col : {1, 2, 4})
    {
        expectText(table, 1, col, "");
    }
    expectNumber(table, 5, 3, 0.0);
}

TEST_F(TableLayoutTest, ControlValuesFillAllFourColumns)
{
    connect();
    const std::string control =
        datagram(MessageType::Control,
                 {{"UpfaderA", 0.25}, {"UpfaderB", 0.75}, {"Crossfader", -0.5}, {"Active", 1}});
    ASSERT_TRUE(sendAndWaitFor(control, [](const Table& t) { return t.cell(15, 1).number != 0; }));
    const Table table = net->table(orv);
    for (int col = 1; col <= 4; ++col)
    {
        expectNumber(table, 15, col, 0.25);
        expectNumber(table, 16, col, 0.75);
        expectNumber(table, 17, col, -0.5);
    }
    EXPECT_EQ(table.rows(), 18) << "the active flag is not shown";
}

TEST_F(TableLayoutTest, EventsAddRowsBelowTheFixedRowsAndUpdateInPlace)
{
    connect();
    const std::vector<std::pair<std::string, int>> sent{{"Drop", 1}, {"Build", 7}, {"Break", 255}};
    for (const auto& [name, value] : sent)
    {
        sender.send(port, datagram(MessageType::Event, {{"Event", name}, {"Value", value}}));
    }
    ASSERT_TRUE(cookUntil(*net, [&] { return net->table(orv).rows() == 21; }));
    net->cookFrame(); // the rows of a cook that already knew all three names
    Table table = net->table(orv);
    EXPECT_EQ(table.cols(), 5);
    expectText(table, 17, 0, "Crossfader");
    expectNumber(table, 17, 1, 0.0);

    auto rows = eventRows();
    ASSERT_EQ(rows.size(), 3u);
    const std::map<std::string, double> expected{{"Drop", 1}, {"Build", 7}, {"Break", 255}};
    for (const auto& [name, value] : expected)
    {
        ASSERT_EQ(rows.count(name), 1u) << name;
        const int row = rows[name].first;
        expectText(table, row, 0, name);
        expectNumber(table, row, 1, value);
        for (int col = 2; col <= 4; ++col)
        {
            EXPECT_EQ(table.cell(row, col).kind, CellKind::Empty) << name << " col " << col;
        }
    }

    sender.send(port, datagram(MessageType::Event, {{"Event", "Build"}, {"Value", 9}}));
    ASSERT_TRUE(cookUntil(*net, [&] { return eventRows()["Build"].second.number == 9.0; }));
    table = net->table(orv);
    EXPECT_EQ(table.rows(), 21) << "a known name adds no row";
    EXPECT_EQ(eventRows().size(), 3u);
}

TEST_F(TableLayoutTest, AfterResetTheTableKeepsItsRowsAndGetsNoCells)
{
    connect();
    ASSERT_TRUE(sendAndWaitFor(datagram(MessageType::Event, {{"Event", "Drop"}, {"Value", 1}}),
                               [](const Table& t) { return t.rows() == 19; }));
    ASSERT_TRUE(net->pulse(orv, "Reset"));
    for (int frame = 0; frame < 3; ++frame)
    {
        net->cookFrame();
        const Table table = net->table(orv);
        EXPECT_EQ(table.rows(), 19);
        EXPECT_EQ(table.cols(), 5);
        EXPECT_EQ(table.cellsWrittenLastCook(), 0);
    }
    // The received state survives: the next "Reconnect" shows it again.
    connect();
    expectText(net->table(orv), 18, 0, "Drop");
}

} // namespace
} // namespace orvtest
