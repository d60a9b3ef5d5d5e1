// Maps as decoded: equivalent keys are one key and the first one read stays; keys of every
// kind; lookup by string finds only STRING keys.

#include "Hex.h"
#include "msgpack/MsgPack.h"

#include <gtest/gtest.h>

using orvpack::MsgPack;

namespace
{

MsgPack decode(const char* bytes)
{
    std::string err;
    const MsgPack value = MsgPack::parse(hex(bytes), err);
    EXPECT_TRUE(err.empty()) << bytes << ": " << err;
    return value;
}

} // namespace

TEST(ObjectKeys, FirstOfDuplicateStringKeysWins)
{
    const MsgPack map = decode("82 a1 61 01 a1 61 02");
    EXPECT_EQ(map.object_items().size(), 1u);
    EXPECT_EQ(map["a"].int_value(), 1);
}

TEST(ObjectKeys, IntegerAndFloatOfEqualValueAreOneKey)
{
    // UINT8 1 -> "x", then FLOAT64 1.0 -> "y".
    const MsgPack map = decode("82 01 a1 78 cb 3f f0 00 00 00 00 00 00 a1 79");
    ASSERT_EQ(map.object_items().size(), 1u);
    const auto& [key, value] = *map.object_items().begin();
    EXPECT_EQ(key.type(), MsgPack::UINT8);
    EXPECT_EQ(value.string_value(), "x");
    EXPECT_EQ(map.object_items().at(MsgPack(1.0)).string_value(), "x");
}

TEST(ObjectKeys, SixtyFourBitKeysCompareExactly)
{
    // INT64 5 and UINT64 5 are one key; UINT64 2^53 and 2^53 + 1 are two.
    EXPECT_EQ(decode("82 d3 00 00 00 00 00 00 00 05 c3 cf 00 00 00 00 00 00 00 05 c2")
                  .object_items()
                  .size(),
              1u);
    EXPECT_EQ(decode("82 cf 00 20 00 00 00 00 00 00 c3 cf 00 20 00 00 00 00 00 01 c2")
                  .object_items()
                  .size(),
              2u);
}

TEST(ObjectKeys, KeysOfEveryKindInKindOrder)
{
    // Keys given as: "s", [1], true, 7, nil, bin "k", {}, ext.
    const MsgPack map = decode("88 a1 73 01 91 01 02 c3 03 07 04 c0 05 c4 01 6b 06 80 07 d4 01 00 "
                               "08");
    std::vector<int> values;
    for (const auto& [key, value] : map.object_items())
    {
        values.push_back(value.int_value());
    }
    EXPECT_EQ(values, (std::vector<int>{5, 4, 3, 1, 6, 2, 7, 8}));
    EXPECT_EQ(map["s"].int_value(), 1);
    EXPECT_EQ(map.object_items().at(MsgPack(MsgPack::array{MsgPack(1)})).int_value(), 2);
}

TEST(ObjectKeys, StringLookupMatchesOnlyStringKeys)
{
    const MsgPack binary_key = decode("81 c4 01 6b 01"); // bin "k" -> 1
    EXPECT_EQ(binary_key["k"].type(), MsgPack::NUL);
    const MsgPack number_key = decode("81 01 02");
    EXPECT_EQ(number_key["1"].type(), MsgPack::NUL);
    const MsgPack prefix_keys = decode("83 a2 61 62 01 a1 61 02 a3 61 62 63 03");
    EXPECT_EQ(prefix_keys["a"].int_value(), 2);
    EXPECT_EQ(prefix_keys["ab"].int_value(), 1);
    EXPECT_EQ(prefix_keys["abc"].int_value(), 3);
    EXPECT_EQ(prefix_keys["abcd"].type(), MsgPack::NUL);
    EXPECT_EQ(prefix_keys[""].type(), MsgPack::NUL);
    // Bytes above 0x7f order after ASCII, as unsigned bytes.
    const MsgPack high_keys = decode("82 a1 ff 01 a1 7f 02");
    EXPECT_EQ(high_keys.object_items().begin()->second.int_value(), 2);
    EXPECT_EQ(high_keys["\xff"].int_value(), 1);
}

TEST(ObjectKeys, DecodedMapsOutliveNothingTheyLendAndCopiesStandAlone)
{
    // 20 entries: more than the decoder sets room aside for, so nodes of both origins.
    std::string bytes = hex("de 00 14");
    for (int i = 0; i < 20; ++i)
    {
        bytes += hex("a2 6b") + static_cast<char>('a' + i) + hex("cb 3f f0 00 00 00 00 00 00");
    }
    std::string err;
    MsgPack::object copy;
    MsgPack kept;
    {
        const MsgPack decoded = MsgPack::parse(bytes, err);
        ASSERT_EQ(err, "");
        copy = decoded.object_items();
        MsgPack::object moved_from(decoded.object_items());
        MsgPack::object moved(std::move(moved_from));
        copy.swap(moved);
        kept = decoded["kt"];
    }
    // Whatever the decoded map held is gone; the copy, the swapped map and the value remain.
    EXPECT_EQ(copy.size(), 20u);
    EXPECT_EQ(copy.at(MsgPack("ka")).float64_value(), 1.0);
    copy.erase(MsgPack("kb"));
    copy.emplace(MsgPack("new"), MsgPack(2.0));
    EXPECT_EQ(MsgPack(copy)["new"].float64_value(), 2.0);
    EXPECT_EQ(kept.float64_value(), 1.0);
}
