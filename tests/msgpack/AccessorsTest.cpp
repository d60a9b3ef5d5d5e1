// The never-failing accessors: conversions between numeric kinds, defaults for other kinds,
// element and key lookups, the shared statics and has_shape.

#include "msgpack/MsgPack.h"
#include "msgpack/MsgPackValue.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace orvpack;

TEST(Accessors, IntegerConversionsKeepLowBits)
{
    EXPECT_EQ(MsgPack(int8_t{-1}).uint8_value(), 255);
    EXPECT_EQ(MsgPack(int8_t{-1}).uint64_value(), std::numeric_limits<uint64_t>::max());
    EXPECT_EQ(MsgPack(uint32_t{0xffffffff}).int32_value(), -1);
    EXPECT_EQ(MsgPack(int32_t{300}).int8_value(), 44);
    EXPECT_EQ(MsgPack(uint16_t{200}).int8_value(), -56);
    EXPECT_EQ(MsgPack(int32_t{300}).uint8_value(), 44);
    EXPECT_EQ(MsgPack(uint64_t{1} << 40).int_value(), 0);
}

TEST(Accessors, IntegerToFloatingRoundsToNearest)
{
    const uint64_t above = (uint64_t{1} << 53) + 1;
    EXPECT_EQ(MsgPack(above).float64_value(), 9007199254740992.0);
    EXPECT_EQ(MsgPack(int32_t{16777217}).float32_value(), 16777216.0f);
    EXPECT_EQ(MsgPack(0.1).float32_value(), 0.1f);
    EXPECT_EQ(MsgPack(0.1f).float64_value(), static_cast<double>(0.1f));
    EXPECT_EQ(MsgPack(int8_t{-3}).number_value(), -3.0);
}

TEST(Accessors, FloatingToIntegerTruncatesTowardZero)
{
    EXPECT_EQ(MsgPack(-2.9).int_value(), -2);
    EXPECT_EQ(MsgPack(2.9).int_value(), 2);
    EXPECT_EQ(MsgPack(65535.9f).uint16_value(), 65535);
    EXPECT_EQ(MsgPack(1.9).uint8_value(), 1);
    EXPECT_EQ(MsgPack(-0.9).uint32_value(), 0u);
    EXPECT_EQ(MsgPack(1e18).int64_value(), 1000000000000000000);
    EXPECT_EQ(MsgPack(1e19).uint64_value(), 10000000000000000000u);
}

TEST(Accessors, FloatingBeyondTheResultKeepsLowBitsWithinSixtyFourBits)
{
    EXPECT_EQ(MsgPack(300.0).uint8_value(), 44);
    EXPECT_EQ(MsgPack(-1.0).uint8_value(), 255);
    EXPECT_EQ(MsgPack(200.0f).int8_value(), -56);
    EXPECT_EQ(MsgPack(4294967296.0 + 5).int_value(), 5);
    EXPECT_EQ(MsgPack(-1.0).uint64_value(), std::numeric_limits<uint64_t>::max());
}

TEST(Accessors, FloatingBeyondSixtyFourBitsSaturatesAndNanIsZero)
{
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(MsgPack(1e30).int_value(), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(MsgPack(-1e30).int_value(), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(MsgPack(inf).uint8_value(), 255);
    EXPECT_EQ(MsgPack(-inf).uint8_value(), 0);
    EXPECT_EQ(MsgPack(1e19).int64_value(), std::numeric_limits<int64_t>::max());
    EXPECT_EQ(MsgPack(-1e19).int64_value(), std::numeric_limits<int64_t>::min());
    EXPECT_EQ(MsgPack(9.3e18).int64_value(), std::numeric_limits<int64_t>::max());
    EXPECT_EQ(MsgPack(-9223372036854775808.0).int64_value(), std::numeric_limits<int64_t>::min());
    EXPECT_EQ(MsgPack(1e20).uint64_value(), std::numeric_limits<uint64_t>::max());
    EXPECT_EQ(MsgPack(static_cast<float>(inf)).uint64_value(),
              std::numeric_limits<uint64_t>::max());
    EXPECT_EQ(MsgPack(-1e20).uint64_value(), 0u);
    EXPECT_EQ(MsgPack(std::nan("")).int_value(), 0);
    EXPECT_EQ(MsgPack(std::nanf("")).uint64_value(), 0u);
    EXPECT_EQ(MsgPack(std::nan("")).int8_value(), 0);
}

TEST(Accessors, OtherKindsGiveDefaults)
{
    EXPECT_EQ(MsgPack(true).int_value(), 0);
    EXPECT_EQ(MsgPack(true).float64_value(), 0.0);
    EXPECT_FALSE(MsgPack(uint8_t{1}).bool_value());
    EXPECT_TRUE(MsgPack(true).bool_value());
    EXPECT_EQ(MsgPack(int8_t{3}).string_value(), "");
    EXPECT_EQ(MsgPack("12").int_value(), 0);
    EXPECT_TRUE(MsgPack("x").array_items().empty());
    EXPECT_TRUE(MsgPack(1).object_items().empty());
    EXPECT_TRUE(MsgPack().binary_items().empty());
    const auto& [type, data] = MsgPack("x").extension_items();
    EXPECT_EQ(type, 0);
    EXPECT_TRUE(data.empty());
}

TEST(Accessors, ElementAndKeyLookupsMissToNull)
{
    const MsgPack pair(MsgPack::array{MsgPack(1), MsgPack("two")});
    EXPECT_EQ(pair[1].string_value(), "two");
    EXPECT_EQ(pair[2].type(), MsgPack::NUL);
    EXPECT_EQ(pair[SIZE_MAX].type(), MsgPack::NUL);
    EXPECT_EQ(pair["x"].type(), MsgPack::NUL);
    EXPECT_EQ(MsgPack("text")[0].type(), MsgPack::NUL);
    const MsgPack map(MsgPack::object{{MsgPack("a"), MsgPack(5)}});
    EXPECT_EQ(map["a"].int_value(), 5);
    EXPECT_EQ(map["b"].type(), MsgPack::NUL);
    EXPECT_EQ(map[0].type(), MsgPack::NUL);
    EXPECT_EQ(&map["b"], &static_null());
}

TEST(Accessors, NullAndBoolShareTheStatics)
{
    EXPECT_EQ(MsgPack().type(), 4);
    EXPECT_TRUE(MsgPack() == MsgPack(nullptr));
    EXPECT_EQ(static_null().type(), MsgPack::NUL);
    EXPECT_EQ(statics().null_value->type(), MsgPack::NUL);
    EXPECT_TRUE(statics().true_value->bool_value());
    EXPECT_FALSE(statics().false_value->bool_value());
    EXPECT_EQ(&MsgPack(1).string_value(), &statics().empty_string);
    EXPECT_EQ(&MsgPack(1).object_items(), &statics().empty_object);
}

TEST(Accessors, TypeNumbersFollowTheirBitLayout)
{
    const MsgPack::Type in_order[] = {
        MsgPack::NUL,    MsgPack::FLOAT32,  MsgPack::FLOAT64, MsgPack::INT8,   MsgPack::INT16,
        MsgPack::INT32,  MsgPack::INT64,    MsgPack::UINT8,   MsgPack::UINT16, MsgPack::UINT32,
        MsgPack::UINT64, MsgPack::BOOL,     MsgPack::STRING,  MsgPack::BINARY, MsgPack::ARRAY,
        MsgPack::OBJECT, MsgPack::EXTENSION};
    for (int i = 0; i < 17; ++i)
    {
        const int type = in_order[i];
        EXPECT_EQ(type >> 2, i + 1);
        const int low = type & 3;
        EXPECT_EQ(low, i == 1 || i == 2 ? 1 : (i >= 3 && i <= 10 ? 3 : 0)) << type;
    }
}

TEST(Accessors, HasShape)
{
    std::string err = "untouched";
    EXPECT_FALSE(MsgPack(MsgPack::array{}).has_shape({}, err));
    EXPECT_EQ(err, "expected MessagePack object");

    const MsgPack map(MsgPack::object{{MsgPack("b"), MsgPack("text")}, {MsgPack("n"), MsgPack(2)}});
    err = "untouched";
    EXPECT_TRUE(map.has_shape({}, err));
    EXPECT_TRUE(map.has_shape({{"b", MsgPack::STRING}, {"a", MsgPack::NUL}}, err));
    EXPECT_EQ(err, "untouched");
    EXPECT_FALSE(map.has_shape({{"a", MsgPack::STRING}}, err));
    EXPECT_EQ(err, "bad type for a");
    EXPECT_FALSE(
        map.has_shape({{"b", MsgPack::STRING}, {"n", MsgPack::INT32}, {"z", MsgPack::BOOL}}, err));
    EXPECT_EQ(err, "bad type for z");
    EXPECT_FALSE(map.has_shape({{"n", MsgPack::UINT8}, {"z", MsgPack::BOOL}}, err));
    EXPECT_EQ(err, "bad type for n");
}

// Every numeric accessor of every kind that holds no number, built through each constructor.
TEST(Accessors, EveryNumericAccessorOfANonNumberIsZero)
{
    const std::string text = "x";
    const MsgPack::array items{MsgPack(1)};
    const MsgPack::object entries{{MsgPack("k"), MsgPack(1)}};
    const MsgPack::binary bytes{1, 2};
    const MsgPack::extension extension(3, {4});
    const MsgPack values[] = {
        MsgPack(),      MsgPack(true),    MsgPack(text),  MsgPack(std::string("y")), MsgPack("z"),
        MsgPack(items), MsgPack(entries), MsgPack(bytes), MsgPack(extension)};
    for (const MsgPack& value : values)
    {
        EXPECT_EQ(value.number_value(), 0.0);
        EXPECT_EQ(value.float32_value(), 0.0f);
        EXPECT_EQ(value.float64_value(), 0.0);
        EXPECT_EQ(value.int_value(), 0);
        EXPECT_EQ(value.int8_value(), 0);
        EXPECT_EQ(value.int16_value(), 0);
        EXPECT_EQ(value.int32_value(), 0);
        EXPECT_EQ(value.int64_value(), 0);
        EXPECT_EQ(value.uint8_value(), 0u);
        EXPECT_EQ(value.uint16_value(), 0u);
        EXPECT_EQ(value.uint32_value(), 0u);
        EXPECT_EQ(value.uint64_value(), 0u);
    }
    EXPECT_EQ(values[5].array_items(), items);
    EXPECT_EQ(values[6].object_items().size(), 1u);
    EXPECT_EQ(values[7].binary_items(), bytes);
    EXPECT_EQ(std::get<0>(values[8].extension_items()), 3);
}
