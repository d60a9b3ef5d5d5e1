// Malformed input: the error texts, their precedence, the nesting limit on both sides.

#include "Hex.h"
#include "msgpack/MsgPack.h"

#include <gtest/gtest.h>

using orvpack::MsgPack;

namespace
{

std::string error_of(const std::string& bytes)
{
    std::string err;
    const MsgPack value = MsgPack::parse(bytes, err);
    if (!err.empty())
    {
        EXPECT_EQ(value.type(), MsgPack::NUL) << to_hex(bytes);
    }
    return err;
}

std::string nested_arrays(int count, const char* innermost)
{
    return std::string(count, static_cast<char>(0x91)) + hex(innermost);
}

} // namespace

TEST(DecoderLimits, ErrorTexts)
{
    EXPECT_EQ(error_of(""), "end of buffer.");
    EXPECT_EQ(error_of(hex("c1")), "format error.");
    EXPECT_EQ(error_of(hex("91 c1")), "format error.");
    EXPECT_EQ(error_of(hex("93 01 02")), "end of buffer.");
    EXPECT_EQ(error_of(hex("d9 05 61 62")), "end of buffer.");
    EXPECT_EQ(error_of(hex("81 a1 61")), "end of buffer.");
    EXPECT_EQ(error_of(hex("82 a1 61 01 c1 01")), "format error."); // a bad key
}

TEST(DecoderLimits, TheFirstProblemMetDecides)
{
    // The bad byte comes before the missing ones.
    EXPECT_EQ(error_of(hex("93 c1")), "format error.");
    // The input ends before the bad byte would be read.
    EXPECT_EQ(error_of(hex("92 01")), "end of buffer.");
    // Too deep is refused before a lead byte is wanted, even with nothing left to read.
    EXPECT_EQ(error_of(nested_arrays(201, "")), "format error.");
    EXPECT_EQ(error_of(nested_arrays(200, "")), "end of buffer.");
}

TEST(DecoderLimits, NestingLimitBothSides)
{
    std::string err;
    MsgPack deepest = MsgPack::parse(nested_arrays(200, "90"), err);
    EXPECT_TRUE(err.empty());
    int depth = 0;
    for (; deepest.type() == MsgPack::ARRAY && !deepest.array_items().empty(); ++depth)
    {
        deepest = deepest[0];
    }
    EXPECT_EQ(depth, 200); // 201 arrays, the innermost empty
    EXPECT_EQ(deepest.type(), MsgPack::ARRAY);

    EXPECT_EQ(error_of(nested_arrays(201, "c0")), "format error.");
    EXPECT_EQ(error_of(nested_arrays(200, "c0")), "");
}

TEST(DecoderLimits, MapKeysAndValuesSitOneLevelBelowTheirMap)
{
    // 200 arrays, then a map: its key is at level 201.
    EXPECT_EQ(error_of(nested_arrays(200, "81 c0 c0")), "format error.");
    EXPECT_EQ(error_of(nested_arrays(199, "81 c0 c0")), "");
    EXPECT_EQ(error_of(nested_arrays(199, "81 c0 90")), "");
    EXPECT_EQ(error_of(nested_arrays(199, "81 c0 91 c0")), "format error.");
}

TEST(DecoderLimits, NullPointerIsRefusedWhateverTheLength)
{
    for (size_t length : {size_t{0}, size_t{5}, SIZE_MAX})
    {
        std::string err;
        EXPECT_EQ(MsgPack::parse(nullptr, length, err).type(), MsgPack::NUL);
        EXPECT_EQ(err, "null input");
    }
}

TEST(DecoderLimits, HugeDeclaredSizesFailAsEndOfBuffer)
{
    EXPECT_EQ(error_of(hex("dd ff ff ff ff")), "end of buffer.");
    EXPECT_EQ(error_of(hex("df ff ff ff ff 01")), "end of buffer.");
    EXPECT_EQ(error_of(hex("c6 ff ff ff ff 01 02 03")), "end of buffer.");
    EXPECT_EQ(error_of(hex("db ff ff ff ff 61")), "end of buffer.");
    EXPECT_EQ(error_of(hex("c9 ff ff ff ff 01 02")), "end of buffer.");
}
