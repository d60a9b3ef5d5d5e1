// Datagrams as the tool builds them from the command line, hex text, and the values that
// KEY=VALUE text turns into.
#include "wire/Datagram.h"
#include "wire/KeyCheck.h"
#include "wire/ValueText.h"

#include <gtest/gtest.h>

namespace orvtool
{
namespace
{

using orvpack::MsgPack;

std::string bytes(const std::string& hex)
{
    std::string out;
    std::string error;
    EXPECT_TRUE(fromHex(hex, out, error)) << error;
    return out;
}

TEST(Datagram, EntriesGoOnTheWireInTheirOrder)
{
    // The example datagrams of the wire format, byte for byte.
    EXPECT_EQ(makeDatagram(1, Entries{{"Deck", MsgPack(int64_t{2})}, {"BPM", MsgPack(124.0)}}),
              bytes("01 82 a4 44 65 63 6b 02 a3 42 50 4d cb 40 5f 00 00 00 00 00 00"));
    EXPECT_EQ(makeDatagram(4, Entries{{"Event", MsgPack("Drop")}, {"Value", MsgPack(int64_t{1})}}),
              bytes("04 82 a5 45 76 65 6e 74 a4 44 72 6f 70 a5 56 61 6c 75 65 01"));
    // Duplicates are kept: the receiver's decoder decides which one counts.
    EXPECT_EQ(
        makeDatagram(2, Entries{{"Deck", MsgPack(int64_t{1})}, {"Deck", MsgPack(int64_t{2})}}),
        bytes("02 82 a4 44 65 63 6b 01 a4 44 65 63 6b 02"));
    EXPECT_EQ(makeDatagram(0, Entries{}), bytes("00 80"));

    Entries many;
    for (int i = 0; i < 16; ++i)
        many.emplace_back(std::string(1, static_cast<char>('A' + i)), MsgPack(nullptr));
    const std::string sixteen = makeDatagram(4, many);
    EXPECT_EQ(sixteen.substr(0, 4), bytes("04 de 00 10"));
    EXPECT_EQ(sixteen.size(), 4u + 16u * 3u);
}

TEST(Datagram, MessageTypesByNameOrNumber)
{
    uint8_t type = 99;
    EXPECT_TRUE(parseMessageType("deck", type));
    EXPECT_EQ(type, 1);
    EXPECT_TRUE(parseMessageType("Event", type));
    EXPECT_EQ(type, 4);
    EXPECT_TRUE(parseMessageType("CONTROL", type));
    EXPECT_EQ(type, 0);
    EXPECT_TRUE(parseMessageType("200", type));
    EXPECT_EQ(type, 200);
    for (const char* bad : {"256", "-1", "", "decks", "1.0", "0x01"})
        EXPECT_FALSE(parseMessageType(bad, type)) << bad;
    EXPECT_EQ(messageTypeName(2), "Meta");
    EXPECT_EQ(messageTypeName(3), "");
}

TEST(Hex, SeparatorsAndPrefixesAreAllowedOddDigitsAndOtherCharactersAreNot)
{
    EXPECT_EQ(bytes("0x01,0X82 a4:44-65\n63"), std::string("\x01\x82\xa4\x44\x65\x63", 6));
    EXPECT_EQ(bytes("0182A4"), std::string("\x01\x82\xa4", 3));
    EXPECT_EQ(bytes(""), "");
    std::string out = "kept";
    std::string error;
    EXPECT_FALSE(fromHex("01 8", out, error));
    EXPECT_FALSE(fromHex("0 1", out, error)) << "a byte is two digits together";
    EXPECT_FALSE(fromHex("01 zz", out, error));
    EXPECT_NE(error.find("'z'"), std::string::npos);
    EXPECT_EQ(out, "kept");
    EXPECT_EQ(toHex(std::string("\x00\xff\x10", 3)), "00 ff 10");
}

TEST(ValueText, NumbersBooleansNilAndStringsAreRecognisedFromTheirText)
{
    const auto encoded = [](const std::string& text) { return valueFromText(text).dump(); };
    EXPECT_EQ(encoded("2"), bytes("02"));
    EXPECT_EQ(encoded("-3"), bytes("fd"));
    EXPECT_EQ(encoded("300"), bytes("cd 01 2c"));
    EXPECT_EQ(encoded("124.0"), bytes("cb 40 5f 00 00 00 00 00 00"));
    EXPECT_EQ(encoded("1e3"), bytes("cb 40 8f 40 00 00 00 00 00"));
    EXPECT_EQ(encoded("0.5f"), bytes("ca 3f 00 00 00"));
    EXPECT_EQ(encoded("true"), bytes("c3"));
    EXPECT_EQ(encoded("false"), bytes("c2"));
    EXPECT_EQ(encoded("nil"), bytes("c0"));
    EXPECT_EQ(encoded("\"1999\""), bytes("a4 31 39 39 39"));
    EXPECT_EQ(encoded("Drop"), bytes("a4 44 72 6f 70"));
    EXPECT_EQ(encoded(""), bytes("a0"));
    // Not numbers after all: they stay text.
    EXPECT_EQ(valueFromText("inf").type(), MsgPack::STRING);
    EXPECT_EQ(valueFromText("nan").type(), MsgPack::STRING);
    EXPECT_EQ(valueFromText("0x10").type(), MsgPack::STRING);
    EXPECT_EQ(valueFromText(" 5").type(), MsgPack::STRING);
    EXPECT_EQ(valueFromText("1.2.3").type(), MsgPack::STRING);
    // Too long for 64 bits: a float.
    EXPECT_EQ(valueFromText("123456789012345678901234").type(), MsgPack::FLOAT64);

    std::string key;
    std::string value;
    EXPECT_TRUE(splitAssignment("Title=a=b", key, value));
    EXPECT_EQ(key, "Title");
    EXPECT_EQ(value, "a=b");
    EXPECT_TRUE(splitAssignment("Title=", key, value));
    EXPECT_EQ(value, "");
    EXPECT_FALSE(splitAssignment("=5", key, value));
    EXPECT_FALSE(splitAssignment("Title", key, value));
}

// What send warns about and decode lists, in the cases the command tests leave out.
TEST(KeyCheck, PayloadsThatANodeReadsOtherwiseThanWritten)
{
    const auto warnings = [](const std::string& hex) { return datagramWarnings(bytes(hex)); };
    EXPECT_TRUE(warnings("04 82 a5 45 76 65 6e 74 a4 44 72 6f 70 a5 56 61 6c 75 65 01").empty());
    EXPECT_EQ(warnings(""),
              std::vector<std::string>{"an empty datagram has no type byte: a node ignores it"});
    EXPECT_EQ(warnings("04 82 a5 45 76 65 6e 74 a4 44 72 6f 70 a5 56 61 6c 75 65 cd 01 2c"),
              std::vector<std::string>{"\"Value\" holds uint16 300: a node reads it as 44 (a "
                                       "whole number from 0 to 255)"});
    EXPECT_EQ(warnings("00 81 01 02"),
              (std::vector<std::string>{
                  "the key uint8 1 is no text: a node ignores it",
                  "a Control datagram replaces the mixer's whole record: what it leaves out "
                  "(UpfaderA, UpfaderB, Crossfader, Active) becomes 0 rather than keeping its "
                  "value"}));
    // A record a node keeps replaces the old one whole: a Deck with two keys zeroes the rest,
    // a Meta with a title empties the other texts. A dropped one says only that.
    EXPECT_EQ(warnings("01 82 a4 44 65 63 6b 02 a3 42 50 4d cb 40 5f 00 00 00 00 00 00"),
              std::vector<std::string>{
                  "a Deck datagram replaces its deck's whole record: what it leaves out (Pitch, "
                  "Position, Position2, NormalizedPosition, Length, EQLow, EQMid, EQHigh, Beat) "
                  "becomes 0 rather than keeping its value"});
    EXPECT_EQ(warnings("02 82 a4 44 65 63 6b 01 a5 54 69 74 6c 65 a1 78"),
              std::vector<std::string>{
                  "a Meta datagram replaces its deck's whole track record: what it leaves out "
                  "(Artist, Album, Filepath) becomes empty rather than keeping its value"});
    EXPECT_EQ(warnings("02 81 a5 54 69 74 6c 65 a1 78"),
              std::vector<std::string>{"a node drops the datagram: deck 0 is not 1 to 4"});
    // An event without a name still makes a row.
    const std::string unnamed = "the event has no name (\"Event\" is empty or left out): a node "
                                "shows it as a row with an empty label, and an OrvEvents node "
                                "names its channel \"_\"";
    EXPECT_EQ(warnings("04 82 a5 45 76 65 6e 74 a0 a5 56 61 6c 75 65 01"),
              std::vector<std::string>{unnamed});
    EXPECT_EQ(warnings("04 81 a5 56 61 6c 75 65 01"), std::vector<std::string>{unnamed});
    EXPECT_EQ(warnings("00 c1"),
              std::vector<std::string>{"the payload does not decode (\"format error.\"): a node "
                                       "shows that as its warning text and drops the datagram"});

    const std::vector<KeyFinding> noMap = checkKeys(0, MsgPack(1.5));
    ASSERT_EQ(noMap.size(), 1u);
    EXPECT_EQ(noMap[0].label, "payload");
    EXPECT_TRUE(checkKeys(3, MsgPack(1.5)).empty()) << "type 3 has no record";
    orvprotocol::ValueKind kind = orvprotocol::ValueKind::Float64;
    EXPECT_TRUE(keyKind(2, "Title", kind));
    EXPECT_EQ(kind, orvprotocol::ValueKind::Text);
    EXPECT_FALSE(keyKind(1, "Title", kind));
}

} // namespace
} // namespace orvtool
