// Encode-then-decode over randomly generated trees: the decoded tree equals the original and
// encodes to the same bytes. Seeds are fixed, so a failure names the seed that reproduces it.

#include "Hex.h"
#include "msgpack/MsgPack.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <set>

using orvpack::MsgPack;

namespace
{

class TreeGenerator
{
public:
    explicit TreeGenerator(uint64_t seed) : random_(seed) {}

    MsgPack tree() { return any(0); }

    const std::set<MsgPack::Type>& kinds_made() const { return kinds_; }

private:
    MsgPack any(int depth)
    {
        // Containers get rarer further down, so trees stay small.
        const bool container = depth < 5 && below(4 + depth * 2) == 0;
        MsgPack value = container ? this->container(depth) : scalar();
        kinds_.insert(value.type());
        return value;
    }

    MsgPack container(int depth)
    {
        switch (below(4))
        {
        case 0:
        case 1:
        {
            MsgPack::array items(size());
            for (MsgPack& item : items)
            {
                item = any(depth + 1);
            }
            return MsgPack(std::move(items));
        }
        default:
        {
            MsgPack::object entries;
            for (size_t i = size(); i > 0; --i)
            {
                entries.emplace(any(depth + 1), any(depth + 1));
            }
            return MsgPack(std::move(entries));
        }
        }
    }

    MsgPack scalar()
    {
        switch (below(14))
        {
        case 0:
            return MsgPack();
        case 1:
            return MsgPack(below(2) == 1);
        case 2:
            return MsgPack(finite<float, uint32_t>());
        case 3:
            return MsgPack(finite<double, uint64_t>());
        case 4:
            return MsgPack(static_cast<int8_t>(spread()));
        case 5:
            return MsgPack(static_cast<int16_t>(spread()));
        case 6:
            return MsgPack(static_cast<int32_t>(spread()));
        case 7:
            return MsgPack(static_cast<int64_t>(spread()));
        case 8:
            return MsgPack(static_cast<uint8_t>(spread()));
        case 9:
            return MsgPack(static_cast<uint16_t>(spread()));
        case 10:
            return MsgPack(static_cast<uint32_t>(spread()));
        case 11:
            return MsgPack(static_cast<uint64_t>(spread()));
        case 12:
            return below(2) ? MsgPack(text()) : MsgPack(bytes());
        default:
            return MsgPack(MsgPack::extension(static_cast<int8_t>(below(256)), bytes()));
        }
    }

    uint64_t below(uint64_t bound) { return random_() % bound; }

    // Random bits shifted right by a random amount: small and large magnitudes alike, and
    // through the signed casts above, negative values of every width.
    uint64_t spread() { return random_() >> below(64); }

    // Any bit pattern but NaN, which equals nothing and so cannot be compared.
    template <typename Float, typename Bits> Float finite()
    {
        Float value;
        do
        {
            const Bits bits = static_cast<Bits>(random_());
            std::memcpy(&value, &bits, sizeof value);
        } while (std::isnan(value));
        return value;
    }

    // Mostly short, now and then past the 8- and 16-bit length forms.
    size_t length()
    {
        static constexpr size_t lengths[] = {0, 1, 2, 3, 4, 5, 8, 16, 17, 31, 32, 255, 256, 70000};
        const size_t pick = below(std::size(lengths) * 3);
        return pick < std::size(lengths) ? lengths[pick] : below(20);
    }

    size_t size()
    {
        const uint64_t pick = below(10);
        return pick == 0 ? 16 + below(8) : pick == 1 ? 0 : below(6);
    }

    std::string text()
    {
        std::string out(length(), '\0');
        for (char& c : out)
        {
            c = static_cast<char>(below(256));
        }
        return out;
    }

    MsgPack::binary bytes()
    {
        MsgPack::binary out(length());
        for (uint8_t& b : out)
        {
            b = static_cast<uint8_t>(below(256));
        }
        return out;
    }

    std::mt19937_64 random_;
    std::set<MsgPack::Type> kinds_;
};

} // namespace

TEST(RoundTrip, RandomTreesSurviveEncodeThenDecode)
{
    std::set<MsgPack::Type> kinds;
    for (uint64_t seed = 1; seed <= 300; ++seed)
    {
        SCOPED_TRACE("seed " + std::to_string(seed));
        TreeGenerator generator(seed);
        const MsgPack original = generator.tree();
        kinds.insert(generator.kinds_made().begin(), generator.kinds_made().end());

        const std::string bytes = original.dump();
        std::string err;
        const MsgPack decoded = MsgPack::parse(bytes.data(), bytes.size(), err);
        ASSERT_EQ(err, "");
        EXPECT_TRUE(decoded == original);
        EXPECT_FALSE(decoded < original || original < decoded);
        // Floats keep their width, strings and binaries their kind: the bytes show it.
        EXPECT_EQ(decoded.dump(), bytes);

        // Every proper prefix is refused as cut short.
        const size_t cut = bytes.size() - 1 - seed % bytes.size();
        EXPECT_EQ(MsgPack::parse(bytes.data(), cut, err).type(), MsgPack::NUL);
        EXPECT_EQ(err, "end of buffer.");
    }
    EXPECT_EQ(kinds.size(), 17u) << "the generator no longer makes every kind";
}
