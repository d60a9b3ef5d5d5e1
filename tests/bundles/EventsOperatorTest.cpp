// The events operator over a real table operator: rows and channels in the order the names
// first arrived, the three outputs (a repeated datagram with the same value pulses again), the
// decks' track changes, the channel names, the bound of 1,024 names, and when it writes nothing.
#include "BundleTestSupport.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

namespace orvtest
{
namespace
{

using orvharness::NodeId;

class EventsOperatorTest : public BundleTest
{
protected:
    void SetUp() override
    {
        BundleTest::SetUp();
        orv = createOrv("orv1", port);
        events = createEvents("events1", "orv1");
    }

    NodeId createOutputNode(const std::string& name, const char* output, bool tracks = false)
    {
        const NodeId node = createEvents(name, "orv1");
        EXPECT_TRUE(net->setParameter(node, "Output", output));
        EXPECT_TRUE(net->setParameter(node, "Trackchanges", tracks ? 1 : 0));
        return node;
    }

    void sendEvent(const std::string& name, int value)
    {
        sender.send(port, datagram(MessageType::Event, {{"Event", name}, {"Value", value}}));
    }

    std::vector<std::string> names(NodeId node) { return net->channelOutput(node).names; }

    // Sample 0 of the channel named `name`; NaN when there is none.
    float sample(NodeId node, const std::string& name)
    {
        const orvharness::ChannelOutput output = net->channelOutput(node);
        for (size_t k = 0; k < output.names.size(); ++k)
        {
            if (output.names[k] == name)
                return output.samples[k][0];
        }
        return NAN;
    }

    bool wroteNothing(NodeId node)
    {
        for (const auto& channel : net->channelOutput(node).writtenLastCook)
        {
            if (channel[0])
                return false;
        }
        return true;
    }

    NodeId orv = orvharness::noNode;
    NodeId events = orvharness::noNode;
    uint16_t port = 0;
};

TEST_F(EventsOperatorTest, RowsAndChannelsKeepTheOrderInWhichNamesFirstArrived)
{
    reconnect(orv);
    const std::vector<std::string> first{"A", "B", "C"};
    for (size_t k = 0; k < first.size(); ++k)
    {
        sendEvent(first[k], static_cast<int>(k) + 1);
        ASSERT_TRUE(cookUntil(*net, [&] { return net->table(orv).rows() == 19 + int(k); }));
    }
    // Many more names, and the first ones again: nothing moves, the new names follow.
    std::vector<std::string> expected = first;
    for (int k = 0; k < 40; ++k)
    {
        sendEvent("N" + std::to_string(k), 1);
        expected.push_back("N" + std::to_string(k));
        ASSERT_TRUE(cookUntil(*net, [&] { return net->table(orv).rows() == 22 + k; }));
    }
    sendEvent("A", 7);
    // The table node cooks first: a frame can show the new value on the events node only.
    ASSERT_TRUE(cookUntil(*net, [&] { return net->table(orv).cell(18, 1).number == 7.0; }));

    const orvharness::Table table = net->table(orv);
    ASSERT_EQ(table.rows(), 18 + static_cast<int>(expected.size()));
    for (size_t k = 0; k < expected.size(); ++k)
        EXPECT_EQ(table.cell(18 + static_cast<int>(k), 0).text, expected[k]) << "row " << 18 + k;
    EXPECT_EQ(names(events), expected);
    EXPECT_EQ(sample(events, "A"), 7.0f);
    EXPECT_EQ(sample(events, "B"), 2.0f);
    EXPECT_EQ(sample(events, "C"), 3.0f);
}

TEST_F(EventsOperatorTest, PulseFiresOncePerCookWithNewDatagramsEvenWithAnUnchangedValue)
{
    const NodeId pulses = createOutputNode("pulses", "pulse");
    const NodeId counts = createOutputNode("counts", "count");
    reconnect(orv);
    int fired = 0;
    for (int sent = 1; sent <= 2; ++sent)
    {
        sendEvent("Drop", 1);
        ASSERT_TRUE(cookUntil(*net, [&] { return sample(pulses, "Drop") == 1.0f; }));
        ++fired;
        net->cookFrame();
        EXPECT_EQ(sample(pulses, "Drop"), 0.0f) << "one pulse per datagram's arrival";
        EXPECT_EQ(sample(counts, "Drop"), static_cast<float>(sent));
    }
    EXPECT_EQ(fired, 2);
    EXPECT_EQ(sample(events, "Drop"), 1.0f) << "Value: the latest value";

    // A node made later takes what came before as seen; a new name pulses on its arrival.
    const NodeId late = createOutputNode("late", "pulse");
    net->cookFrame();
    EXPECT_EQ(sample(late, "Drop"), 0.0f);
    sendEvent("Cue", 0);
    ASSERT_TRUE(cookUntil(*net, [&] { return sample(late, "Cue") == 1.0f; }));
}

TEST_F(EventsOperatorTest, TrackChangesCountEachNewTitleOrFilePathBeforeTheEvents)
{
    const NodeId counts = createOutputNode("counts", "count", true);
    const NodeId values = createOutputNode("values", "value", true);
    const NodeId pulses = createOutputNode("pulses", "pulse", true);
    reconnect(orv);
    sendEvent("Drop", 1);
    ASSERT_TRUE(cookUntil(*net, [&] { return sample(counts, "Drop") == 1.0f; }));
    EXPECT_EQ(names(counts), (std::vector<std::string>{"deck1_track", "deck2_track", "deck3_track",
                                                       "deck4_track", "Drop"}));

    // Every frame from here on counts the pulse node's deck 2 pulses.
    int pulsed = 0;
    auto cookCounting = [&](const std::function<bool()>& done)
    {
        return cookUntil(*net,
                         [&]
                         {
                             pulsed += sample(pulses, "deck2_track") == 1.0f;
                             return done();
                         });
    };
    auto meta = [&](const std::string& title, const std::string& artist, const std::string& path)
    {
        sender.send(
            port,
            datagram(MessageType::Meta,
                     {{"Deck", 2}, {"Title", title}, {"Artist", artist}, {"Filepath", path}}));
        return cookCounting([&] { return net->table(orv).cell(2, 2).text == artist; });
    };
    ASSERT_TRUE(meta("One", "X", "/a.mp3"));
    ASSERT_TRUE(cookCounting([&] { return sample(counts, "deck2_track") == 1.0f; }));
    ASSERT_TRUE(meta("One", "Y", "/a.mp3")); // the artist alone: no new track
    ASSERT_TRUE(meta("One", "Z", "/b.mp3"));
    ASSERT_TRUE(cookCounting([&] { return sample(counts, "deck2_track") == 2.0f; }));
    net->cookFrame();
    EXPECT_EQ(sample(counts, "deck2_track"), 2.0f);
    EXPECT_EQ(pulsed, 2);
    EXPECT_EQ(sample(values, "deck2_track"), 2.0f) << "Value shows the change count too";
    EXPECT_EQ(sample(counts, "deck1_track"), 0.0f);
}

TEST_F(EventsOperatorTest, ChannelNamesAreValidAndUniqueInArrivalOrder)
{
    reconnect(orv);
    const std::vector<std::string> sent{"Drop",        "drop!", "drop?",       "9 lives",
                                        "K\xc3\xa4se", "",      "deck1_track", "drop__2"};
    for (size_t k = 0; k < sent.size(); ++k)
    {
        sendEvent(sent[k], 1);
        ASSERT_TRUE(cookUntil(*net, [&] { return net->table(orv).rows() == 19 + int(k); }));
    }
    net->cookFrame();
    EXPECT_EQ(names(events), (std::vector<std::string>{"Drop", "drop_", "drop__2", "_9_lives",
                                                       "K_se", "_", "deck1_track_2", "drop__2_2"}));
}

TEST_F(EventsOperatorTest, ThousandTwentyFourNamesGiveThatManyChannelsAndNoMore)
{
    reconnect(orv);
    constexpr int kNames = 1024;
    for (int sent = 0; sent < kNames;)
    {
        const int batch = std::min(kNames - sent, 50); // what the receive queue surely holds
        for (int k = sent; k < sent + batch; ++k)
            sendEvent("e" + std::to_string(k), k % 256);
        sent += batch;
        ASSERT_TRUE(cookUntil(*net, [&] { return net->table(orv).rows() == 18 + sent; }));
    }
    sendEvent("one too many", 1);
    ASSERT_TRUE(cookUntil(*net, [&] { return !net->warningText(orv).empty(); }));
    const std::vector<std::string> channelNames = names(events);
    ASSERT_EQ(channelNames.size(), static_cast<size_t>(kNames));
    EXPECT_EQ(channelNames[1023], "e1023");
    EXPECT_EQ(sample(events, "e1023"), static_cast<float>(1023 % 256));
}

TEST_F(EventsOperatorTest, WritesNothingWithoutAConnectedOrvNode)
{
    net->cookFrame();
    EXPECT_TRUE(wroteNothing(events)) << "not connected yet";
    reconnect(orv);
    sendEvent("Drop", 1);
    ASSERT_TRUE(cookUntil(*net, [&] { return sample(events, "Drop") == 1.0f; }));

    ASSERT_TRUE(net->pulse(orv, "Reset"));
    net->cookFrame();
    EXPECT_TRUE(wroteNothing(events)) << "disconnected";
    EXPECT_EQ(names(events), std::vector<std::string>{"Drop"}) << "the names stay";

    ASSERT_TRUE(net->setReportedOpType(orv, "Orvother"));
    net->cookFrame();
    EXPECT_TRUE(names(events).empty()) << "a custom operator of another type";
    EXPECT_EQ(net->hostErrorText(events), "");
}

} // namespace
} // namespace orvtest
