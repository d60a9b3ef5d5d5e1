// parse_multi: the values read one after another, where it stops, and what it leaves untouched.

#include "Hex.h"
#include "msgpack/MsgPack.h"

#include <gtest/gtest.h>

using orvpack::MsgPack;

namespace
{

struct Outcome
{
    std::vector<MsgPack> values;
    std::string::size_type stop;
    std::string err;
};

// Starts with a stop position and error text that only a write can change.
Outcome parse_all(const char* bytes)
{
    Outcome outcome{{}, 99, "untouched"};
    outcome.values = MsgPack::parse_multi(hex(bytes), outcome.stop, outcome.err);
    return outcome;
}

} // namespace

TEST(ParseMulti, ReadsEveryValueToTheEnd)
{
    const Outcome all = parse_all("01 02 03");
    ASSERT_EQ(all.values.size(), 3u);
    EXPECT_EQ(all.values[2].type(), MsgPack::UINT8);
    EXPECT_EQ(all.values[2].int_value(), 3);
    EXPECT_EQ(all.stop, 3u);
    EXPECT_EQ(all.err, "untouched");

    const Outcome mixed = parse_all("81 a1 61 c3 92 c0 c2 cd 01 00");
    ASSERT_EQ(mixed.values.size(), 3u);
    EXPECT_TRUE(mixed.values[0]["a"].bool_value());
    EXPECT_EQ(mixed.values[1].array_items().size(), 2u);
    EXPECT_EQ(mixed.values[2].int_value(), 256);
    EXPECT_EQ(mixed.stop, 10u);
    EXPECT_EQ(mixed.err, "untouched");
}

TEST(ParseMulti, StopsAfterTheLastCompleteValue)
{
    const Outcome cut = parse_all("01 02 d9");
    EXPECT_EQ(cut.values.size(), 2u);
    EXPECT_EQ(cut.stop, 2u);
    EXPECT_EQ(cut.err, "end of buffer.");

    // A container cut short gives back none of its elements.
    const Outcome cut_container = parse_all("c3 93 01 02");
    ASSERT_EQ(cut_container.values.size(), 1u);
    EXPECT_TRUE(cut_container.values[0].bool_value());
    EXPECT_EQ(cut_container.stop, 1u);
    EXPECT_EQ(cut_container.err, "end of buffer.");

    const Outcome garbage = parse_all("01 c1 02");
    EXPECT_EQ(garbage.values.size(), 1u);
    EXPECT_EQ(garbage.stop, 1u);
    EXPECT_EQ(garbage.err, "format error.");
}

TEST(ParseMulti, NothingReadLeavesStopAndErrorAlone)
{
    const Outcome empty = parse_all("");
    EXPECT_TRUE(empty.values.empty());
    EXPECT_EQ(empty.stop, 99u);
    EXPECT_EQ(empty.err, "untouched");

    const Outcome bad_first = parse_all("c1 01");
    EXPECT_TRUE(bad_first.values.empty());
    EXPECT_EQ(bad_first.stop, 99u);
    EXPECT_EQ(bad_first.err, "format error.");
}

TEST(ParseMulti, ValuesContainingZeroBytesAndNil)
{
    // Zero bytes are data, not an end; a nil is a value like any other.
    const Outcome zeros = parse_all("00 c0 a2 00 00 00");
    ASSERT_EQ(zeros.values.size(), 4u);
    EXPECT_EQ(zeros.values[1].type(), MsgPack::NUL);
    EXPECT_EQ(zeros.values[2].string_value(), std::string(2, '\0'));
    EXPECT_EQ(zeros.stop, 6u);
    EXPECT_EQ(zeros.err, "untouched");
}
