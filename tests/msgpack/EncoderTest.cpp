// The encoder: each kind's form, integers in their shortest form whatever their kind, length
// and count widths at their boundaries, and the refusal of lengths beyond 32 bits.

#include "msgpack/Encoder.h"
#include "Hex.h"
#include "msgpack/MsgPack.h"

#include <gtest/gtest.h>

#include <limits>
#include <sstream>
#include <stdexcept>

using orvpack::MsgPack;
namespace encoder = orvpack::encoder;

namespace
{

// The first `count` bytes of the encoding, as hex.
std::string head(const MsgPack& value, size_t count)
{
    return to_hex(value.dump().substr(0, count));
}

std::string header(void (*write)(std::ostream&, uint64_t), uint64_t length)
{
    std::ostringstream out;
    write(out, length);
    return to_hex(out.str());
}

} // namespace

TEST(Encoder, IntegersTakeTheShortestFormWhateverTheirKind)
{
    const std::pair<MsgPack, const char*> cases[] = {
        {MsgPack(uint8_t{0}), "00"},
        {MsgPack(int64_t{127}), "7f"},
        {MsgPack(int32_t{128}), "cc 80"}, // a positive signed kind goes out unsigned
        {MsgPack(uint64_t{255}), "cc ff"},
        {MsgPack(int16_t{256}), "cd 01 00"},
        {MsgPack(uint32_t{65535}), "cd ff ff"},
        {MsgPack(int32_t{65536}), "ce 00 01 00 00"},
        {MsgPack(uint64_t{0xffffffff}), "ce ff ff ff ff"},
        {MsgPack(int64_t{0x100000000}), "cf 00 00 00 01 00 00 00 00"},
        {MsgPack(std::numeric_limits<uint64_t>::max()), "cf ff ff ff ff ff ff ff ff"},
        {MsgPack(int8_t{-1}), "ff"},
        {MsgPack(int64_t{-32}), "e0"},
        {MsgPack(int16_t{-33}), "d0 df"},
        {MsgPack(int8_t{-128}), "d0 80"},
        {MsgPack(int32_t{-129}), "d1 ff 7f"},
        {MsgPack(int16_t{-32768}), "d1 80 00"},
        {MsgPack(int64_t{-32769}), "d2 ff ff 7f ff"},
        {MsgPack(std::numeric_limits<int32_t>::min()), "d2 80 00 00 00"},
        {MsgPack(int64_t{std::numeric_limits<int32_t>::min()} - 1), "d3 ff ff ff ff 7f ff ff ff"},
        {MsgPack(std::numeric_limits<int64_t>::min()), "d3 80 00 00 00 00 00 00 00"},
    };
    for (const auto& [value, bytes] : cases)
    {
        EXPECT_EQ(to_hex(value.dump()), bytes);
    }
}

TEST(Encoder, ScalarForms)
{
    EXPECT_EQ(to_hex(MsgPack().dump()), "c0");
    EXPECT_EQ(to_hex(MsgPack(false).dump()), "c2");
    EXPECT_EQ(to_hex(MsgPack(true).dump()), "c3");
    // Floats keep their width even when an integer would be shorter.
    EXPECT_EQ(to_hex(MsgPack(1.0f).dump()), "ca 3f 80 00 00");
    EXPECT_EQ(to_hex(MsgPack(124.0).dump()), "cb 40 5f 00 00 00 00 00 00");
    EXPECT_EQ(to_hex(MsgPack("abc").dump()), "a3 61 62 63");
    EXPECT_EQ(to_hex(MsgPack(MsgPack::binary{1, 2}).dump()), "c4 02 01 02");
    EXPECT_EQ(to_hex(MsgPack(MsgPack::binary{}).dump()), "c4 00");
}

TEST(Encoder, LengthWidthsAtTheirBoundaries)
{
    EXPECT_EQ(head(MsgPack(std::string(31, 'x')), 1), "bf");
    EXPECT_EQ(head(MsgPack(std::string(32, 'x')), 2), "d9 20");
    EXPECT_EQ(head(MsgPack(std::string(255, 'x')), 2), "d9 ff");
    EXPECT_EQ(head(MsgPack(std::string(256, 'x')), 3), "da 01 00");
    EXPECT_EQ(head(MsgPack(std::string(65536, 'x')), 5), "db 00 01 00 00");
    EXPECT_EQ(MsgPack(std::string(65536, 'x')).dump().size(), 65536u + 5);

    EXPECT_EQ(head(MsgPack(MsgPack::binary(255)), 2), "c4 ff");
    EXPECT_EQ(head(MsgPack(MsgPack::binary(256)), 3), "c5 01 00");
    EXPECT_EQ(head(MsgPack(MsgPack::binary(65536)), 5), "c6 00 01 00 00");

    EXPECT_EQ(head(MsgPack(MsgPack::array(15)), 1), "9f");
    EXPECT_EQ(head(MsgPack(MsgPack::array(16)), 3), "dc 00 10");
    EXPECT_EQ(head(MsgPack(MsgPack::array(65536)), 5), "dd 00 01 00 00");
    EXPECT_EQ(header(encoder::write_map_header, 15), "8f");
    EXPECT_EQ(header(encoder::write_map_header, 16), "de 00 10");
    EXPECT_EQ(header(encoder::write_map_header, 65536), "df 00 01 00 00");
    // The widest forms reach 2^32 - 1.
    EXPECT_EQ(header(encoder::write_string_header, 0xffffffff), "db ff ff ff ff");
    EXPECT_EQ(header(encoder::write_binary_header, 0xffffffff), "c6 ff ff ff ff");
    EXPECT_EQ(header(encoder::write_array_header, 0xffffffff), "dd ff ff ff ff");
    EXPECT_EQ(header(encoder::write_map_header, 0xffffffff), "df ff ff ff ff");
}

TEST(Encoder, ExtensionsUseFixedFormsOnlyForTheirExactSizes)
{
    const auto ext = [](size_t size)
    { return MsgPack(MsgPack::extension(-2, MsgPack::binary(size, 7))); };
    EXPECT_EQ(to_hex(ext(1).dump()), "d4 fe 07");
    EXPECT_EQ(head(ext(2), 2), "d5 fe");
    EXPECT_EQ(head(ext(4), 2), "d6 fe");
    EXPECT_EQ(head(ext(8), 2), "d7 fe");
    EXPECT_EQ(head(ext(16), 2), "d8 fe");
    EXPECT_EQ(to_hex(ext(0).dump()), "c7 00 fe");
    EXPECT_EQ(to_hex(ext(3).dump()), "c7 03 fe 07 07 07");
    EXPECT_EQ(head(ext(17), 3), "c7 11 fe");
    EXPECT_EQ(head(ext(256), 4), "c8 01 00 fe");
    EXPECT_EQ(head(ext(65536), 6), "c9 00 01 00 00 fe");
}

TEST(Encoder, ContainersWriteTheirItemsAndMapsGoInKeyOrder)
{
    const MsgPack array(MsgPack::array{MsgPack(1), MsgPack("a"), MsgPack(MsgPack::array{})});
    EXPECT_EQ(to_hex(array.dump()), "93 01 a1 61 90");

    // Inserted in another order; written as the key order puts them (numbers, then strings).
    const MsgPack map(MsgPack::object{{MsgPack("b"), MsgPack(true)},
                                      {MsgPack(2.5), MsgPack()},
                                      {MsgPack(int8_t{-1}), MsgPack(1)}});
    EXPECT_EQ(to_hex(map.dump()), "83 ff 01 cb 40 04 00 00 00 00 00 00 c0 a1 62 c3");
}

TEST(Encoder, StreamOperatorWritesTheSameBytesAsDump)
{
    const MsgPack value(
        MsgPack::object{{MsgPack("Deck"), MsgPack(2)}, {MsgPack("BPM"), MsgPack(124.0)}});
    std::ostringstream out;
    out << value << MsgPack(true);
    EXPECT_EQ(out.str(), value.dump() + hex("c3"));
}

TEST(Encoder, LengthsBeyondThirtyTwoBitsThrowBeforeWritingAnything)
{
    const uint64_t too_long = uint64_t{1} << 32;
    const auto message = [](auto write)
    {
        std::ostringstream out;
        try
        {
            write(out);
        }
        catch (const std::runtime_error& error)
        {
            EXPECT_TRUE(out.str().empty());
            return std::string(error.what());
        }
        return std::string("no exception");
    };
    using std::ostream;
    EXPECT_EQ(message([&](ostream& out) { encoder::write_string_header(out, too_long); }),
              "exceeded maximum data length");
    EXPECT_EQ(message([&](ostream& out) { encoder::write_binary_header(out, too_long); }),
              "exceeded maximum data length");
    EXPECT_EQ(message([&](ostream& out) { encoder::write_extension_header(out, 1, too_long); }),
              "exceeded maximum data length");
    EXPECT_EQ(message([&](ostream& out) { encoder::write_array_header(out, too_long); }),
              "exceeded maximum data length");
    EXPECT_EQ(message([&](ostream& out) { encoder::write_map_header(out, too_long); }),
              "too long value.");
}
