// Every lead-byte family and length width: the kind and value made, and every input cut
// short before the value is complete.

#include "Hex.h"
#include "msgpack/KnownStrings.h"
#include "msgpack/MsgPack.h"

#include <gtest/gtest.h>

#include <limits>

using orvpack::MsgPack;

namespace
{

struct Format
{
    const char* bytes;
    MsgPack::Type type;
    MsgPack value;
};

MsgPack::binary data(std::initializer_list<uint8_t> bytes)
{
    return MsgPack::binary(bytes);
}

std::vector<Format> formats()
{
    return {
        {"00", MsgPack::UINT8, MsgPack(uint8_t{0})},
        {"7f", MsgPack::UINT8, MsgPack(uint8_t{127})},
        {"e0", MsgPack::INT8, MsgPack(int8_t{-32})},
        {"ff", MsgPack::INT8, MsgPack(int8_t{-1})},
        {"cc 80", MsgPack::UINT8, MsgPack(uint8_t{128})},
        {"cc 05", MsgPack::UINT8, MsgPack(uint8_t{5})},
        {"cd 00 05", MsgPack::UINT16, MsgPack(uint16_t{5})},
        {"cd ff ff", MsgPack::UINT16, MsgPack(uint16_t{65535})},
        {"ce ff ff ff ff", MsgPack::UINT32, MsgPack(uint32_t{0xffffffff})},
        {"cf ff ff ff ff ff ff ff ff", MsgPack::UINT64,
         MsgPack(std::numeric_limits<uint64_t>::max())},
        {"d0 05", MsgPack::INT8, MsgPack(int8_t{5})},
        {"d0 ff", MsgPack::INT8, MsgPack(int8_t{-1})},
        {"d0 80", MsgPack::INT8, MsgPack(int8_t{-128})},
        {"d1 80 00", MsgPack::INT16, MsgPack(int16_t{-32768})},
        {"d2 80 00 00 00", MsgPack::INT32, MsgPack(std::numeric_limits<int32_t>::min())},
        {"d3 80 00 00 00 00 00 00 00", MsgPack::INT64,
         MsgPack(std::numeric_limits<int64_t>::min())},
        {"d3 00 00 00 00 00 00 00 05", MsgPack::INT64, MsgPack(int64_t{5})},
        {"ca 3f c0 00 00", MsgPack::FLOAT32, MsgPack(1.5f)},
        {"cb 3f f8 00 00 00 00 00 00", MsgPack::FLOAT64, MsgPack(1.5)},
        {"cb c0 5e dd 2f 1a 9f be 77", MsgPack::FLOAT64, MsgPack(-123.456)},
        {"c0", MsgPack::NUL, MsgPack()},
        {"c2", MsgPack::BOOL, MsgPack(false)},
        {"c3", MsgPack::BOOL, MsgPack(true)},
        {"a0", MsgPack::STRING, MsgPack("")},
        {"a3 61 62 63", MsgPack::STRING, MsgPack("abc")},
        {"a2 ff fe", MsgPack::STRING, MsgPack(std::string("\xff\xfe"))}, // raw bytes
        {"a3 61 00 62", MsgPack::STRING, MsgPack(std::string("a\0b", 3))},
        {"d9 00", MsgPack::STRING, MsgPack("")},
        {"d9 03 61 62 63", MsgPack::STRING, MsgPack("abc")},
        {"da 00 03 61 62 63", MsgPack::STRING, MsgPack("abc")},
        {"db 00 00 00 03 61 62 63", MsgPack::STRING, MsgPack("abc")},
        {"c4 00", MsgPack::BINARY, MsgPack(data({}))},
        {"c4 02 01 02", MsgPack::BINARY, MsgPack(data({1, 2}))},
        {"c5 00 02 01 02", MsgPack::BINARY, MsgPack(data({1, 2}))},
        {"c6 00 00 00 02 01 02", MsgPack::BINARY, MsgPack(data({1, 2}))},
        {"c7 00 05", MsgPack::EXTENSION, MsgPack(MsgPack::extension(5, {}))},
        {"c7 02 05 aa bb", MsgPack::EXTENSION, MsgPack(MsgPack::extension(5, {0xaa, 0xbb}))},
        {"c8 00 02 fb aa bb", MsgPack::EXTENSION, MsgPack(MsgPack::extension(-5, {0xaa, 0xbb}))},
        {"c9 00 00 00 02 05 aa bb", MsgPack::EXTENSION,
         MsgPack(MsgPack::extension(5, {0xaa, 0xbb}))},
        {"d4 ff 01", MsgPack::EXTENSION, MsgPack(MsgPack::extension(-1, {1}))},
        {"d5 01 01 02", MsgPack::EXTENSION, MsgPack(MsgPack::extension(1, {1, 2}))},
        {"d6 01 01 02 03 04", MsgPack::EXTENSION, MsgPack(MsgPack::extension(1, {1, 2, 3, 4}))},
        {"d7 01 01 02 03 04 05 06 07 08", MsgPack::EXTENSION,
         MsgPack(MsgPack::extension(1, {1, 2, 3, 4, 5, 6, 7, 8}))},
        {"d8 01 00 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f", MsgPack::EXTENSION,
         MsgPack(MsgPack::extension(1, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}))},
        {"90", MsgPack::ARRAY, MsgPack(MsgPack::array{})},
        {"92 01 c0", MsgPack::ARRAY, MsgPack(MsgPack::array{MsgPack(1), MsgPack()})},
        {"dc 00 02 01 02", MsgPack::ARRAY, MsgPack(MsgPack::array{MsgPack(1), MsgPack(2)})},
        {"dd 00 00 00 02 01 02", MsgPack::ARRAY, MsgPack(MsgPack::array{MsgPack(1), MsgPack(2)})},
        {"80", MsgPack::OBJECT, MsgPack(MsgPack::object{})},
        {"81 a1 61 01", MsgPack::OBJECT, MsgPack(MsgPack::object{{MsgPack("a"), MsgPack(1)}})},
        {"de 00 01 a1 61 01", MsgPack::OBJECT,
         MsgPack(MsgPack::object{{MsgPack("a"), MsgPack(1)}})},
        {"df 00 00 00 01 a1 61 01", MsgPack::OBJECT,
         MsgPack(MsgPack::object{{MsgPack("a"), MsgPack(1)}})},
    };
}

} // namespace

TEST(DecoderFormats, EachFormatGivesItsKindAndValue)
{
    for (const Format& format : formats())
    {
        SCOPED_TRACE(format.bytes);
        std::string err = "untouched";
        const MsgPack value = MsgPack::parse(hex(format.bytes), err);
        EXPECT_EQ(err, "untouched");
        EXPECT_EQ(value.type(), format.type);
        EXPECT_TRUE(value == format.value);
    }
}

TEST(DecoderFormats, EveryInputCutShortIsEndOfBuffer)
{
    for (const Format& format : formats())
    {
        const std::string bytes = hex(format.bytes);
        for (size_t length = 0; length < bytes.size(); ++length)
        {
            SCOPED_TRACE(std::string(format.bytes) + " cut to " + std::to_string(length));
            std::string err;
            const MsgPack value = MsgPack::parse(bytes.data(), length, err);
            EXPECT_EQ(err, "end of buffer.");
            EXPECT_EQ(value.type(), MsgPack::NUL);
        }
    }
}

TEST(DecoderFormats, WideLengthsAndCounts)
{
    std::string err;
    const std::string text255(255, 'x');
    EXPECT_EQ(MsgPack::parse(hex("d9 ff") + text255, err).string_value(), text255);
    const std::string text300(300, 'y');
    EXPECT_EQ(MsgPack::parse(hex("da 01 2c") + text300, err).string_value(), text300);
    EXPECT_EQ(MsgPack::parse(hex("c5 01 2c") + text300, err).binary_items().size(), 300u);
    const std::string fix31(31, 'z');
    EXPECT_EQ(MsgPack::parse(hex("bf") + fix31, err).string_value(), fix31);

    std::string sixteen_entries = hex("de 00 10");
    for (int i = 0; i < 16; ++i)
    {
        sixteen_entries += static_cast<char>(i);    // key: positive fixint
        sixteen_entries += static_cast<char>(0xc3); // value: true
    }
    const MsgPack map = MsgPack::parse(sixteen_entries, err);
    ASSERT_EQ(map.object_items().size(), 16u);
    EXPECT_TRUE(map.object_items().at(MsgPack(15)).bool_value());

    const MsgPack array = MsgPack::parse(hex("dc 00 10") + std::string(16, '\x07'), err);
    ASSERT_EQ(array.array_items().size(), 16u);
    EXPECT_EQ(array[15].int_value(), 7);
    EXPECT_TRUE(err.empty());
}

TEST(DecoderFormats, TrailingBytesAreIgnored)
{
    std::string err = "untouched";
    const MsgPack value = MsgPack::parse(hex("01 ff"), err);
    EXPECT_EQ(value.type(), MsgPack::UINT8);
    EXPECT_EQ(value.int_value(), 1);
    EXPECT_EQ(err, "untouched");
}

TEST(DecoderFormats, KnownStringsAndNearMissesDecodeToTheirBytes)
{
    static const orvpack::KnownStrings& known = orvpack::KnownStrings::create(
        {"NormalizedPosition", "EQLow", "EQMid", "UpfaderA", "UpfaderB", "BPM", "Deck", "Value",
         "D", std::string(orvpack::KnownStrings::kLongest + 1, 'x')});
    for (const std::string& key :
         {std::string("NormalizedPosition"), std::string("NormalizedPositioN"),
          std::string("EQLow"), std::string("EQLoW"), std::string("EQMid"), std::string("UpfaderA"),
          std::string("UpfaderB"), std::string("UpfaderC"), std::string("BPM"), std::string("Deck"),
          std::string("Decks"), std::string("Value"), std::string("D"), std::string("E"),
          std::string(orvpack::KnownStrings::kLongest + 1, 'x')})
    {
        const std::string bytes =
            (key.size() < 32 ? std::string(1, static_cast<char>(0xa0 | key.size()))
                             : hex("d9") + static_cast<char>(key.size())) +
            key;
        std::string err;
        const MsgPack value = MsgPack::parse(bytes.data(), bytes.size(), err, known);
        EXPECT_EQ(value.type(), MsgPack::STRING);
        EXPECT_EQ(value.string_value(), key);
    }
}

TEST(DecoderFormats, DeckDatagramPayload)
{
    // The payload of a Deck datagram for deck 2 at 124 BPM.
    std::string err;
    const MsgPack deck = MsgPack::parse(hex("82 a4 44 65 63 6b 02 a3 42 50 4d cb 40 5f 00 00 00 00 "
                                            "00 00"),
                                        err);
    EXPECT_TRUE(err.empty());
    EXPECT_EQ(deck["Deck"].int_value(), 2);
    EXPECT_EQ(deck["BPM"].float64_value(), 124.0);
    EXPECT_EQ(deck["Pitch"].type(), MsgPack::NUL);
}
