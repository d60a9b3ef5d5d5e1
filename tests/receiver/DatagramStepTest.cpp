// The per-datagram step without a socket: filter, type byte, decode, store, texts.
#include "Payload.h"
#include "TestReceiver.h"

#include <gtest/gtest.h>

#include <random>

namespace
{

std::string deckDatagram(int deck, double bpm)
{
    return Payload().map(2).str("Deck").integer(deck).str("BPM").float64(bpm).datagram(1);
}

std::string eventDatagram(const std::string& name, int value)
{
    return Payload().map(2).str("Event").str(name).str("Value").integer(value).datagram(4);
}

} // namespace

TEST(DatagramStep, NewReceiverIsEmpty)
{
    TestReceiver receiver;
    EXPECT_FALSE(receiver.isConnected());
    EXPECT_EQ(receiver.getDeck(1).deck, 0);
    EXPECT_EQ(receiver.getMeta(1).title, "");
    ReceiverSnapshot snapshot;
    receiver.snapshot(snapshot);
    EXPECT_FALSE(snapshot.connected);
    EXPECT_TRUE(snapshot.events.empty());
    EXPECT_EQ(receiver.errorTextCopy(), "");
    EXPECT_EQ(receiver.warningTextCopy(), "");
}

TEST(DatagramStep, TheSpecimenDeckDatagramFillsSlotTwo)
{
    TestReceiver receiver;
    const char bytes[] = "\x01\x82\xa4"
                         "Deck"
                         "\x02\xa3"
                         "BPM"
                         "\xcb\x40\x5f\x00\x00\x00\x00\x00\x00";
    receiver.handleDatagram(bytes, sizeof bytes - 1, "10.0.0.2");
    EXPECT_EQ(receiver.getDeck(2).bpm, 124.0);
    EXPECT_EQ(receiver.getDeck(2).deck, 2);
    for (int outside : {0, 5, -1})
    {
        EXPECT_EQ(receiver.getDeck(outside).bpm, 0.0);
        EXPECT_EQ(receiver.getMeta(outside).deck, 0);
    }
}

TEST(DatagramStep, EveryTypeByteReachesOnlyItsRecord)
{
    // One payload that every record type can read something from.
    const Payload payload = Payload()
                                .map(5)
                                .str("Deck")
                                .integer(1)
                                .str("BPM")
                                .float64(99.0)
                                .str("Title")
                                .str("Track")
                                .str("Crossfader")
                                .float64(0.5)
                                .str("Event")
                                .str("Drop");
    for (int type = 0; type < 256; ++type)
    {
        TestReceiver receiver;
        receiver.receive(payload.datagram(static_cast<std::uint8_t>(type)));
        EXPECT_EQ(receiver.getControl().crossfader, type == 0 ? 0.5 : 0.0) << type;
        EXPECT_EQ(receiver.getDeck(1).bpm, type == 1 ? 99.0 : 0.0) << type;
        EXPECT_EQ(receiver.getMeta(1).title, type == 2 ? "Track" : "") << type;
        EXPECT_EQ(receiver.events.size(), type == 4 ? 1u : 0u) << type;
        EXPECT_EQ(receiver.errorTextCopy(), "") << type;
        EXPECT_EQ(receiver.warningTextCopy(), "") << type;
    }
}

TEST(DatagramStep, BrokenPayloadsLandInTheTextOfTheirType)
{
    TestReceiver receiver;
    receiver.receive(deckDatagram(1, 10.0));

    receiver.receive(std::string("\x00\xc1", 2)); // control, reserved byte
    EXPECT_EQ(receiver.warningTextCopy(), "format error.");
    EXPECT_EQ(receiver.errorTextCopy(), "");

    receiver.receive(deckDatagram(1, 20.0).substr(0, 10)); // deck, cut short
    EXPECT_EQ(receiver.errorTextCopy(), "end of buffer.");

    receiver.receive(std::string("\x02\xc1", 2));
    EXPECT_EQ(receiver.errorTextCopy(), "format error.");
    receiver.receive(std::string(1, '\x04')); // only the type byte: an empty payload
    EXPECT_EQ(receiver.errorTextCopy(), "end of buffer.");
    receiver.receive(std::string(1, '\x00'));
    EXPECT_EQ(receiver.warningTextCopy(), "end of buffer.");

    // A declared length far beyond the datagram is a decode error, nothing more.
    receiver.receive(std::string("\x01\xdd\xff\xff\xff\xff", 6));
    EXPECT_EQ(receiver.errorTextCopy(), "end of buffer.");

    EXPECT_EQ(receiver.getDeck(1).bpm, 10.0);
    EXPECT_TRUE(receiver.events.empty());
}

TEST(DatagramStep, EmptyDatagramIsDroppedWithoutText)
{
    TestReceiver receiver;
    receiver.handleDatagram("", 0, "127.0.0.1");
    receiver.handleDatagram(nullptr, 5, "127.0.0.1");
    EXPECT_EQ(receiver.errorTextCopy(), "");
    EXPECT_EQ(receiver.warningTextCopy(), "");
}

TEST(DatagramStep, DeckNumbersOutsideOneToFourAreDropped)
{
    TestReceiver receiver;
    for (int outside : {0, 5, -1, 1000})
    {
        receiver.receive(deckDatagram(outside, 1.0));
        receiver.receive(
            Payload().map(2).str("Deck").integer(outside).str("Title").str("x").datagram(2));
    }
    receiver.receive(
        Payload().map(2).str("Deck").float64(1e12).str("BPM").float64(1.0).datagram(1));
    for (int slot = 1; slot <= 4; ++slot)
    {
        EXPECT_EQ(receiver.getDeck(slot).bpm, 0.0);
        EXPECT_EQ(receiver.getMeta(slot).title, "");
    }
    EXPECT_EQ(receiver.errorTextCopy(), "");

    receiver.receive(Payload().map(2).str("Deck").float64(4.9).str("BPM").float64(4.0).datagram(1));
    EXPECT_EQ(receiver.getDeck(4).bpm, 4.0);
}

TEST(DatagramStep, ARecordReplacesItsSlotAsAWhole)
{
    TestReceiver receiver;
    receiver.receive(Payload()
                         .map(4)
                         .str("Deck")
                         .integer(2)
                         .str("Pitch")
                         .float64(1.1)
                         .str("EQLow")
                         .float64(0.5)
                         .str("Beat")
                         .integer(3)
                         .datagram(1));
    receiver.receive(deckDatagram(2, 128.0));
    const Deck deck = receiver.getDeck(2);
    EXPECT_EQ(deck.bpm, 128.0);
    EXPECT_EQ(deck.pitch, 0.0);
    EXPECT_EQ(deck.eqLow, 0.0f);
    EXPECT_EQ(deck.beat, 0);

    receiver.receive(Payload()
                         .map(3)
                         .str("Deck")
                         .integer(3)
                         .str("Title")
                         .str("A")
                         .str("Artist")
                         .str("B")
                         .datagram(2));
    receiver.receive(Payload().map(2).str("Deck").integer(3).str("Album").str("C").datagram(2));
    const Meta meta = receiver.getMeta(3);
    EXPECT_EQ(meta.deck, 3);
    EXPECT_EQ(meta.title, "");
    EXPECT_EQ(meta.artist, "");
    EXPECT_EQ(meta.album, "C");

    receiver.receive(
        Payload().map(2).str("UpfaderA").float64(0.25).str("Active").integer(1).datagram(0));
    receiver.receive(Payload().map(1).str("Crossfader").float64(0.5).datagram(0));
    EXPECT_EQ(receiver.getControl().upfaderA, 0.0);
    EXPECT_EQ(receiver.getControl().active, 0);
    EXPECT_EQ(receiver.getControl().crossfader, 0.5);
}

TEST(DatagramStep, EventsAreOverwrittenByName)
{
    TestReceiver receiver;
    receiver.receive(eventDatagram("Drop", 1));
    receiver.receive(eventDatagram("Drop", 2));
    receiver.receive(Payload().map(1).str("Value").integer(9).datagram(4));
    ASSERT_EQ(receiver.events.size(), 2u);
    EXPECT_EQ(receiver.events.at("Drop"), 2);
    EXPECT_EQ(receiver.events.at(""), 9);
}

TEST(DatagramStep, EventNamesAreBoundedAndTheDropIsReported)
{
    TestReceiver receiver;
    for (std::size_t i = 0; i < OrvReceiver::maxEventNames; ++i)
    {
        receiver.receive(eventDatagram("e" + std::to_string(i), 1));
    }
    EXPECT_EQ(receiver.warningTextCopy(), "");

    receiver.receive(eventDatagram("one too many", 1));
    EXPECT_EQ(receiver.events.size(), OrvReceiver::maxEventNames);
    EXPECT_EQ(receiver.events.count("one too many"), 0u);
    const std::string warning = receiver.warningTextCopy();
    EXPECT_NE(warning.find("dropped new event \"one too many\""), std::string::npos) << warning;

    // Known names still update; a long dropped name is cut in the text.
    receiver.receive(eventDatagram("e7", 200));
    EXPECT_EQ(receiver.events.at("e7"), 200);
    receiver.receive(eventDatagram(std::string(3000, 'n'), 1));
    EXPECT_LT(receiver.warningTextCopy().size(), 200u);
}

TEST(DatagramStep, FilterComparesTheWholeSenderText)
{
    TestReceiver receiver;
    receiver.setIpFilter("192.168.1.5");
    receiver.receive(deckDatagram(1, 50.0), "192.168.1.50");
    EXPECT_EQ(receiver.getDeck(1).bpm, 0.0);
    receiver.receive(deckDatagram(1, 5.0), "192.168.1.5");
    EXPECT_EQ(receiver.getDeck(1).bpm, 5.0);

    receiver.setIpFilter("192.168.1.5 ");
    receiver.receive(deckDatagram(1, 6.0), "192.168.1.5");
    EXPECT_EQ(receiver.getDeck(1).bpm, 5.0);

    receiver.setIpFilter("");
    receiver.receive(deckDatagram(1, 7.0), "10.1.1.1");
    EXPECT_EQ(receiver.getDeck(1).bpm, 7.0);
    EXPECT_EQ(receiver.ipFilterCopy(), "");
}

TEST(DatagramStep, OnlyTheFirst4096BytesAreLookedAt)
{
    // An event whose name ends exactly at byte 4096 of the datagram is whole...
    const std::size_t header = 1 + 1 + 6 + 1 + 6 + 3; // type, map, "Value" 1, "Event", str16
    Payload fits = Payload().map(2).str("Value").integer(1).str("Event").str16Header(
        static_cast<std::uint16_t>(OrvReceiver::receiveBufferSize - header));
    fits.raw(std::string(5000, 'x'));
    {
        TestReceiver receiver;
        receiver.receive(fits.datagram(4).substr(0, 5000));
        ASSERT_EQ(receiver.events.size(), 1u);
        EXPECT_EQ(receiver.events.begin()->first.size(), OrvReceiver::receiveBufferSize - header);
    }
    // ...one byte longer and it runs past the cut.
    Payload tooLong = Payload().map(2).str("Value").integer(1).str("Event").str16Header(
        static_cast<std::uint16_t>(OrvReceiver::receiveBufferSize - header + 1));
    tooLong.raw(std::string(5000, 'x'));
    TestReceiver receiver;
    receiver.receive(tooLong.datagram(4).substr(0, 5000));
    EXPECT_TRUE(receiver.events.empty());
    EXPECT_EQ(receiver.errorTextCopy(), "end of buffer.");
}

TEST(DatagramStep, SnapshotCopiesEverythingIntoReusedStorage)
{
    TestReceiver receiver;
    receiver.receive(deckDatagram(3, 33.0));
    receiver.receive(
        Payload().map(2).str("Deck").integer(2).str("Title").str(std::string(40, 't')).datagram(2));
    receiver.receive(Payload().map(1).str("UpfaderB").float64(0.75).datagram(0));
    receiver.receive(eventDatagram(std::string(30, 'a'), 3));
    receiver.receive(eventDatagram("b", 4));

    ReceiverSnapshot snapshot;
    receiver.snapshot(snapshot);
    EXPECT_EQ(snapshot.decks[2].bpm, 33.0);
    EXPECT_EQ(snapshot.metas[1].title, std::string(40, 't'));
    EXPECT_EQ(snapshot.control.upfaderB, 0.75);
    ASSERT_EQ(snapshot.events.size(), 2u);

    const char* titleStorage = snapshot.metas[1].title.data();
    const auto* eventStorage = snapshot.events.data();
    receiver.snapshot(snapshot);
    EXPECT_EQ(snapshot.metas[1].title.data(), titleStorage);
    EXPECT_EQ(snapshot.events.data(), eventStorage);
    std::size_t sum = 0;
    for (const auto& event : snapshot.events)
    {
        sum += event.second;
    }
    EXPECT_EQ(sum, 7u);
}

TEST(DatagramStep, DiscoveryAddressReplacesTheLastPart)
{
    EXPECT_EQ(OrvReceiver::discoveryAddress("192.168.1.20"), "192.168.1.255");
    EXPECT_EQ(OrvReceiver::discoveryAddress("127.0.0.1"), "127.0.0.255");
    EXPECT_EQ(OrvReceiver::discoveryAddress("localhost"), "localhost");
    EXPECT_EQ(OrvReceiver::discoveryAddress("10."), "10.255");
    EXPECT_EQ(OrvReceiver::discoveryAddress(""), "");
}

TEST(DatagramStep, RandomBytesNeverCrashTheStep)
{
    std::mt19937 random(20240601);
    TestReceiver receiver;
    std::string datagram;
    for (int round = 0; round < 20000; ++round)
    {
        datagram.resize(random() % 64);
        for (char& c : datagram)
        {
            c = static_cast<char>(random());
        }
        if (!datagram.empty())
        {
            datagram[0] = "\x00\x01\x02\x04"[random() % 4];
        }
        receiver.receive(datagram);
    }
    EXPECT_LE(receiver.events.size(), OrvReceiver::maxEventNames);
}

// What the beat clock reads: each deck's arrivals, and the datagrams on either side of the
// latest change of its Beat (the first datagram of a slot changes nothing).
TEST(DatagramStep, DeckTimingKeepsArrivalsAndTheLatestBeatChangePerDeck)
{
    TestReceiver receiver;
    const auto deck = [](int number, double position, int beat)
    {
        return Payload()
            .map(3)
            .str("Deck")
            .integer(number)
            .str("Position")
            .float64(position)
            .str("Beat")
            .integer(beat)
            .datagram(1);
    };
    const auto feed = [&](const std::string& datagram, std::int64_t arrival)
    { receiver.handleDatagram(datagram.data(), datagram.size(), "127.0.0.1", arrival); };
    feed(deck(1, 10.0, 3), 1000);
    feed(deck(1, 10.5, 3), 2000);
    feed(deck(2, 99.0, 1), 2500);
    feed(deck(1, 11.0, 4), 3000);

    Deck record;
    DeckTiming timing;
    receiver.getDeckTiming(1, record, timing);
    EXPECT_EQ(record.position, 11.0);
    EXPECT_EQ(timing.datagrams, 3u);
    EXPECT_EQ(timing.arrival, 3000);
    EXPECT_EQ(timing.beatChanges, 1u);
    EXPECT_EQ(timing.arrivalBeforeChange, 2000);
    EXPECT_EQ(timing.arrivalAtChange, 3000);
    EXPECT_EQ(timing.positionBeforeChange, 10.5);
    EXPECT_EQ(timing.positionAtChange, 11.0);
    EXPECT_EQ(timing.beatBeforeChange, 3);
    EXPECT_EQ(timing.beatAtChange, 4);

    receiver.getDeckTiming(2, record, timing);
    EXPECT_EQ(timing.datagrams, 1u);
    EXPECT_EQ(timing.beatChanges, 0u);
    EXPECT_FALSE(receiver.getDeckTiming(7, record, timing)) << "not connected";
    EXPECT_EQ(timing.datagrams, 0u);
}
