// The records' decoding from a MessagePack value: key matching, defaults, conversions.
#include "protocol/RecordEncoding.h"
#include "protocol/WireSchema.h"

#include "support/Payload.h"

#include <gtest/gtest.h>

#include <limits>
#include <variant>

using orvsupport::Payload;

namespace
{

orvpack::MsgPack decode(const Payload& payload)
{
    std::string error;
    orvpack::MsgPack value =
        orvpack::MsgPack::parse(payload.bytes.data(), payload.bytes.size(), error);
    EXPECT_EQ(error, "");
    return value;
}

// A record's payload back through the decoder a receiver uses.
template <class Record> Record decodeRecord(const std::string& bytes)
{
    std::string error;
    const orvpack::MsgPack value =
        orvpack::MsgPack::parse(bytes.data(), bytes.size(), error, orvprotocol::wireKeys());
    EXPECT_EQ(error, "");
    return Record::fromMsgPack(value);
}

template <class Record> void expectSameFields(const Record& sent, const Record& received)
{
    for (const auto& key : orvprotocol::KeysOf<Record>::keys)
    {
        std::visit([&](auto member) { EXPECT_EQ(received.*member, sent.*member) << key.key; },
                   key.member);
    }
}

// Both encodings of a sender, the sorted map and the keys in their table's order, decode to the
// record sent.
template <class Record> void expectThroughTheWire(const Record& record)
{
    expectSameFields(record, decodeRecord<Record>(orvprotocol::encodeRecord(record).dump()));
    expectSameFields(record, decodeRecord<Record>(orvprotocol::encodeRecordInKeyOrder(record)));
}

} // namespace

TEST(Records, DeckReadsEveryKeyIntoItsField)
{
    const Deck deck = Deck::fromMsgPack(decode(Payload()
                                                   .map(11)
                                                   .str("Pitch")
                                                   .float64(1.5)
                                                   .str("Position")
                                                   .float64(61.5)
                                                   .str("Position2")
                                                   .float64(62.5)
                                                   .str("NormalizedPosition")
                                                   .float64(0.25)
                                                   .str("BPM")
                                                   .float64(124.0)
                                                   .str("Length")
                                                   .float64(300.0)
                                                   .str("EQLow")
                                                   .float64(0.75)
                                                   .str("EQMid")
                                                   .float32(0.5f)
                                                   .str("EQHigh")
                                                   .integer(1)
                                                   .str("Deck")
                                                   .integer(3)
                                                   .str("Beat")
                                                   .integer(-1)));
    EXPECT_EQ(deck.pitch, 1.5);
    EXPECT_EQ(deck.position, 61.5);
    EXPECT_EQ(deck.position2, 62.5);
    EXPECT_EQ(deck.normalizedPosition, 0.25);
    EXPECT_EQ(deck.bpm, 124.0);
    EXPECT_EQ(deck.length, 300.0);
    EXPECT_EQ(deck.eqLow, 0.75f);
    EXPECT_EQ(deck.eqMid, 0.5f);
    EXPECT_EQ(deck.eqHigh, 1.0f);
    EXPECT_EQ(deck.deck, 3);
    EXPECT_EQ(deck.beat, -1);
}

TEST(Records, KeysMatchExactlyAndOnlyAsStrings)
{
    const Deck deck = Deck::fromMsgPack(decode(Payload()
                                                   .map(4)
                                                   .str("pitch")
                                                   .float64(1.0)
                                                   .str("BPM ")
                                                   .float64(2.0)
                                                   .str("Bpm")
                                                   .float64(3.0)
                                                   .bin("Deck")
                                                   .integer(2)));
    EXPECT_EQ(deck.pitch, 0.0);
    EXPECT_EQ(deck.bpm, 0.0);
    EXPECT_EQ(deck.deck, 0);
}

TEST(Records, MissingKeysAndNonMapsGiveDefaults)
{
    for (const Payload& payload : {Payload().map(0), Payload().array(1).integer(5),
                                   Payload().integer(7), Payload().str("Deck"), Payload().nil()})
    {
        const Deck deck = Deck::fromMsgPack(decode(payload));
        EXPECT_EQ(deck.deck, 0);
        EXPECT_EQ(deck.bpm, 0.0);
        const Meta meta = Meta::fromMsgPack(decode(payload));
        EXPECT_EQ(meta.deck, 0);
        EXPECT_EQ(meta.title, "");
        const Event event = Event::fromMsgPack(decode(payload));
        EXPECT_EQ(event.name, "");
        EXPECT_EQ(event.value, 0);
    }
    const Control control =
        Control::fromMsgPack(decode(Payload().map(1).str("Crossfader").float64(0.5)));
    EXPECT_EQ(control.crossfader, 0.5);
    EXPECT_EQ(control.upfaderA, 0.0);
    EXPECT_EQ(control.upfaderB, 0.0);
    EXPECT_EQ(control.active, 0);
}

TEST(Records, NumbersConvertToTheFieldType)
{
    EXPECT_EQ(Deck::fromMsgPack(decode(Payload().map(1).str("Pitch").integer(1))).pitch, 1.0);
    EXPECT_EQ(Deck::fromMsgPack(decode(Payload().map(1).str("Deck").float64(2.9))).deck, 2);
    EXPECT_EQ(Deck::fromMsgPack(decode(Payload().map(1).str("Beat").float64(-2.9))).beat, -2);
    EXPECT_EQ(Deck::fromMsgPack(decode(Payload().map(1).str("Deck").boolean(true))).deck, 0);
    EXPECT_EQ(Control::fromMsgPack(decode(Payload().map(1).str("Active").boolean(true))).active, 0);
    EXPECT_EQ(Control::fromMsgPack(decode(Payload().map(1).str("UpfaderA").str("1"))).upfaderA,
              0.0);
}

TEST(Records, FloatsBeyondAnIntegerFieldNeitherTrapNorLandInADeckSlot)
{
    const double wild[] = {1e12, -1e12, std::numeric_limits<double>::infinity(),
                           std::numeric_limits<double>::quiet_NaN()};
    for (double value : wild)
    {
        const int deck =
            Deck::fromMsgPack(decode(Payload().map(1).str("Deck").float64(value))).deck;
        EXPECT_FALSE(deck >= 1 && deck <= 4) << value;
    }
}

TEST(Records, EventValueKeepsTheLowEightBits)
{
    auto valueOf = [](Payload value)
    {
        Payload payload = Payload().map(2).str("Event").str("Drop").str("Value");
        payload.bytes += value.bytes;
        return Event::fromMsgPack(decode(payload));
    };
    EXPECT_EQ(valueOf(Payload().integer(300)).value, 44);
    EXPECT_EQ(valueOf(Payload().integer(-1)).value, 255);
    EXPECT_EQ(valueOf(Payload().float64(1.9)).value, 1);
    EXPECT_EQ(valueOf(Payload().float64(300.0)).value, 44);
    EXPECT_EQ(valueOf(Payload().boolean(true)).value, 0);
    EXPECT_EQ(valueOf(Payload().integer(7)).name, "Drop");
}

TEST(Records, MetaTakesOnlyStrings)
{
    const Meta meta = Meta::fromMsgPack(decode(Payload()
                                                   .map(5)
                                                   .str("Deck")
                                                   .integer(1)
                                                   .str("Title")
                                                   .integer(5)
                                                   .str("Artist")
                                                   .bin("bytes")
                                                   .str("Album")
                                                   .str("Ümlaut")
                                                   .str("Filepath")
                                                   .str(std::string(300, 'p'))));
    EXPECT_EQ(meta.deck, 1);
    EXPECT_EQ(meta.title, "");
    EXPECT_EQ(meta.artist, "");
    EXPECT_EQ(meta.album, "Ümlaut");
    EXPECT_EQ(meta.filepath, std::string(300, 'p'));
}

// Every field kind as a sender encodes it: doubles, 32-bit floats, negative integers, a byte
// above 127 and texts decode to the values sent.
TEST(Records, EncodedRecordsDecodeToTheValuesSent)
{
    Deck deck;
    deck.pitch = 1.0213;
    deck.position = 61.5;
    deck.bpm = 124.25;
    deck.eqLow = 0.1f;
    deck.eqHigh = -0.5f;
    deck.deck = 3;
    deck.beat = -2;
    expectThroughTheWire(deck);

    Meta meta;
    meta.deck = 4;
    meta.title = "Ümlaut";
    meta.filepath = std::string(300, 'p');
    expectThroughTheWire(meta);

    Control control;
    control.upfaderA = 0.75;
    control.crossfader = -1.0;
    control.active = 1;
    expectThroughTheWire(control);

    Event event;
    event.name = "Drop";
    event.value = 200;
    expectThroughTheWire(event);
}

TEST(Records, KeyOrderEncodingFollowsTheKeyTable)
{
    Control control;
    control.upfaderA = 0.75;
    control.crossfader = -1.0;
    control.active = 1;
    EXPECT_EQ(orvprotocol::encodeRecordInKeyOrder(control), Payload()
                                                                .map(4)
                                                                .str("UpfaderA")
                                                                .float64(0.75)
                                                                .str("UpfaderB")
                                                                .float64(0.0)
                                                                .str("Crossfader")
                                                                .float64(-1.0)
                                                                .str("Active")
                                                                .integer(1)
                                                                .bytes);
}
