// The channel operator over a real table operator: the channel map index by index, the
// conversions at their edges, and every case in which a cook must write nothing.
#include "BundleTestSupport.h"

#include <cfloat>
#include <chrono>
#include <cmath>
#include <limits>

namespace orvtest
{
namespace
{

using orvharness::NodeId;

// The keys of one deck's eleven channels, in channel order from the deck's first channel
// (3 for deck 1, 14 for deck 2, 25 for deck 3, 36 for deck 4).
const char* const kDeckKeys[11] = {"Pitch",  "Position", "Position2", "NormalizedPosition",
                                   "BPM",    "Length",   "EQLow",     "EQMid",
                                   "EQHigh", "Deck",     "Beat"};

class ChannelOperatorTest : public BundleTest
{
protected:
    void SetUp() override
    {
        BundleTest::SetUp();
        orv = createOrv("orv1", port);
        channels = createChannels("channels1", "orv1");
    }

    float sample(NodeId node, int index) { return net->channels(node)[index][0]; }

    bool wroteNothing(NodeId node)
    {
        const orvharness::ChannelOutput output = net->channelOutput(node);
        for (const auto& channel : output.writtenLastCook)
        {
            for (bool written : channel)
            {
                if (written)
                {
                    return false;
                }
            }
        }
        return true;
    }

    // Indices 0 to 46 written by the last cook, 47 not.
    void expectFullCook(NodeId node)
    {
        const orvharness::ChannelOutput output = net->channelOutput(node);
        ASSERT_EQ(output.writtenLastCook.size(), 48u);
        for (int index = 0; index < 47; ++index)
        {
            EXPECT_TRUE(output.writtenLastCook[index][0]) << "index " << index;
        }
        EXPECT_FALSE(output.writtenLastCook[47][0]);
        EXPECT_TRUE(std::isnan(output.samples[47][0])) << "index 47 is never written";
    }

    NodeId orv = orvharness::noNode;
    NodeId channels = orvharness::noNode;
    uint16_t port = 0;
};

TEST_F(ChannelOperatorTest, ChannelMapIndexByIndexForTheMixerAndAllFourDecks)
{
    reconnect(orv);
    sender.send(port, datagram(MessageType::Control,
                               {{"UpfaderA", 0.125}, {"UpfaderB", 0.375}, {"Crossfader", -0.625}}));
    // Every value distinct, so a channel taken from the wrong field or deck shows.
    double sent[5][11] = {};
    for (int deck = 1; deck <= 4; ++deck)
    {
        Map payload;
        for (int k = 0; k < 11; ++k)
        {
            sent[deck][k] = deck * 100 + k + 0.5;
            payload[kDeckKeys[k]] = sent[deck][k];
        }
        sent[deck][9] = deck; // "Deck" names the slot
        sent[deck][10] = deck * 1000 + 7;
        payload["Deck"] = deck;
        payload["Beat"] = deck * 1000 + 7;
        sender.send(port, datagram(MessageType::Deck, payload));
    }
    ASSERT_TRUE(cookUntil(
        *net, [&] { return sample(channels, 0) == 0.125f && sample(channels, 46) == 4007.0f; }));
    net->cookFrame();
    expectFullCook(channels);

    EXPECT_EQ(sample(channels, 0), 0.125f);
    EXPECT_EQ(sample(channels, 1), 0.375f);
    EXPECT_EQ(sample(channels, 2), -0.625f);
    for (int deck = 1; deck <= 4; ++deck)
    {
        const int first = 3 + 11 * (deck - 1);
        for (int k = 0; k < 11; ++k)
        {
            EXPECT_EQ(sample(channels, first + k), static_cast<float>(sent[deck][k]))
                << "index " << first + k << ": deck " << deck << " " << kDeckKeys[k];
        }
    }
    // Landmarks of the map.
    EXPECT_EQ(sample(channels, 3), 100.5f);   // deck 1 pitch
    EXPECT_EQ(sample(channels, 13), 1007.0f); // deck 1 beat
    EXPECT_EQ(sample(channels, 14), 200.5f);  // deck 2 pitch
    EXPECT_EQ(sample(channels, 23), 2.0f);    // deck 2 deck number
    EXPECT_EQ(sample(channels, 25), 300.5f);  // deck 3 pitch
    EXPECT_EQ(sample(channels, 36), 400.5f);  // deck 4 pitch
    EXPECT_EQ(sample(channels, 42), 406.5f);  // deck 4 EQLow
}

// Step k sends deck 1 to 4 with BPM k, then the mixer with UpfaderA k, and cooks a frame
// while the receive thread stores them. A frame read at one moment shows some prefix of that
// stream: BPM 1 >= BPM 2 >= BPM 3 >= BPM 4 >= UpfaderA >= BPM 1 - 1. A frame pieced together
// from several reads while datagrams arrive breaks that order. Every 20 steps the frames wait
// for the receiver to catch up, so that a busy machine never overflows the socket's buffer
// (a lost datagram would break the order without any fault of the cook).
TEST_F(ChannelOperatorTest, AFrameComesFromOneMoment)
{
    reconnect(orv);
    constexpr int steps = 10000;
    const auto consistent = [&]
    {
        const float upfader = sample(channels, 0);
        const float bpm[4] = {sample(channels, 7), sample(channels, 18), sample(channels, 29),
                              sample(channels, 40)};
        return bpm[0] >= bpm[1] && bpm[1] >= bpm[2] && bpm[2] >= bpm[3] && bpm[3] >= upfader &&
               upfader >= bpm[0] - 1.0f;
    };
    int frames = 0;
    int mixed = 0;
    const auto cookAndCheck = [&]
    {
        net->cookFrame();
        ++frames;
        if (!wroteNothing(channels) && !consistent())
            ++mixed;
    };
    for (int k = 1; k <= steps; ++k)
    {
        for (int deck = 1; deck <= 4; ++deck)
            sender.send(port, datagram(MessageType::Deck, {{"Deck", deck}, {"BPM", k}}));
        sender.send(port, datagram(MessageType::Control, {{"UpfaderA", k}}));
        cookAndCheck();
        const auto deadline = std::chrono::steady_clock::now() + defaultDeadline;
        while (k % 20 == 0 && sample(channels, 0) < k &&
               std::chrono::steady_clock::now() < deadline)
            cookAndCheck();
    }
    ASSERT_TRUE(cookUntil(*net, [&] { return sample(channels, 0) == steps; }))
        << "every datagram arrives";
    EXPECT_EQ(mixed, 0) << "of " << frames << " frames";
}

TEST_F(ChannelOperatorTest, ConversionsAtTheEdges)
{
    reconnect(orv);
    const double belowOverflow = 0x1.fffffefffffffp+127; // rounds down to the largest float
    const double overflowTie = 0x1.ffffffp+127;          // halfway: rounds to infinity
    sender.send(port,
                datagram(MessageType::Deck, {{"Deck", 1},
                                             {"Pitch", std::numeric_limits<double>::quiet_NaN()},
                                             {"Position", belowOverflow},
                                             {"Position2", overflowTie},
                                             {"NormalizedPosition", 0.1},
                                             {"BPM", 1e300},
                                             {"Length", -1e300},
                                             {"Beat", 16777217}}));
    sender.send(port, datagram(MessageType::Deck, {{"Deck", 2}, {"Beat", -16777219}}));
    ASSERT_TRUE(cookUntil(
        *net, [&] { return sample(channels, 13) != 0.0f && sample(channels, 24) != 0.0f; }));
    EXPECT_TRUE(std::isnan(sample(channels, 3)));
    EXPECT_EQ(sample(channels, 4), FLT_MAX);
    EXPECT_EQ(sample(channels, 5), std::numeric_limits<float>::infinity());
    EXPECT_EQ(sample(channels, 6), 0.1f);
    EXPECT_EQ(sample(channels, 7), std::numeric_limits<float>::infinity());
    EXPECT_EQ(sample(channels, 8), -std::numeric_limits<float>::infinity());
    EXPECT_EQ(sample(channels, 13), 16777216.0f);  // tie, to even
    EXPECT_EQ(sample(channels, 24), -16777220.0f); // nearest
}

TEST_F(ChannelOperatorTest, NothingWrittenUntilConnectedThenZerosThenNothingAfterReset)
{
    for (int frame = 0; frame < 3; ++frame)
    {
        net->cookFrame();
        EXPECT_TRUE(wroteNothing(channels));
    }
    EXPECT_TRUE(std::isnan(sample(channels, 0))) << "the host's buffer as it was";

    reconnect(orv);
    expectFullCook(channels);
    for (int index = 0; index < 47; ++index)
    {
        EXPECT_EQ(sample(channels, index), 0.0f) << "index " << index;
    }
    ASSERT_TRUE(sendAndWait(port, datagram(MessageType::Deck, {{"Deck", 2}}),
                            [&] { return sample(channels, 23) == 2.0f; }));

    ASSERT_TRUE(net->pulse(orv, "Reset"));
    net->cookFrame();
    EXPECT_TRUE(wroteNothing(channels));
    EXPECT_EQ(sample(channels, 23), 2.0f) << "the channels keep what the host holds";
}

TEST_F(ChannelOperatorTest, EmptyReferenceWritesNothing)
{
    reconnect(orv);
    ASSERT_TRUE(net->setParameter(channels, "Orvdat", ""));
    net->cookFrame();
    EXPECT_TRUE(wroteNothing(channels));
    EXPECT_EQ(net->hostErrorText(channels), "");
}

TEST_F(ChannelOperatorTest, CustomOperatorOfAnotherTypeIsNotRead)
{
    reconnect(orv);
    for (const char* type : {"Orvx", "orv", "Orvchannels", ""})
    {
        ASSERT_TRUE(net->setReportedOpType(orv, type));
        net->cookFrame();
        EXPECT_TRUE(wroteNothing(channels)) << '"' << type << '"';
    }
    ASSERT_TRUE(net->setReportedOpType(orv, "Orv"));
    net->cookFrame();
    expectFullCook(channels);
}

TEST_F(ChannelOperatorTest, BuiltinTableWithoutCustomBlockIsNotRead)
{
    reconnect(orv);
    ASSERT_NE(net->createBuiltinTable("table1", {{"Deck A", "1"}}), orvharness::noNode);
    ASSERT_TRUE(net->setParameter(channels, "Orvdat", "table1"));
    net->cookFrame();
    EXPECT_TRUE(wroteNothing(channels));
    EXPECT_EQ(net->hostErrorText(channels), "");
}

TEST_F(ChannelOperatorTest, TwoChannelNodesReadOneTableNode)
{
    NodeId second = createChannels("channels2", "/project1/orv1");
    reconnect(orv);
    ASSERT_TRUE(sendAndWait(port, datagram(MessageType::Deck, {{"Deck", 3}, {"BPM", 140.0}}),
                            [&] { return sample(channels, 29) == 140.0f; }));
    expectFullCook(second);
    for (int index = 0; index < 47; ++index)
    {
        EXPECT_EQ(sample(second, index), sample(channels, index)) << "index " << index;
    }
}

TEST_F(ChannelOperatorTest, DestroyedTableNodeLeavesChannelNodesWritingNothing)
{
    NodeId second = createChannels("channels2", "orv1");
    reconnect(orv);
    expectFullCook(channels);
    ASSERT_TRUE(net->destroyNode(orv));
    EXPECT_EQ(net->parameterText(channels, "Orvdat"), "");
    net->cookFrame();
    EXPECT_TRUE(wroteNothing(channels));
    EXPECT_TRUE(wroteNothing(second));
    EXPECT_EQ(net->hostErrorText(channels), "");
    EXPECT_EQ(net->hostErrorText(second), "");
}

// "Descriptive" names the channels by what they hold; indices and values stay as they are.
TEST_F(ChannelOperatorTest, DescriptiveNamesChangeNoIndexAndNoValue)
{
    reconnect(orv);
    ASSERT_TRUE(sendAndWait(port, datagram(MessageType::Deck, {{"Deck", 2}, {"BPM", 124.0}}),
                            [&] { return sample(channels, 18) == 124.0f; }));
    const std::vector<std::vector<float>> before = net->channels(channels);

    ASSERT_TRUE(net->setParameter(channels, "Channelnames", "descriptive"));
    net->cookFrame();
    const orvharness::ChannelOutput output = net->channelOutput(channels);
    ASSERT_EQ(output.names.size(), 48u);
    EXPECT_EQ(output.names[0], "upfader_a");
    EXPECT_EQ(output.names[2], "crossfader");
    EXPECT_EQ(output.names[3], "deck1_pitch");
    EXPECT_EQ(output.names[6], "deck1_normpos");
    EXPECT_EQ(output.names[18], "deck2_bpm");
    EXPECT_EQ(output.names[23], "deck2_deck");
    EXPECT_EQ(output.names[46], "deck4_beat");
    EXPECT_EQ(output.names[47], "reserved");
    for (int index = 0; index < 47; ++index)
    {
        EXPECT_EQ(output.samples[index][0], before[index][0]) << "index " << index;
    }

    ASSERT_TRUE(net->setParameter(channels, "Channelnames", "compatible"));
    net->cookFrame();
    for (const std::string& name : net->channelOutput(channels).names)
    {
        EXPECT_EQ(name, "chan1");
    }
}

} // namespace
} // namespace orvtest
