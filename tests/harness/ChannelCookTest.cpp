// Cooking a channel node: the host's call order, the shape and names, samples never written
// (NaN) and samples kept from the previous frame; its Info CHOP and Info DAT.
#include "TestBundles.h"

#include "harness/Network.h"

#include <gtest/gtest.h>

#include <cmath>

namespace orvharness
{
namespace
{

class ChannelCook : public ::testing::Test
{
protected:
    Network net;
    NodeId ramp = net.createNode(test::rampBundle(), "ramp1");
};

TEST_F(ChannelCook, CallsInTheHostsOrderWithOneNameQueryPerChannel)
{
    net.setParameter(ramp, "Logcalls", 1);
    net.setParameter(ramp, "Channels", 2);
    net.cookFrame();
    EXPECT_EQ(net.warningText(ramp), "getGeneralInfo getOutputInfo getChannelName "
                                     "getChannelName execute getWarningString");
    EXPECT_EQ(net.errorText(ramp), "getGeneralInfo getOutputInfo getChannelName getChannelName "
                                   "execute getWarningString getErrorString");
    EXPECT_FALSE(net.cookEveryFrame(ramp));
}

TEST_F(ChannelCook, ShapeNamesAndSamplesAsDeclared)
{
    net.cookFrame();
    const ChannelOutput out = net.channelOutput(ramp);
    EXPECT_TRUE(out.shapeFromPlugin);
    EXPECT_EQ(out.numChannels, 3);
    EXPECT_EQ(out.numSamples, 2);
    EXPECT_EQ(out.sampleRate, 30.0f);
    EXPECT_EQ(out.startIndex, 5u);
    EXPECT_EQ(out.names, (std::vector<std::string>{"ramp0", "ramp1", "ramp2"}));
    const std::vector<std::vector<float>> expected = {{0.5f, 1.5f}, {2.5f, 3.5f}, {4.5f, 5.5f}};
    EXPECT_EQ(net.channels(ramp), expected);
    EXPECT_EQ(out.writtenLastCook[2][1], true);
}

TEST_F(ChannelCook, SampleNeverWrittenIsNaN)
{
    net.setParameter(ramp, "Skip", 1);
    net.cookFrame();
    const ChannelOutput out = net.channelOutput(ramp);
    EXPECT_TRUE(std::isnan(out.samples[1][0]));
    EXPECT_TRUE(std::isnan(out.samples[1][1]));
    EXPECT_FALSE(out.writtenLastCook[1][0]);
    EXPECT_EQ(out.samples[2][0], 4.5f);
}

TEST_F(ChannelCook, SampleNotWrittenThisFrameKeepsThePreviousValue)
{
    net.cookFrame();
    net.setParameter(ramp, "Skip", 0);
    net.setParameter(ramp, "Start", 100.0);
    net.cookFrame();
    ChannelOutput out = net.channelOutput(ramp);
    EXPECT_EQ(out.samples[0], (std::vector<float>{0.5f, 1.5f}));
    EXPECT_FALSE(out.writtenLastCook[0][0]);
    EXPECT_EQ(out.samples[1][0], 102.0f);
    EXPECT_TRUE(out.writtenLastCook[1][0]);

    // A new shape means new buffers: what is not written is NaN again.
    net.setParameter(ramp, "Samples", 1);
    net.cookFrame();
    out = net.channelOutput(ramp);
    EXPECT_TRUE(std::isnan(out.samples[0][0]));
    EXPECT_EQ(out.samples[1][0], 101.0f);
}

TEST_F(ChannelCook, NoShapeFromThePluginGivesNoChannelsAndAsksNoNames)
{
    net.setParameter(ramp, "Shape", 0);
    net.setParameter(ramp, "Logcalls", 1);
    net.cookFrame();
    const ChannelOutput out = net.channelOutput(ramp);
    EXPECT_FALSE(out.shapeFromPlugin);
    EXPECT_EQ(out.numChannels, 0);
    EXPECT_TRUE(net.channels(ramp).empty());
    EXPECT_EQ(net.warningText(ramp), "getGeneralInfo getOutputInfo execute getWarningString");
}

TEST_F(ChannelCook, ImpossibleShapeIsRefusedWithoutExecute)
{
    net.cookFrame();
    net.setParameter(ramp, "Channels", -1);
    net.setParameter(ramp, "Logcalls", 1);
    net.cookFrame();
    EXPECT_NE(net.hostErrorText(ramp).find("refused channel shape of -1 channels"),
              std::string::npos)
        << net.hostErrorText(ramp);
    EXPECT_EQ(net.warningText(ramp), "getGeneralInfo getOutputInfo getWarningString");
    // The previous output stays.
    EXPECT_EQ(net.channels(ramp).size(), 3u);
}

TEST_F(ChannelCook, InfoOutputsAreReadAsTheHostReadsThem)
{
    net.setParameter(ramp, "Channels", 3);
    net.cookFrame();
    const std::vector<InfoChannel> channels = net.infoChannels(ramp);
    ASSERT_EQ(channels.size(), 3u);
    EXPECT_EQ(channels[2].name, "info2");
    EXPECT_EQ(channels[2].value, 2.0f);
    // Filled column by column, handed back row by row.
    EXPECT_EQ(net.infoTable(ramp), (InfoTable{{"r0c0", "r0c1", "r0c2"}, {"r1c0", "r1c1", "r1c2"}}));

    net.setParameter(ramp, "Channels", -1);
    net.cookFrame();
    EXPECT_TRUE(net.infoChannels(ramp).empty()) << "a negative count reads as nothing";
    EXPECT_NE(net.hostErrorText(ramp).find("getNumInfoCHOPChans answered -1"), std::string::npos);
}

} // namespace
} // namespace orvharness
