// orv decode through the built executable: the example datagrams, raw bytes on standard
// input, and the broken datagrams a node turns into its error or warning text.
#include "ToolProcess.h"

#include "protocol/NodeLayout.h"
#include "protocol/WireSchema.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <type_traits>
#include <vector>

namespace orvtooltest
{
namespace
{

const char* const kDeckExample = "01 82 a4 44 65 63 6b 02 a3 42 50 4d cb 40 5f 00 00 00 00 00 00";
const char* const kEventExample = "04 82 a5 45 76 65 6e 74 a4 44 72 6f 70 a5 56 61 6c 75 65 01";

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

TEST(Decode, ExampleDatagramsShowTypeTreeAndRecord)
{
    const ToolRun deck = runTool({"decode", kDeckExample});
    ASSERT_EQ(deck.status, 0) << deck.err;
    EXPECT_TRUE(contains(deck.out, "datagram  21 bytes"));
    EXPECT_TRUE(contains(deck.out, "type      1 (Deck)"));
    EXPECT_TRUE(contains(deck.out, "\"BPM\": float64 124\n"));
    EXPECT_TRUE(contains(deck.out, "\"Deck\": uint8 2\n"));
    EXPECT_TRUE(contains(deck.out, "replaces deck slot 2 (column \"Deck B\", channels 14 to 24)"));
    EXPECT_TRUE(contains(deck.out, "bpm                 \"BPM\"                 124"));
    EXPECT_TRUE(contains(deck.out, "row Velocity, channel 14")) << deck.out;

    const ToolRun event = runTool({"decode", kEventExample});
    ASSERT_EQ(event.status, 0) << event.err;
    EXPECT_TRUE(contains(event.out, "type      4 (Event)"));
    EXPECT_TRUE(contains(event.out, "sets event \"Drop\" to 1")) << event.out;
}

// Every datagram the sender's guide shows in hex decodes as a node decodes it, to a record
// the node keeps, with the byte count the guide gives above it.
TEST(Decode, EveryExampleOfTheWireFormatGuideDecodes)
{
    std::ifstream guide(ORV_WIRE_FORMAT_DOC);
    ASSERT_TRUE(guide) << ORV_WIRE_FORMAT_DOC;
    std::string line;
    std::string caption;
    bool captionEnded = true;
    int examples = 0;
    while (std::getline(guide, line))
    {
        if (line != "```")
        {
            // The last paragraph before a block is its caption.
            if (!line.empty())
                caption = captionEnded ? line : caption + " " + line;
            captionEnded = line.empty();
            continue;
        }
        std::string hex;
        while (std::getline(guide, line) && line != "```")
            hex += line + " ";
        std::istringstream bytes(hex);
        std::string byte;
        size_t count = 0;
        bool allHex = true;
        while (bytes >> byte)
        {
            ++count;
            allHex = allHex && byte.size() == 2 &&
                     byte.find_first_not_of("0123456789abcdef") == std::string::npos;
        }
        if (!allHex || count == 0)
            continue; // a block of commands or text, not a datagram
        ++examples;
        const ToolRun run = runTool({"decode", hex});
        EXPECT_EQ(run.status, 0) << hex << "\n" << run.out << run.err;
        EXPECT_TRUE(contains(run.out, "datagram  " + std::to_string(count) + " bytes"));
        EXPECT_TRUE(contains(caption, std::to_string(count) + " bytes")) << caption;
        EXPECT_FALSE(contains(run.out, "error ")) << hex << "\n" << run.out;
    }
    EXPECT_GE(examples, 4);
}

// The guide's tables name every type byte and every key of the protocol, each key with its
// table row and channel.
TEST(Decode, TheWireFormatGuideListsEveryKeyOfTheProtocol)
{
    std::ifstream guide(ORV_WIRE_FORMAT_DOC);
    ASSERT_TRUE(guide) << ORV_WIRE_FORMAT_DOC;
    std::vector<std::string> rows;
    for (std::string line; std::getline(guide, line);)
    {
        if (line.rfind("| ", 0) == 0)
            rows.push_back(line + " ");
    }
    const auto listed = [&](const std::vector<std::string>& parts)
    {
        for (const std::string& row : rows)
        {
            bool all = true;
            for (const std::string& part : parts)
                all = all && contains(row, part);
            if (all)
                return true;
        }
        return false;
    };
    using namespace orvprotocol;
    using namespace orvlayout;
    for (const MessageInfo& message : kMessageTypes)
    {
        const std::string number = std::to_string(static_cast<int>(message.type));
        EXPECT_TRUE(listed({"| " + number + " | " + message.name + " |"})) << message.name;
    }
    // Every key of the record of `none`, with the row and channel it shows in.
    const auto check = [&](const auto& none, bool deckChannels)
    {
        using Record = std::decay_t<decltype(none)>;
        for (const auto& key : KeysOf<Record>::keys)
        {
            const FieldPlace place = placeOf<Record>(key.key);
            std::vector<std::string> parts = {"| \"" + std::string(key.key) + "\" |"};
            if (place.row != kNoRow)
                parts.push_back("| " + std::string(kRowLabels[place.row]) + " |");
            if (place.channel != kNoChannel)
                parts.push_back(deckChannels ? "| b + " + std::to_string(place.channel) + " |"
                                             : "| " + std::to_string(place.channel) + " |");
            EXPECT_TRUE(listed(parts)) << key.key;
        }
    };
    check(Control{}, false);
    check(Deck{}, true);
    check(Meta{}, false);
    check(Event{}, false);
}

TEST(Decode, RawBytesOnStandardInputReadLikeHex)
{
    const std::string raw("\x01\x82\xa4"
                          "Deck\x02\xa3"
                          "BPM\xcb\x40\x5f\x00\x00\x00\x00\x00\x00",
                          21);
    const ToolRun fromStdin = runTool({"decode"}, raw);
    ASSERT_EQ(fromStdin.status, 0) << fromStdin.err;
    EXPECT_EQ(fromStdin.out, runTool({"decode", kDeckExample}).out);
    EXPECT_EQ(fromStdin.err, "");
    // Hex text without --text is decoded as the bytes of its characters, with a hint.
    const ToolRun noText = runTool({"decode"}, std::string(kEventExample) + "\n");
    EXPECT_EQ(noText.status, 1);
    EXPECT_TRUE(contains(noText.err, "orv decode --text reads it as hex")) << noText.err;
    // Hex text on standard input with --text, separators and 0x prefixes allowed.
    const ToolRun text = runTool({"decode", "--text"}, "0x04,0x82 a5:45-76 65 6e 74 a4 44 72 6f "
                                                       "70 a5 56 61 6c 75 65 01\n");
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_TRUE(contains(text.out, "sets event \"Drop\" to 1"));
}

TEST(Decode, BrokenPayloadsGiveTheDecoderTextAndWhereTheNodeShowsIt)
{
    const ToolRun cut = runTool({"decode", "01 82 a4 44 65 63"});
    EXPECT_EQ(cut.status, 1);
    EXPECT_TRUE(contains(cut.out, "error     end of buffer."));
    EXPECT_TRUE(contains(cut.out, "as its error text")) << cut.out;

    const ToolRun reserved = runTool({"decode", "00 c1"});
    EXPECT_EQ(reserved.status, 1);
    EXPECT_TRUE(contains(reserved.out, "error     format error."));
    EXPECT_TRUE(contains(reserved.out, "as its warning text")) << reserved.out;

    const ToolRun typeOnly = runTool({"decode", "02"});
    EXPECT_EQ(typeOnly.status, 1);
    EXPECT_TRUE(contains(typeOnly.out, "end of buffer."));

    // A string that claims four gigabytes in a datagram of six bytes.
    const ToolRun huge = runTool({"decode", "01 db ff ff ff ff"});
    EXPECT_EQ(huge.status, 1);
    EXPECT_TRUE(contains(huge.out, "end of buffer."));

    // Arrays nested deeper than the decoder goes.
    const ToolRun deep = runTool({"decode"}, "\x01" + std::string(300, '\x91') + '\0');
    EXPECT_EQ(deep.status, 1);
    EXPECT_TRUE(contains(deep.out, "format error.")) << deep.out;

    const ToolRun empty = runTool({"decode"}, "");
    EXPECT_EQ(empty.status, 1);
    EXPECT_TRUE(contains(empty.out, "an empty datagram has no type byte"));

    const ToolRun notHex = runTool({"decode", "01 8g"});
    EXPECT_EQ(notHex.status, 2);
    EXPECT_TRUE(contains(notHex.err, "'g' is no hex digit"));
    EXPECT_EQ(runTool({"decode", "01 8"}).status, 2);
}

// A datagram a node drops exits with 1; keys it ignores and values it reads as another kind
// are listed, and alone leave the exit code at 0.
TEST(Decode, WhatTheReceiverIgnoresOrDrops)
{
    const ToolRun type3 = runTool({"decode", "03 80"});
    EXPECT_EQ(type3.status, 1);
    EXPECT_TRUE(contains(type3.out, "type      3 (none: the receiver ignores this type)"));
    EXPECT_TRUE(contains(type3.out, "dropped: type 3 carries no record"));

    const ToolRun deck5 = runTool({"decode", "01 81 a4 44 65 63 6b 05"});
    EXPECT_EQ(deck5.status, 1);
    EXPECT_TRUE(contains(deck5.out, "dropped: deck 5 is not 1 to 4"));

    // Deck 1 with "bpm" (lower case), "Beat" 2.5 and "Title" (a Meta key).
    const ToolRun keys = runTool({"decode", "01 84 a4 44 65 63 6b 01 a3 62 70 6d 7c a4 42 65 61 "
                                            "74 cb 40 04 00 00 00 00 00 00 a5 54 69 74 6c 65 01"});
    EXPECT_EQ(keys.status, 0) << keys.out;
    EXPECT_TRUE(contains(keys.out, "ignored   \"bpm\" is no Deck key: a node ignores it (the key "
                                   "is \"BPM\")\n"));
    EXPECT_TRUE(contains(keys.out, "kind      \"Beat\" holds float64 2.5: a node reads it as 2"));
    EXPECT_TRUE(contains(keys.out, "\"Title\" is no Deck key: a node ignores it (Meta "
                                   "datagrams carry it)"))
        << keys.out;
    const ToolRun title = runTool({"decode", "02 82 a4 44 65 63 6b 01 a5 54 69 74 6c 65 cd 07 cf"});
    EXPECT_EQ(title.status, 0);
    EXPECT_TRUE(contains(title.out, "kind      \"Title\" holds uint16 1999: a node reads text "
                                    "there and leaves the field empty"))
        << title.out;

    const ToolRun trailing = runTool({"decode", "04 80 c0 c0"});
    EXPECT_TRUE(contains(trailing.out, "the value takes 1; the 2 bytes after it are ignored"))
        << trailing.out;

    // The receiver reads 4096 bytes of a datagram: the map of one long string is cut.
    std::string big = "\x02\x81\xa5Title\xdb";
    big += std::string("\x00\x00\x13\x88", 4) + std::string(5000, 'x');
    const ToolRun cutOff = runTool({"decode"}, big);
    EXPECT_TRUE(contains(cutOff.out, "reads only the first 4096 bytes"));
    EXPECT_TRUE(contains(cutOff.out, "end of buffer.")) << cutOff.out;
}

} // namespace
} // namespace orvtooltest
