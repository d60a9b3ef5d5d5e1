// What the table operator's Info CHOP and Info DAT show, read through the headless host as
// the host reads them, with real datagrams on loopback; and the version row every bundle shows.
#include "BundleTestSupport.h"

#include <cmath>

namespace orvtest
{
namespace
{

using orvharness::NodeId;

class InfoOutputsTest : public BundleTest
{
protected:
    float channel(NodeId orv, const std::string& name) { return infoChannel(*net, orv, name); }

    // Cooks until the four counts add up to `total`.
    bool counted(NodeId orv, float total)
    {
        return cookUntil(*net,
                         [&]
                         {
                             return channel(orv, "datagrams") + channel(orv, "filtered") +
                                        channel(orv, "ignored") + channel(orv, "decode_errors") ==
                                    total;
                         });
    }

    std::string deck(int number)
    {
        return datagram(MessageType::Deck, {{"Deck", number}, {"BPM", 120.0}});
    }
};

TEST_F(InfoOutputsTest, AnIdleNodeShowsItsChannelsAndRows)
{
    uint16_t port = 0;
    NodeId orv = createOrv("orv1", port);
    net->cookFrame();
    std::vector<std::string> names;
    for (const orvharness::InfoChannel& info : net->infoChannels(orv))
    {
        names.push_back(info.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"connected", "datagrams", "filtered", "ignored",
                                               "decode_errors", "last_datagram_age", "deck1_age",
                                               "deck2_age", "deck3_age", "deck4_age", "events"}));
    EXPECT_EQ(channel(orv, "connected"), 0.0f);
    EXPECT_EQ(channel(orv, "last_datagram_age"), -1.0f);
    EXPECT_EQ(channel(orv, "deck4_age"), -1.0f);

    const orvharness::InfoTable table = net->infoTable(orv);
    ASSERT_EQ(table.size(), 6u);
    EXPECT_EQ(table[0], (std::vector<std::string>{"bound_address", ""}));
    EXPECT_EQ(table[1], (std::vector<std::string>{"bound_port", ""}));
    EXPECT_EQ(table[2], (std::vector<std::string>{"group_joined", "0"}));
    EXPECT_EQ(table[3][0], "last_sender");
    EXPECT_EQ(table[4][0], "last_filtered_sender");
    EXPECT_EQ(table[5][0], "version");
    EXPECT_NE(table[5][1], "");
    EXPECT_EQ(net->hostErrorText(orv), "");
}

TEST_F(InfoOutputsTest, EveryBundleShowsTheSameVersion)
{
    uint16_t port = 0;
    NodeId orv = createOrv("orv1", port);
    NodeId channels = createChannels("channels1", "orv1");
    NodeId beat = net->createNode(*beatBundle, "beat1");
    NodeId events = createEvents("events1", "orv1");
    const std::string version = infoRow(*net, orv, "version");
    EXPECT_EQ(infoRow(*net, channels, "version"), version);
    EXPECT_EQ(infoRow(*net, beat, "version"), version);
    EXPECT_EQ(infoRow(*net, events, "version"), version);
    EXPECT_TRUE(net->infoChannels(channels).empty());
}

TEST_F(InfoOutputsTest, CountsAreExact)
{
    uint16_t port = 0;
    NodeId orv = createOrv("orv1", port);
    reconnect(orv);
    EXPECT_EQ(infoRow(*net, orv, "bound_address"), "127.0.0.1");
    EXPECT_EQ(infoRow(*net, orv, "bound_port"), std::to_string(port));

    constexpr int stored = 40;
    for (int i = 0; i < stored; ++i)
    {
        sender.send(port, deck(1 + i % 2));
    }
    sender.send(port, std::string("\x03\x80", 2)); // unknown type byte
    sender.send(port, std::string("\xff\x80", 2));
    sender.send(port, deck(9));                    // no such deck
    sender.send(port, std::string("\x01\x81", 2)); // a map cut short
    sender.send(port, std::string("\x04\xc1", 2)); // a byte no MessagePack value starts with
    ASSERT_TRUE(counted(orv, stored + 5));
    EXPECT_EQ(channel(orv, "datagrams"), stored);
    EXPECT_EQ(channel(orv, "ignored"), 3.0f);
    EXPECT_EQ(channel(orv, "decode_errors"), 2.0f);
    EXPECT_EQ(channel(orv, "filtered"), 0.0f);
    EXPECT_GE(channel(orv, "deck1_age"), 0.0f);
    EXPECT_GE(channel(orv, "last_datagram_age"), 0.0f);
    EXPECT_EQ(channel(orv, "deck3_age"), -1.0f);
    EXPECT_EQ(infoRow(*net, orv, "last_sender"), "127.0.0.1:" + std::to_string(sender.port()));

    reconnect(orv);
    EXPECT_EQ(channel(orv, "datagrams"), 0.0f) << "counts run from the last connect";
}

TEST_F(InfoOutputsTest, AnotherSenderIsFilteredAndNamed)
{
    if (!loopbackAddressesAreSeparate())
    {
        GTEST_SKIP() << "this stack does not keep loopback addresses apart";
    }
    uint16_t port = 0;
    NodeId orv = createOrv("orv1", port);
    ASSERT_TRUE(net->setParameter(orv, "Ipfilter", "127.0.0.9"));
    reconnect(orv);
    LoopbackSocket allowed("127.0.0.9");
    ASSERT_TRUE(allowed.bound()) << allowed.error();
    for (int i = 0; i < 3; ++i)
    {
        sender.send(port, deck(1));
    }
    allowed.send(port, deck(2));
    ASSERT_TRUE(counted(orv, 4));
    EXPECT_EQ(channel(orv, "filtered"), 3.0f);
    EXPECT_EQ(channel(orv, "datagrams"), 1.0f);
    EXPECT_EQ(infoRow(*net, orv, "last_filtered_sender"),
              "127.0.0.1:" + std::to_string(sender.port()));
    EXPECT_EQ(infoRow(*net, orv, "last_sender"), "127.0.0.9:" + std::to_string(allowed.port()));
}

TEST_F(InfoOutputsTest, TextThatIsNoAddressIsKeptAndWarnedAbout)
{
    uint16_t port = 0;
    NodeId orv = createOrv("orv1", port);
    ASSERT_TRUE(net->setParameter(orv, "Ipfilter", "127.0.0.1 "));
    net->cookFrame();
    const std::string filterWarning =
        "IP Filter \"127.0.0.1 \" is no IPv4 address: every datagram is dropped";
    EXPECT_EQ(net->warningText(orv), filterWarning);

    // Bound to every interface, as the text has always bound; the discovery byte of a node
    // whose "IP" holds no "." goes to that text, which converts to this machine's 0.0.0.0.
    ASSERT_TRUE(net->setParameter(orv, "Ip", "localhost"));
    reconnect(orv);
    EXPECT_EQ(net->warningText(orv),
              "IP \"localhost\" is no IPv4 address: listening on every interface\n" +
                  filterWarning);
    EXPECT_EQ(infoRow(*net, orv, "bound_address"), "0.0.0.0");

    ASSERT_TRUE(net->setParameter(orv, "Ipfilter", ""));
    net->cookFrame();
    EXPECT_EQ(net->warningText(orv),
              "IP \"localhost\" is no IPv4 address: listening on every interface");
}

} // namespace
} // namespace orvtest
