// Equality and order across kinds: numbers by value (64-bit integers exactly), kinds in
// their fixed order otherwise.

#include "msgpack/MsgPack.h"
#include "msgpack/MsgPackValue.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace orvpack;

namespace
{

constexpr uint64_t kTwoPow53 = uint64_t{1} << 53;
constexpr uint64_t kTwoPow63 = uint64_t{1} << 63;
constexpr uint64_t kUint64Max = std::numeric_limits<uint64_t>::max();
constexpr int64_t kInt64Max = std::numeric_limits<int64_t>::max();
constexpr int64_t kInt64Min = std::numeric_limits<int64_t>::min();

} // namespace

TEST(Compare, FreeSixtyFourBitComparisons)
{
    EXPECT_TRUE(equal_uint64_int64(5, 5));
    EXPECT_FALSE(equal_uint64_int64(kTwoPow63, kInt64Min)); // same bits, other numbers
    EXPECT_FALSE(equal_uint64_int64(kUint64Max, -1));
    EXPECT_TRUE(equal_uint64_int64(kInt64Max, kInt64Max));

    EXPECT_TRUE(less_uint64_int64(4, 5));
    EXPECT_FALSE(less_uint64_int64(5, 5));
    EXPECT_FALSE(less_uint64_int64(0, -1));
    EXPECT_FALSE(less_uint64_int64(kTwoPow63, kInt64Max));

    EXPECT_TRUE(less_int64_uint64(-1, 0));
    EXPECT_TRUE(less_int64_uint64(kInt64Min, 0));
    EXPECT_TRUE(less_int64_uint64(kInt64Max, kTwoPow63));
    EXPECT_TRUE(less_int64_uint64(4, 5));
    EXPECT_FALSE(less_int64_uint64(5, 5));
    EXPECT_FALSE(less_int64_uint64(kInt64Max, kInt64Max));
}

TEST(Compare, NumbersOfAnyKindAreEqualByValue)
{
    EXPECT_TRUE(MsgPack(uint8_t{5}) == MsgPack(int32_t{5}));
    EXPECT_TRUE(MsgPack(int32_t{5}) == MsgPack(5.0));
    EXPECT_TRUE(MsgPack(int8_t{-1}) == MsgPack(int64_t{-1}));
    EXPECT_TRUE(MsgPack(-1.0f) == MsgPack(int16_t{-1}));
    EXPECT_FALSE(MsgPack(0.1f) == MsgPack(0.1));
    EXPECT_FALSE(MsgPack(std::nan("")) == MsgPack(std::nan("")));
    EXPECT_FALSE(MsgPack(uint8_t{1}) == MsgPack(true));
    EXPECT_FALSE(MsgPack(0) == MsgPack());
}

TEST(Compare, SixtyFourBitIntegersCompareExactly)
{
    EXPECT_TRUE(MsgPack(int64_t{-1}) < MsgPack(uint64_t{0}));
    EXPECT_FALSE(MsgPack(uint64_t{0}) < MsgPack(int64_t{-1}));
    EXPECT_FALSE(MsgPack(kUint64Max) < MsgPack(kInt64Max));
    EXPECT_TRUE(MsgPack(kInt64Max) < MsgPack(kUint64Max));
    EXPECT_FALSE(MsgPack(kTwoPow63) == MsgPack(kInt64Min));
    EXPECT_FALSE(MsgPack(kInt64Min) == MsgPack(kTwoPow63));
    EXPECT_TRUE(MsgPack(int64_t{7}) == MsgPack(uint64_t{7}));
    EXPECT_TRUE(MsgPack(uint64_t{7}) == MsgPack(int64_t{7}));

    // 2^53 + 1 is not a double: against FLOAT64 it goes through double, against UINT64 not.
    const MsgPack odd(static_cast<int64_t>(kTwoPow53 + 1));
    EXPECT_TRUE(odd == MsgPack(static_cast<double>(kTwoPow53)));
    EXPECT_FALSE(odd == MsgPack(kTwoPow53));
    EXPECT_TRUE(MsgPack(kTwoPow53) < odd);
    EXPECT_FALSE(MsgPack(kTwoPow53 + 1) == MsgPack(kTwoPow53));
    EXPECT_TRUE(MsgPack(kTwoPow53) < MsgPack(kTwoPow53 + 1));
    EXPECT_TRUE(MsgPack(int64_t{-5}) < MsgPack(int64_t{-4}));
}

TEST(Compare, KindsOrderNullNumbersBoolStringBinaryArrayObjectExtension)
{
    const std::vector<MsgPack> ascending = {
        MsgPack(),
        MsgPack(int8_t{-128}),
        MsgPack(-0.5f),
        MsgPack(uint8_t{0}),
        MsgPack(kUint64Max),
        MsgPack(false),
        MsgPack(true),
        MsgPack(""),
        MsgPack("\x7f"),
        MsgPack("\x80"),
        MsgPack(MsgPack::binary{}),
        MsgPack(MsgPack::binary{0x00}),
        MsgPack(MsgPack::array{}),
        MsgPack(MsgPack::array{MsgPack(1)}),
        MsgPack(MsgPack::array{MsgPack(1), MsgPack()}),
        MsgPack(MsgPack::array{MsgPack(2)}),
        MsgPack(MsgPack::object{}),
        MsgPack(MsgPack::object{{MsgPack("a"), MsgPack(1)}}),
        MsgPack(MsgPack::object{{MsgPack("a"), MsgPack(2)}}),
        MsgPack(MsgPack::object{{MsgPack("b"), MsgPack(0)}}),
        MsgPack(MsgPack::extension(-1, {9})),
        MsgPack(MsgPack::extension(0, {})),
        MsgPack(MsgPack::extension(0, {1})),
    };
    for (size_t i = 0; i < ascending.size(); ++i)
    {
        for (size_t j = 0; j < ascending.size(); ++j)
        {
            SCOPED_TRACE(std::to_string(i) + " vs " + std::to_string(j));
            EXPECT_EQ(ascending[i] < ascending[j], i < j);
            EXPECT_EQ(ascending[i] == ascending[j], i == j);
        }
    }
}

TEST(Compare, ContainersCompareElementwise)
{
    const MsgPack a(MsgPack::array{MsgPack(uint8_t{1}), MsgPack("x")});
    const MsgPack b(MsgPack::array{MsgPack(1.0), MsgPack("x")});
    EXPECT_TRUE(a == b);
    const MsgPack m1(MsgPack::object{{MsgPack(1), MsgPack(true)}});
    const MsgPack m2(MsgPack::object{{MsgPack(1.0f), MsgPack(true)}});
    EXPECT_TRUE(m1 == m2);
    EXPECT_FALSE(m1 == MsgPack(MsgPack::object{{MsgPack(1), MsgPack(false)}}));
    EXPECT_FALSE(MsgPack("ab") == MsgPack(MsgPack::binary{'a', 'b'}));
    EXPECT_FALSE(MsgPack(MsgPack::extension(1, {2})) == MsgPack(MsgPack::extension(2, {2})));
}

// Equal nested containers: comparing element pairs twice per level (a < b, then b < a) would
// take 2^200 steps here. Map keys are compared on insertion, so this comes from the network.
TEST(Compare, DeeplyNestedEqualContainersCompareInLinearTime)
{
    const std::string nested = std::string(198, '\x91') + '\x01';
    std::string error;
    const MsgPack map = MsgPack::parse("\x82" + nested + '\xc0' + nested + '\xc3', error);
    EXPECT_EQ(error, "");
    ASSERT_EQ(map.object_items().size(), 1u);
    EXPECT_EQ(map.object_items().begin()->second, MsgPack()); // the first of equal keys wins

    const MsgPack left = MsgPack::parse(nested, error);
    const MsgPack right = MsgPack::parse(nested, error);
    EXPECT_FALSE(left < right);
    EXPECT_FALSE(right < left);
    const MsgPack deepMap = MsgPack::parse(
        std::string(100, '\x81') + "\xc0" + std::string(99, '\x81') + "\xc0\xc0\xc0", error);
    EXPECT_FALSE(deepMap < deepMap);
}

TEST(Compare, ContainersOrderLexicographically)
{
    const auto array = [](std::initializer_list<MsgPack> items)
    { return MsgPack(MsgPack::array(items)); };
    EXPECT_TRUE(array({MsgPack(1), array({MsgPack(2)})}) <
                array({MsgPack(1), array({MsgPack(3)})}));
    EXPECT_FALSE(array({MsgPack(1), array({MsgPack(3)})}) <
                 array({MsgPack(1), array({MsgPack(2)})}));
    EXPECT_TRUE(array({MsgPack(1)}) < array({MsgPack(1), MsgPack(0)})); // a prefix is less
    EXPECT_FALSE(array({MsgPack(1), MsgPack(0)}) < array({MsgPack(1)}));
    const MsgPack small(MsgPack::object{{MsgPack("a"), MsgPack(1)}});
    const MsgPack large(MsgPack::object{{MsgPack("a"), MsgPack(2)}});
    const MsgPack otherKey(MsgPack::object{{MsgPack("b"), MsgPack(0)}});
    EXPECT_TRUE(small < large);
    EXPECT_FALSE(large < small);
    EXPECT_TRUE(large < otherKey); // keys decide before values
    EXPECT_FALSE(small < small);
}

TEST(Compare, LongStringsOrderByTheirBytesPastTheFirstSixteen)
{
    const std::string head(20, 'a');
    EXPECT_TRUE(MsgPack(head + "a") < MsgPack(head + "b"));
    EXPECT_FALSE(MsgPack(head + "b") < MsgPack(head + "a"));
    EXPECT_TRUE(MsgPack(head) < MsgPack(head + "a"));
    EXPECT_FALSE(MsgPack(head + "\xff") < MsgPack(head + "\x01"));
}

// NaN sorts above every number and alongside other NaNs. Were it merely "not less" than
// anything, a NaN key would be the same key as every number: {NaN: 1, 1.0: 2} would lose an
// entry, and a map would sort differently from one parse to the next.
TEST(Compare, NaNSortsAboveEveryNumberSoNoNumberKeyIsLost)
{
    const MsgPack nan(std::numeric_limits<double>::quiet_NaN());
    const MsgPack nanFloat(std::numeric_limits<float>::quiet_NaN());
    const MsgPack one(1);
    EXPECT_TRUE(one < nan);
    EXPECT_FALSE(nan < one);
    EXPECT_FALSE(nan < nanFloat);
    EXPECT_FALSE(nanFloat < nan);
    EXPECT_TRUE(nan < MsgPack(true)) << "numbers, NaN among them, still come before booleans";

    // {NaN: 1, 1.0: 2, NaN (float32): 3, -1: 4} as the wire has it.
    const char bytes[] = "\x84\xcb\x7f\xf8\x00\x00\x00\x00\x00\x00\x01"
                         "\xcb\x3f\xf0\x00\x00\x00\x00\x00\x00\x02"
                         "\xca\x7f\xc0\x00\x00\x03\xff\x04";
    const std::string map(bytes, sizeof bytes - 1);
    std::string error;
    const MsgPack parsed = MsgPack::parse(map, error);
    ASSERT_EQ(error, "");
    EXPECT_EQ(parsed.object_items().size(), 3u) << "1.0 and -1 kept, the two NaNs one key";
    const std::string dumped = parsed.dump();
    EXPECT_EQ(MsgPack::parse(dumped, error).dump(), dumped);
}
