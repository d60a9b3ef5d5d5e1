// What an includer of MsgPack.h alone gets: the handle, complete and usable, and not the value
// classes behind it (their header is private to msgpack/).
#include "msgpack/MsgPack.h"

#include <gtest/gtest.h>

#include <type_traits>

namespace
{

template <class T, class = void> struct IsComplete : std::false_type
{
};
template <class T> struct IsComplete<T, std::void_t<decltype(sizeof(T))>> : std::true_type
{
};

static_assert(IsComplete<orvpack::MsgPack>::value);
static_assert(!IsComplete<orvpack::MsgPackValue>::value,
              "MsgPack.h must not bring in the value classes (MsgPackValue.h)");

} // namespace

TEST(HandleOnly, BuildsReadsComparesAndRoundTripsWithoutTheValueClasses)
{
    orvpack::MsgPack::object entries{{"BPM", 128.0}, {"Deck", int32_t{2}}};
    const orvpack::MsgPack map(std::move(entries));
    EXPECT_EQ(map["BPM"].float64_value(), 128.0);
    EXPECT_EQ(map["Deck"].uint8_value(), 2);
    EXPECT_EQ(map["missing"].type(), orvpack::MsgPack::NUL);

    std::string error;
    const orvpack::MsgPack decoded = orvpack::MsgPack::parse(map.dump(), error);
    EXPECT_EQ(error, "");
    EXPECT_EQ(decoded, map);
    EXPECT_FALSE(decoded < map);
}
