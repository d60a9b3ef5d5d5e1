// What each bundle declares to the host: plug-in info, parameters, cook policy, output shape.
#include "BundleTestSupport.h"

#include "plugin/OutputShape.h"

using orvharness::AppendResult;
using orvharness::ParameterKind;
using orvharness::ParameterRecord;

namespace orvtest
{
namespace
{

using DeclarationsTest = BundleTest;

TEST_F(DeclarationsTest, TableOperatorPluginInfo)
{
    const orvharness::PluginInfo& info = datBundle->info();
    EXPECT_EQ(info.family, orvharness::Family::Dat);
    EXPECT_EQ(info.apiVersion, 65540);
    EXPECT_EQ(info.opType, "Orv");
    EXPECT_EQ(info.opLabel, "ORV");
    EXPECT_EQ(info.authorName, "Quillmore");
    ASSERT_TRUE(info.authorEmail.has_value());
    EXPECT_NE(info.authorEmail->find('@'), std::string::npos);
    EXPECT_FALSE(info.opIcon.has_value());
    EXPECT_EQ(info.minInputs, 0);
    EXPECT_EQ(info.maxInputs, 0);
}

TEST_F(DeclarationsTest, ChannelOperatorPluginInfo)
{
    const orvharness::PluginInfo& info = chopBundle->info();
    EXPECT_EQ(info.family, orvharness::Family::Chop);
    EXPECT_EQ(info.apiVersion, 65546);
    EXPECT_EQ(info.opType, "Orvchannels");
    EXPECT_EQ(info.opLabel, "ORV Channels");
    EXPECT_EQ(info.authorName, "Quillmore");
    ASSERT_TRUE(info.authorEmail.has_value());
    EXPECT_NE(info.authorEmail->find('@'), std::string::npos);
    EXPECT_FALSE(info.opIcon.has_value());
}

// The fields every numeric record of the table operator shares: the host record's own
// defaults (range and slider 0 to 1, no clamps, no page).
void expectPlainNumericRecord(const ParameterRecord& record)
{
    SCOPED_TRACE(record.name);
    EXPECT_EQ(record.result, AppendResult::Success);
    EXPECT_FALSE(record.page.has_value());
    EXPECT_EQ(record.componentCount, 1);
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_EQ(record.minValues[i], 0.0);
        EXPECT_EQ(record.maxValues[i], 1.0);
        EXPECT_EQ(record.minSliders[i], 0.0);
        EXPECT_EQ(record.maxSliders[i], 1.0);
        EXPECT_FALSE(record.clampMins[i]);
        EXPECT_FALSE(record.clampMaxes[i]);
        if (i > 0)
        {
            EXPECT_EQ(record.defaultValues[i], 0.0);
        }
    }
}

TEST_F(DeclarationsTest, TableOperatorDeclaresSevenParametersInOrder)
{
    orvharness::NodeId orv = net->createNode(*datBundle, "orv1");
    ASSERT_NE(orv, orvharness::noNode);
    const std::vector<ParameterRecord> records = net->parameters(orv);
    ASSERT_EQ(records.size(), 7u);

    EXPECT_EQ(records[0].name, "Ip");
    EXPECT_EQ(records[0].kind, ParameterKind::String);
    EXPECT_EQ(records[0].label, "IP");
    EXPECT_EQ(records[0].defaultText, "127.0.0.1");
    EXPECT_FALSE(records[0].page.has_value());

    EXPECT_EQ(records[1].name, "Port");
    EXPECT_EQ(records[1].kind, ParameterKind::Int);
    EXPECT_EQ(records[1].label, "Port");
    EXPECT_EQ(records[1].defaultValues[0], 3650.0);
    expectPlainNumericRecord(records[1]);

    EXPECT_EQ(records[2].name, "Multicast");
    EXPECT_EQ(records[2].kind, ParameterKind::Toggle);
    EXPECT_EQ(records[2].label, "Multicast Listen");
    EXPECT_EQ(records[2].defaultValues[0], 0.0);
    expectPlainNumericRecord(records[2]);

    EXPECT_EQ(records[3].name, "Ipfilter");
    EXPECT_EQ(records[3].kind, ParameterKind::String);
    EXPECT_EQ(records[3].label, "IP Filter");
    EXPECT_EQ(records[3].defaultText, "");
    EXPECT_FALSE(records[3].page.has_value());

    EXPECT_EQ(records[4].name, "Reconnect");
    EXPECT_EQ(records[4].kind, ParameterKind::Pulse);
    EXPECT_FALSE(records[4].label.has_value()) << "declared without a label";
    EXPECT_EQ(records[4].defaultValues[0], 0.0);
    expectPlainNumericRecord(records[4]);

    EXPECT_EQ(records[5].name, "Reset");
    EXPECT_EQ(records[5].kind, ParameterKind::Pulse);
    EXPECT_EQ(records[5].label, "Reset");
    EXPECT_EQ(records[5].defaultValues[0], 0.0);
    expectPlainNumericRecord(records[5]);

    EXPECT_EQ(records[6].name, "Active");
    EXPECT_EQ(records[6].kind, ParameterKind::Toggle);
    EXPECT_EQ(records[6].label, "Active");
    EXPECT_EQ(records[6].defaultValues[0], 0.0) << "off: a node connects only when asked";
    expectPlainNumericRecord(records[6]);
}

TEST_F(DeclarationsTest, IpAndPortDefaultsFollowTheReceiverWhenParametersAreRebuilt)
{
    orvharness::NodeId orv = net->createNode(*datBundle, "orv1");
    ASSERT_TRUE(net->setParameter(orv, "Ip", "127.0.0.7"));
    ASSERT_TRUE(net->setParameter(orv, "Port", 4100));
    net->cookFrame(); // copies both into the receiver
    ASSERT_TRUE(net->refreshParameters(orv));
    const std::vector<ParameterRecord> records = net->parameters(orv);
    ASSERT_EQ(records.size(), 7u);
    EXPECT_EQ(records[0].defaultText, "127.0.0.7");
    EXPECT_EQ(records[1].defaultValues[0], 4100.0);
}

TEST_F(DeclarationsTest, ChannelOperatorDeclaresATableReferenceAndTheNamesMenu)
{
    orvharness::NodeId channels = net->createNode(*chopBundle, "channels1");
    ASSERT_NE(channels, orvharness::noNode);
    const std::vector<ParameterRecord> records = net->parameters(channels);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].name, "Orvdat");
    EXPECT_EQ(records[0].kind, ParameterKind::Dat);
    EXPECT_EQ(records[0].label, "ORV DAT");
    EXPECT_FALSE(records[0].page.has_value());
    EXPECT_EQ(records[0].defaultText, "");
    EXPECT_EQ(records[0].result, AppendResult::Success);

    // The default keeps the names of projects saved before the menu existed.
    EXPECT_EQ(records[1].name, "Channelnames");
    EXPECT_EQ(records[1].kind, ParameterKind::Menu);
    EXPECT_EQ(records[1].label, "Channel Names");
    EXPECT_EQ(records[1].defaultText, "compatible");
    EXPECT_EQ(records[1].menuNames, (std::vector<std::string>{"compatible", "descriptive"}));
    EXPECT_EQ(records[1].menuLabels,
              (std::vector<std::string>{"chan1 (compatible)", "Descriptive"}));
    EXPECT_EQ(records[1].result, AppendResult::Success);
}

TEST_F(DeclarationsTest, EventsOperatorDeclaresItsTypeAndThreeParameters)
{
    const orvharness::PluginInfo& info = eventsBundle->info();
    EXPECT_EQ(info.family, orvharness::Family::Chop);
    EXPECT_EQ(info.apiVersion, 65546);
    EXPECT_EQ(info.opType, "Orvevents");
    EXPECT_EQ(info.opLabel, "ORV Events");
    EXPECT_EQ(info.authorName, "Quillmore");
    EXPECT_EQ(info.authorEmail, chopBundle->info().authorEmail);

    orvharness::NodeId events = createEvents("events1", "");
    const std::vector<ParameterRecord> records = net->parameters(events);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].name, "Orvdat");
    EXPECT_EQ(records[0].kind, ParameterKind::Dat);
    EXPECT_EQ(records[0].label, "ORV DAT");
    EXPECT_EQ(records[1].name, "Output");
    EXPECT_EQ(records[1].kind, ParameterKind::Menu);
    EXPECT_EQ(records[1].label, "Output");
    EXPECT_EQ(records[1].defaultText, "value");
    EXPECT_EQ(records[1].menuNames, (std::vector<std::string>{"value", "pulse", "count"}));
    EXPECT_EQ(records[1].menuLabels, (std::vector<std::string>{"Value", "Pulse", "Count"}));
    EXPECT_EQ(records[2].name, "Trackchanges");
    EXPECT_EQ(records[2].kind, ParameterKind::Toggle);
    EXPECT_EQ(records[2].label, "Track Changes");
    EXPECT_EQ(records[2].defaultValues[0], 0.0);
    for (const ParameterRecord& record : records)
        EXPECT_EQ(record.result, AppendResult::Success) << record.name;

    net->cookFrame();
    EXPECT_TRUE(net->cookEveryFrame(events));
    EXPECT_EQ(net->channelOutput(events).numChannels, 0) << "no ORV node, no event";
    ASSERT_TRUE(net->setParameter(events, "Trackchanges", 1));
    net->cookFrame();
    EXPECT_EQ(
        net->channelOutput(events).names,
        (std::vector<std::string>{"deck1_track", "deck2_track", "deck3_track", "deck4_track"}));
}

TEST_F(DeclarationsTest, BothCookEveryFrameAndChannelsHaveTheirShape)
{
    orvharness::NodeId orv = net->createNode(*datBundle, "orv1");
    orvharness::NodeId channels = createChannels("channels1", "orv1");
    net->cookFrame();
    EXPECT_TRUE(net->cookEveryFrame(orv));
    EXPECT_TRUE(net->cookEveryFrame(channels));
    EXPECT_EQ(net->hostErrorText(orv), "");
    EXPECT_EQ(net->hostErrorText(channels), "");

    const orvharness::ChannelOutput output = net->channelOutput(channels);
    EXPECT_TRUE(output.shapeFromPlugin);
    EXPECT_EQ(output.numChannels, 48);
    EXPECT_EQ(output.numSamples, 1);
    ASSERT_EQ(output.names.size(), 48u);
    for (const std::string& name : output.names)
    {
        EXPECT_EQ(name, "chan1");
    }
    // The channel operator never reports anything.
    EXPECT_EQ(net->errorText(channels), "");
    EXPECT_EQ(net->warningText(channels), "");
}

// The check every channel operator makes before writing: a host that allocated less than the
// declared shape gets nothing written (the headless host never does, so it is checked here).
TEST(OutputShape, OnlyTheDeclaredShapeOrLargerIsWritten)
{
    float sample = 0.0f;
    float* buffers[2] = {&sample, &sample};
    const auto shape = [](int32_t channels, int32_t samples, float** array)
    { return TD::CHOP_Output(channels, samples, 60.0f, 0, array, nullptr); };

    EXPECT_TRUE(orvplugin::hasDeclaredShape(shape(2, 1, buffers), 2));
    EXPECT_TRUE(orvplugin::hasDeclaredShape(shape(2, 3, buffers), 1));
    EXPECT_FALSE(orvplugin::hasDeclaredShape(shape(1, 1, buffers), 2));
    EXPECT_FALSE(orvplugin::hasDeclaredShape(shape(2, 0, buffers), 2));
    EXPECT_FALSE(orvplugin::hasDeclaredShape(shape(2, 1, nullptr), 2));
    // No channels declared (an events node before any event): nothing to write into.
    EXPECT_TRUE(orvplugin::hasDeclaredShape(shape(0, 1, nullptr), 0));
}

} // namespace
} // namespace orvtest
