// The receive thread on loopback: datagrams reach the store, the sender filter picks by
// address, long datagrams are cut, and "Reset" keeps what was received.
#include "TestReceiver.h"
#include "WaitUntil.h"

#include "support/LoopbackSocket.h"
#include "support/Payload.h"

#include <gtest/gtest.h>

using orvsupport::Payload;

namespace
{

std::string deckDatagram(int deck, double bpm)
{
    return Payload().map(2).str("Deck").integer(deck).str("BPM").float64(bpm).datagram(1);
}

// A connected receiver on a port the system picked.
class ReceiveTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        receiver.port = 65536;
        receiver.connect();
        ASSERT_TRUE(receiver.isConnected()) << receiver.errorTextCopy();
        port = orv::udp::localPort(receiver.socketFd());
    }

    TestReceiver receiver;
    std::uint16_t port = 0;
};

} // namespace

TEST_F(ReceiveTest, DatagramsReachTheStore)
{
    orvsupport::LoopbackSocket sender;
    const char event[] = "\x04\x82\xa5"
                         "Event"
                         "\xa4"
                         "Drop"
                         "\xa5"
                         "Value"
                         "\x01";
    sender.send(port, std::string(event, sizeof event - 1));
    sender.send(port, deckDatagram(2, 124.0));
    ASSERT_TRUE(waitUntil([&] { return receiver.getDeck(2).bpm == 124.0; }));
    ReceiverSnapshot snapshot;
    receiver.read(snapshot);
    EXPECT_TRUE(snapshot.numbers.connected);
    ASSERT_EQ(snapshot.events.size(), 1u);
    EXPECT_EQ(snapshot.events[0].first, "Drop");
    EXPECT_EQ(snapshot.events[0].second, 1);
}

TEST_F(ReceiveTest, FilterAcceptsOnlyTheNamedSender)
{
    if (!orvsupport::loopbackAddressesAreSeparate())
    {
        GTEST_SKIP() << "this stack shows every loopback sender as 127.0.0.1";
    }
    orvsupport::LoopbackSocket nearSender("127.0.0.5");
    orvsupport::LoopbackSocket farSender("127.0.0.50");
    ASSERT_TRUE(nearSender.bound() && farSender.bound());

    receiver.setIpFilter("127.0.0.5");
    // Loopback keeps the order of one receive queue: once deck 2 is in, deck 1 was dropped.
    farSender.send(port, deckDatagram(1, 50.0));
    nearSender.send(port, deckDatagram(2, 5.0));
    ASSERT_TRUE(waitUntil([&] { return receiver.getDeck(2).bpm == 5.0; }));
    EXPECT_EQ(receiver.getDeck(1).bpm, 0.0);

    // A new filter applies from the next datagram on.
    receiver.setIpFilter("127.0.0.50");
    nearSender.send(port, deckDatagram(3, 5.0));
    farSender.send(port, deckDatagram(4, 50.0));
    ASSERT_TRUE(waitUntil([&] { return receiver.getDeck(4).bpm == 50.0; }));
    EXPECT_EQ(receiver.getDeck(3).bpm, 0.0);

    receiver.setIpFilter("");
    nearSender.send(port, deckDatagram(3, 5.0));
    EXPECT_TRUE(waitUntil([&] { return receiver.getDeck(3).bpm == 5.0; }));
}

TEST_F(ReceiveTest, DatagramsAreCutTo4096Bytes)
{
    // "Value" 1 first, then "Event" with a str 16 whose bytes end exactly at byte `limit`.
    const std::size_t header = 18;
    auto datagram = [&](std::size_t nameLength)
    {
        Payload payload = Payload().map(2).str("Value").integer(1).str("Event").str16Header(
            static_cast<std::uint16_t>(nameLength));
        payload.raw(std::string(5000, 'x'));
        return payload.datagram(4).substr(0, 5000);
    };
    orvsupport::LoopbackSocket sender;
    sender.send(port, datagram(orvreceiver::ReceiverStore::kDatagramLimit - header + 1));
    ASSERT_TRUE(waitUntil([&] { return receiver.errorTextCopy() == "end of buffer."; }));
    sender.send(port, datagram(orvreceiver::ReceiverStore::kDatagramLimit - header));
    ReceiverSnapshot snapshot;
    ASSERT_TRUE(waitUntil(
        [&]
        {
            receiver.read(snapshot);
            return !snapshot.events.empty();
        }));
    EXPECT_EQ(snapshot.events[0].first.size(), orvreceiver::ReceiverStore::kDatagramLimit - header);
}

TEST_F(ReceiveTest, ResetKeepsRecordsEventsAndTexts)
{
    orvsupport::LoopbackSocket sender;
    sender.send(port, Payload().map(1).str("Crossfader").float64(0.5).datagram(0));
    sender.send(port, Payload().map(2).str("Deck").integer(1).str("Title").str("Song").datagram(2));
    sender.send(port, Payload().map(2).str("Event").str("Cue").str("Value").integer(4).datagram(4));
    sender.send(port, std::string("\x00\xc1", 2));
    sender.send(port, std::string("\x01\xc1", 2));
    sender.send(port, deckDatagram(1, 120.0));
    ASSERT_TRUE(waitUntil([&] { return receiver.getDeck(1).bpm == 120.0; }));

    receiver.disconnect();
    EXPECT_FALSE(receiver.isConnected());
    EXPECT_EQ(receiver.socketFd(), orv::kInvalidSocket);
    EXPECT_EQ(receiver.getControl().crossfader, 0.5);
    EXPECT_EQ(receiver.getMeta(1).title, "Song");
    EXPECT_EQ(receiver.getDeck(1).bpm, 120.0);
    EXPECT_EQ(receiver.events().at("Cue"), 4);
    EXPECT_EQ(receiver.warningTextCopy(), "format error.");
    EXPECT_EQ(receiver.errorTextCopy(), "format error.");

    receiver.disconnect(); // "Reset" on an idle receiver changes nothing
    EXPECT_EQ(receiver.getDeck(1).bpm, 120.0);
}
