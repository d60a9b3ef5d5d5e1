// How reception goes, as the store counts it without a socket: every datagram in exactly one
// count, the senders, the ages, and what a connect starts afresh. The wording of the address
// warnings too.
#include "TestReceiver.h"

#include "receiver/AddressWarnings.h"

#include "support/Payload.h"

#include <gtest/gtest.h>

using orvsupport::Payload;

namespace
{

constexpr std::int64_t second = 1000000000;

ReceiverHealth healthAt(const TestStore& store, std::int64_t now)
{
    ReceiverHealth health;
    store.read(health, now);
    return health;
}

void receiveAt(TestStore& store, const std::string& datagram, std::int64_t arrival,
               const char* sender = "127.0.0.1", std::uint16_t port = 5000)
{
    store.handleDatagram(datagram.data(), datagram.size(), sender, arrival, port);
}

std::string deck(int number)
{
    return Payload().map(1).str("Deck").integer(number).datagram(1);
}

} // namespace

TEST(ReceiverHealth, EveryDatagramLandsInExactlyOneCount)
{
    TestStore store;
    const std::string control = Payload().map(1).str("Crossfader").float64(0.5).datagram(0);
    const std::string meta =
        Payload().map(2).str("Deck").integer(3).str("Title").str("t").datagram(2);
    const std::string event =
        Payload().map(2).str("Event").str("drop").str("Value").integer(1).datagram(4);
    for (int i = 0; i < 7; ++i)
    {
        receiveAt(store, deck(1 + i % 4), 10 * second);
    }
    receiveAt(store, control, 10 * second);
    receiveAt(store, meta, 10 * second);
    receiveAt(store, event, 10 * second);
    // Ignored: unknown type bytes (3 included), deck numbers out of range for Deck and Meta.
    receiveAt(store, std::string("\x03\x80", 2), 11 * second);
    receiveAt(store, std::string("\xc8\x80", 2), 11 * second);
    receiveAt(store, deck(5), 11 * second);
    receiveAt(store, Payload().map(1).str("Deck").integer(0).datagram(2), 11 * second);
    // Decode errors: a map that promises more than it holds, a type byte alone.
    receiveAt(store, std::string("\x01\x81", 2), 11 * second);
    receiveAt(store, std::string("\x00", 1), 11 * second);
    // An empty datagram is the stop's wake-up: counted nowhere.
    store.handleDatagram("", 0, "127.0.0.1", 11 * second, 5000);

    const ReceiverHealth health = healthAt(store, 12 * second);
    EXPECT_EQ(health.datagrams, 10u);
    EXPECT_EQ(health.ignored, 4u);
    EXPECT_EQ(health.decodeErrors, 2u);
    EXPECT_EQ(health.filtered, 0u);
    EXPECT_EQ(health.events, 1u);
    EXPECT_DOUBLE_EQ(health.lastDatagramAge, 2.0) << "ignored and broken datagrams are no news";
    EXPECT_EQ(health.lastSender, "127.0.0.1:5000");
    EXPECT_EQ(health.lastFilteredSender, "");
}

TEST(ReceiverHealth, AgesRunPerDeckAndStartAtMinusOne)
{
    TestStore store;
    ReceiverHealth health = healthAt(store, 5 * second);
    EXPECT_EQ(health.lastDatagramAge, -1.0);
    for (double age : health.deckAges)
    {
        EXPECT_EQ(age, -1.0);
    }
    receiveAt(store, deck(2), 2 * second);
    receiveAt(store, Payload().map(1).str("Crossfader").float64(1.0).datagram(0), 4 * second);
    health = healthAt(store, 5 * second);
    EXPECT_DOUBLE_EQ(health.lastDatagramAge, 1.0);
    EXPECT_EQ(health.deckAges[0], -1.0);
    EXPECT_DOUBLE_EQ(health.deckAges[1], 3.0);
    EXPECT_EQ(health.deckAges[2], -1.0);
}

TEST(ReceiverHealth, AConnectStartsTheCountsAfreshAndKeepsAgesAndSenders)
{
    TestStore store;
    store.setIpFilter("10.0.0.1");
    receiveAt(store, deck(1), second, "10.0.0.1");
    receiveAt(store, deck(1), second, "10.0.0.2");
    receiveAt(store, std::string("\x07", 1), second, "10.0.0.1");
    store.startConnect();
    store.setConnected(true, "127.0.0.1", 3650, true);
    const ReceiverHealth health = healthAt(store, 2 * second);
    EXPECT_EQ(health.datagrams + health.filtered + health.ignored + health.decodeErrors, 0u);
    EXPECT_DOUBLE_EQ(health.deckAges[0], 1.0);
    EXPECT_EQ(health.lastFilteredSender, "10.0.0.2:5000");
    EXPECT_TRUE(health.connected);
    EXPECT_EQ(health.boundAddress, "127.0.0.1");
    EXPECT_EQ(health.boundPort, 3650);
    EXPECT_TRUE(health.groupJoined);

    store.setConnected(false);
    const ReceiverHealth after = healthAt(store, 2 * second);
    EXPECT_EQ(after.boundAddress, "");
    EXPECT_EQ(after.boundPort, 0);
    EXPECT_FALSE(after.groupJoined);
}

TEST(ReceiverHealth, AnEventNameBeyondTheBoundIsIgnored)
{
    TestStore store;
    auto event = [](std::size_t i)
    { return Payload().map(1).str("Event").str("e" + std::to_string(i)).datagram(4); };
    for (std::size_t i = 0; i <= TestStore::kMaxEventNames; ++i)
    {
        receiveAt(store, event(i), second);
    }
    const ReceiverHealth health = healthAt(store, second);
    EXPECT_EQ(health.events, TestStore::kMaxEventNames);
    EXPECT_EQ(health.datagrams, TestStore::kMaxEventNames);
    EXPECT_EQ(health.ignored, 1u);
}

TEST(AddressWarnings, SayWhatTextThatIsNoAddressDoes)
{
    EXPECT_EQ(orvreceiver::listenAddressWarning("localhost"),
              "IP \"localhost\" is no IPv4 address: listening on every interface");
    EXPECT_EQ(orvreceiver::listenAddressWarning(" 127.0.0.1"),
              "IP \" 127.0.0.1\" is no IPv4 address: listening on every interface");
    EXPECT_EQ(orvreceiver::ipFilterWarning("192.168.1.5 "),
              "IP Filter \"192.168.1.5 \" is no IPv4 address: every datagram is dropped");
    for (const char* address : {"127.0.0.1", "0.0.0.0", "192.168.1.20"})
    {
        EXPECT_EQ(orvreceiver::listenAddressWarning(address), "") << address;
        EXPECT_EQ(orvreceiver::ipFilterWarning(address), "") << address;
    }
    EXPECT_EQ(orvreceiver::ipFilterWarning(""), "") << "empty accepts every sender";
}
