// The store without a socket or a thread: filter, type byte, decode, store, texts, reads.
#include "TestReceiver.h"

#include "support/Payload.h"

#include <gtest/gtest.h>

#include <array>
#include <random>

using orvsupport::Payload;

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

std::string trackDatagram(int deck, const std::string& title, const std::string& path)
{
    Payload payload = Payload().map(3).str("Deck").integer(deck).str("Title").str(title);
    return payload.str("Filepath").str(path).datagram(2);
}

} // namespace

TEST(DatagramStep, NewReceiverIsEmpty)
{
    TestStore store;
    EXPECT_FALSE(store.connected());
    EXPECT_EQ(store.deck(1).deck, 0);
    EXPECT_EQ(store.meta(1).title, "");
    ReceiverSnapshot snapshot;
    store.read(snapshot);
    EXPECT_FALSE(snapshot.numbers.connected);
    EXPECT_TRUE(snapshot.events.empty());
    EXPECT_EQ(store.errorTextCopy(), "");
    EXPECT_EQ(store.warningTextCopy(), "");
}

TEST(DatagramStep, TheSpecimenDeckDatagramFillsSlotTwo)
{
    TestStore store;
    const char bytes[] = "\x01\x82\xa4"
                         "Deck"
                         "\x02\xa3"
                         "BPM"
                         "\xcb\x40\x5f\x00\x00\x00\x00\x00\x00";
    store.handleDatagram(bytes, sizeof bytes - 1, "10.0.0.2");
    EXPECT_EQ(store.deck(2).bpm, 124.0);
    EXPECT_EQ(store.deck(2).deck, 2);
    for (int outside : {0, 5, -1})
    {
        EXPECT_EQ(store.deck(outside).bpm, 0.0);
        EXPECT_EQ(store.meta(outside).deck, 0);
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
        TestStore store;
        store.receive(payload.datagram(static_cast<std::uint8_t>(type)));
        EXPECT_EQ(store.control().crossfader, type == 0 ? 0.5 : 0.0) << type;
        EXPECT_EQ(store.deck(1).bpm, type == 1 ? 99.0 : 0.0) << type;
        EXPECT_EQ(store.meta(1).title, type == 2 ? "Track" : "") << type;
        EXPECT_EQ(store.events().size(), type == 4 ? 1u : 0u) << type;
        EXPECT_EQ(store.errorTextCopy(), "") << type;
        EXPECT_EQ(store.warningTextCopy(), "") << type;
    }
}

TEST(DatagramStep, BrokenPayloadsLandInTheTextOfTheirType)
{
    TestStore store;
    store.receive(deckDatagram(1, 10.0));

    store.receive(std::string("\x00\xc1", 2)); // control, reserved byte
    EXPECT_EQ(store.warningTextCopy(), "format error.");
    EXPECT_EQ(store.errorTextCopy(), "");

    store.receive(deckDatagram(1, 20.0).substr(0, 10)); // deck, cut short
    EXPECT_EQ(store.errorTextCopy(), "end of buffer.");

    store.receive(std::string("\x02\xc1", 2));
    EXPECT_EQ(store.errorTextCopy(), "format error.");
    store.receive(std::string(1, '\x04')); // only the type byte: an empty payload
    EXPECT_EQ(store.errorTextCopy(), "end of buffer.");
    store.receive(std::string(1, '\x00'));
    EXPECT_EQ(store.warningTextCopy(), "end of buffer.");

    // A declared length far beyond the datagram is a decode error, nothing more.
    store.receive(std::string("\x01\xdd\xff\xff\xff\xff", 6));
    EXPECT_EQ(store.errorTextCopy(), "end of buffer.");

    EXPECT_EQ(store.deck(1).bpm, 10.0);
    EXPECT_TRUE(store.events().empty());
}

TEST(DatagramStep, EmptyDatagramIsDroppedWithoutText)
{
    TestStore store;
    store.handleDatagram("", 0, "127.0.0.1");
    store.handleDatagram(nullptr, 5, "127.0.0.1");
    EXPECT_EQ(store.errorTextCopy(), "");
    EXPECT_EQ(store.warningTextCopy(), "");
}

TEST(DatagramStep, DeckNumbersOutsideOneToFourAreDropped)
{
    TestStore store;
    for (int outside : {0, 5, -1, 1000})
    {
        store.receive(deckDatagram(outside, 1.0));
        store.receive(
            Payload().map(2).str("Deck").integer(outside).str("Title").str("x").datagram(2));
    }
    store.receive(Payload().map(2).str("Deck").float64(1e12).str("BPM").float64(1.0).datagram(1));
    for (int slot = 1; slot <= 4; ++slot)
    {
        EXPECT_EQ(store.deck(slot).bpm, 0.0);
        EXPECT_EQ(store.meta(slot).title, "");
    }
    EXPECT_EQ(store.errorTextCopy(), "");

    store.receive(Payload().map(2).str("Deck").float64(4.9).str("BPM").float64(4.0).datagram(1));
    EXPECT_EQ(store.deck(4).bpm, 4.0);
}

TEST(DatagramStep, ARecordReplacesItsSlotAsAWhole)
{
    TestStore store;
    store.receive(Payload()
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
    store.receive(deckDatagram(2, 128.0));
    const Deck deck = store.deck(2);
    EXPECT_EQ(deck.bpm, 128.0);
    EXPECT_EQ(deck.pitch, 0.0);
    EXPECT_EQ(deck.eqLow, 0.0f);
    EXPECT_EQ(deck.beat, 0);

    store.receive(Payload()
                      .map(3)
                      .str("Deck")
                      .integer(3)
                      .str("Title")
                      .str("A")
                      .str("Artist")
                      .str("B")
                      .datagram(2));
    store.receive(Payload().map(2).str("Deck").integer(3).str("Album").str("C").datagram(2));
    const Meta meta = store.meta(3);
    EXPECT_EQ(meta.deck, 3);
    EXPECT_EQ(meta.title, "");
    EXPECT_EQ(meta.artist, "");
    EXPECT_EQ(meta.album, "C");

    store.receive(
        Payload().map(2).str("UpfaderA").float64(0.25).str("Active").integer(1).datagram(0));
    store.receive(Payload().map(1).str("Crossfader").float64(0.5).datagram(0));
    EXPECT_EQ(store.control().upfaderA, 0.0);
    EXPECT_EQ(store.control().active, 0);
    EXPECT_EQ(store.control().crossfader, 0.5);
}

TEST(DatagramStep, EventsAreOverwrittenByName)
{
    TestStore store;
    store.receive(eventDatagram("Drop", 1));
    store.receive(eventDatagram("Drop", 2));
    store.receive(Payload().map(1).str("Value").integer(9).datagram(4));
    ASSERT_EQ(store.events().size(), 2u);
    EXPECT_EQ(store.events().at("Drop"), 2);
    EXPECT_EQ(store.events().at(""), 9);
}

TEST(DatagramStep, EventNamesAreBoundedAndTheDropIsReported)
{
    TestStore store;
    for (std::size_t i = 0; i < orvreceiver::ReceiverStore::kMaxEventNames; ++i)
    {
        store.receive(eventDatagram("e" + std::to_string(i), 1));
    }
    EXPECT_EQ(store.warningTextCopy(), "");

    store.receive(eventDatagram("one too many", 1));
    EXPECT_EQ(store.events().size(), orvreceiver::ReceiverStore::kMaxEventNames);
    EXPECT_EQ(store.events().count("one too many"), 0u);
    const std::string warning = store.warningTextCopy();
    EXPECT_NE(warning.find("dropped new event \"one too many\""), std::string::npos) << warning;

    // Known names still update; a long dropped name is cut in the text.
    store.receive(eventDatagram("e7", 200));
    EXPECT_EQ(store.events().at("e7"), 200);
    store.receive(eventDatagram(std::string(3000, 'n'), 1));
    EXPECT_LT(store.warningTextCopy().size(), 200u);
}

TEST(DatagramStep, FilterComparesTheWholeSenderText)
{
    TestStore store;
    store.setIpFilter("192.168.1.5");
    store.receive(deckDatagram(1, 50.0), "192.168.1.50");
    EXPECT_EQ(store.deck(1).bpm, 0.0);
    store.receive(deckDatagram(1, 5.0), "192.168.1.5");
    EXPECT_EQ(store.deck(1).bpm, 5.0);

    store.setIpFilter("192.168.1.5 ");
    store.receive(deckDatagram(1, 6.0), "192.168.1.5");
    EXPECT_EQ(store.deck(1).bpm, 5.0);

    store.setIpFilter("");
    store.receive(deckDatagram(1, 7.0), "10.1.1.1");
    EXPECT_EQ(store.deck(1).bpm, 7.0);
}

TEST(DatagramStep, OnlyTheFirst4096BytesAreLookedAt)
{
    // An event whose name ends exactly at byte 4096 of the datagram is whole...
    const std::size_t header = 1 + 1 + 6 + 1 + 6 + 3; // type, map, "Value" 1, "Event", str16
    Payload fits = Payload().map(2).str("Value").integer(1).str("Event").str16Header(
        static_cast<std::uint16_t>(orvreceiver::ReceiverStore::kDatagramLimit - header));
    fits.raw(std::string(5000, 'x'));
    {
        TestStore store;
        store.receive(fits.datagram(4).substr(0, 5000));
        ASSERT_EQ(store.events().size(), 1u);
        EXPECT_EQ(store.events().begin()->first.size(),
                  orvreceiver::ReceiverStore::kDatagramLimit - header);
    }
    // ...one byte longer and it runs past the cut.
    Payload tooLong = Payload().map(2).str("Value").integer(1).str("Event").str16Header(
        static_cast<std::uint16_t>(orvreceiver::ReceiverStore::kDatagramLimit - header + 1));
    tooLong.raw(std::string(5000, 'x'));
    TestStore store;
    store.receive(tooLong.datagram(4).substr(0, 5000));
    EXPECT_TRUE(store.events().empty());
    EXPECT_EQ(store.errorTextCopy(), "end of buffer.");
}

TEST(DatagramStep, SnapshotCopiesEverythingIntoReusedStorage)
{
    TestStore store;
    store.receive(deckDatagram(3, 33.0));
    store.receive(
        Payload().map(2).str("Deck").integer(2).str("Title").str(std::string(40, 't')).datagram(2));
    store.receive(Payload().map(1).str("UpfaderB").float64(0.75).datagram(0));
    store.receive(eventDatagram(std::string(30, 'a'), 3));
    store.receive(eventDatagram("b", 4));

    ReceiverSnapshot snapshot;
    store.read(snapshot);
    EXPECT_EQ(snapshot.numbers.decks[2].bpm, 33.0);
    EXPECT_EQ(snapshot.metas[1].title, std::string(40, 't'));
    EXPECT_EQ(snapshot.numbers.control.upfaderB, 0.75);
    ASSERT_EQ(snapshot.events.size(), 2u);

    const char* titleStorage = snapshot.metas[1].title.data();
    const auto* eventStorage = snapshot.events.data();
    store.read(snapshot);
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
    EXPECT_EQ(orvreceiver::discoveryAddress("192.168.1.20"), "192.168.1.255");
    EXPECT_EQ(orvreceiver::discoveryAddress("127.0.0.1"), "127.0.0.255");
    EXPECT_EQ(orvreceiver::discoveryAddress("localhost"), "localhost");
    EXPECT_EQ(orvreceiver::discoveryAddress("10."), "10.255");
    EXPECT_EQ(orvreceiver::discoveryAddress(""), "");
}

TEST(DatagramStep, RandomBytesNeverCrashTheStep)
{
    std::mt19937 random(20240601);
    TestStore store;
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
        store.receive(datagram);
    }
    EXPECT_LE(store.events().size(), orvreceiver::ReceiverStore::kMaxEventNames);
}

// What the beat clock reads: every Deck datagram of each deck, in arrival order, in a ring
// that keeps the latest ones.
TEST(DatagramStep, DeckSamplesKeepEveryDatagramOfEachDeckInArrivalOrder)
{
    TestStore store;
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
    { store.handleDatagram(datagram.data(), datagram.size(), "127.0.0.1", arrival); };
    feed(deck(1, 10.0, 3), 1000);
    feed(deck(1, 10.5, 3), 2000);
    feed(deck(2, 99.0, 1), 2500);
    feed(deck(1, 9.5, 4), 3000); // older, arriving last: kept as it came

    DeckHistory history;
    store.read(history);
    const orvbeat::DeckSamples& one = history.samples[0];
    ASSERT_EQ(one.count, 3u);
    EXPECT_EQ(one.at(0).arrivalNs, 1000);
    EXPECT_EQ(one.at(1).position, 10.5);
    EXPECT_EQ(one.at(one.count - 1).position, 9.5);
    EXPECT_EQ(one.at(one.count - 1).beat, 4);
    EXPECT_EQ(history.samples[1].count, 1u);
    EXPECT_FALSE(history.connected);

    for (int i = 0; i < 40; ++i)
        feed(deck(3, i, 1), 4000 + i);
    store.read(history);
    const orvbeat::DeckSamples& three = history.samples[2];
    EXPECT_EQ(three.count, 40u);
    EXPECT_EQ(three.oldest(), 40u - orvbeat::DeckSamples::capacity);
    EXPECT_EQ(three.at(three.oldest()).position, 40.0 - orvbeat::DeckSamples::capacity);
    EXPECT_EQ(three.at(three.count - 1).position, 39.0);
}

TEST(DatagramStep, EventsKeepTheOrderOfFirstArrivalAndCountTheirDatagrams)
{
    TestStore store;
    for (const char* name : {"C", "A", "B", "A", "Z", "C"})
        store.receive(eventDatagram(name, name[0]));
    ReceiverSnapshot snapshot;
    store.read(snapshot);
    ASSERT_EQ(snapshot.events.size(), 4u);
    EXPECT_EQ(snapshot.events[0].first, "C");
    EXPECT_EQ(snapshot.events[1].first, "A");
    EXPECT_EQ(snapshot.events[3].first, "Z");

    // The events operator's read: counts and track changes; names only once, per store.
    store.receive(trackDatagram(3, "One", "/1"));
    store.receive(trackDatagram(3, "One", "/1"));
    store.receive(trackDatagram(3, "Two", "/1"));
    EventState state;
    store.read(state);
    ASSERT_EQ(state.events.size(), 4u);
    EXPECT_EQ(state.events[0].name, "C");
    EXPECT_EQ(state.events[0].count, 2u);
    EXPECT_EQ(state.events[2].count, 1u);
    EXPECT_EQ(state.trackChanges, (std::array<std::uint64_t, 4>{0, 0, 2, 0}));

    state.events[0].name = "kept"; // a read into the same object copies known names no more
    store.receive(eventDatagram("New", 1));
    store.read(state);
    ASSERT_EQ(state.events.size(), 5u);
    EXPECT_EQ(state.events[0].name, "kept");
    EXPECT_EQ(state.events[4].name, "New");

    TestStore other; // another store: the reading starts over
    other.receive(eventDatagram("Solo", 3));
    other.read(state);
    ASSERT_EQ(state.events.size(), 1u);
    EXPECT_EQ(state.events[0].name, "Solo");
    EXPECT_EQ(state.trackChanges, (std::array<std::uint64_t, 4>{}));
}
