// What decoding allocates, seen through a replaced global operator new: a huge declared size
// on short input allocates nothing, nil, bool and small integers share prebuilt values, nested
// counts reserve little, and a Deck payload costs two allocations (its map, and one slab for
// its nodes and floats). Its own executable, since replacing operator new affects the whole
// program.

#include "Hex.h"
#include "msgpack/KnownStrings.h"
#include "msgpack/MsgPack.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <new>
#include <sstream>

using orvpack::MsgPack;

namespace
{

// Counting is on only inside an AllocationCount's lifetime. Any request above the limit is
// refused, so a regression fails here instead of committing gigabytes.
std::atomic<bool> counting{false};
std::atomic<size_t> allocations{0};
std::atomic<size_t> largest{0};
std::atomic<size_t> allocated_bytes{0};
constexpr size_t kRefusedAbove = size_t{1} << 20;

struct AllocationCount
{
    AllocationCount()
    {
        allocations = 0;
        largest = 0;
        allocated_bytes = 0;
        counting = true;
    }
    ~AllocationCount() { counting = false; }
};

void* counted_malloc(size_t size) noexcept
{
    if (counting)
    {
        ++allocations;
        allocated_bytes += size;
        if (size > largest)
        {
            largest = size;
        }
        if (size > kRefusedAbove)
        {
            return nullptr;
        }
    }
    return std::malloc(size == 0 ? 1 : size);
}

// The strings a protocol hands the decoder to share: here the keys of a DJ deck message.
const orvpack::KnownStrings& known_keys()
{
    static const orvpack::KnownStrings& keys = orvpack::KnownStrings::create(
        {"Pitch", "Position", "Position2", "NormalizedPosition", "BPM", "Length", "EQLow", "EQMid",
         "EQHigh", "Deck", "Beat"});
    return keys;
}

// A first decode of every form builds the shared tables and values, once per process.
void build_shared_values()
{
    known_keys();
    const std::string bytes = hex("92 01 a4 44 65 63 6b"); // a small integer and a wire key
    std::string err;
    MsgPack::parse(bytes, err);
    std::istringstream in(bytes);
    MsgPack::parse(in, err);
}

// Allocations of one decode by the pointer form; the outcome must be `expected_err`.
size_t allocations_of(const std::string& bytes, const std::string& expected_err = "")
{
    build_shared_values();
    std::string err;
    size_t count;
    {
        AllocationCount scope;
        const MsgPack value = MsgPack::parse(bytes.data(), bytes.size(), err, known_keys());
        count = allocations;
    }
    EXPECT_EQ(err, expected_err) << to_hex(bytes.substr(0, 16));
    return count;
}

} // namespace

// The forms that the standard containers and algorithms call. Every block goes back to the
// allocator that made it, as the sanitizers check.
void* operator new(size_t size)
{
    if (void* memory = counted_malloc(size))
    {
        return memory;
    }
    throw std::bad_alloc();
}
void* operator new(size_t size, const std::nothrow_t&) noexcept
{
    return counted_malloc(size);
}
void operator delete(void* memory) noexcept
{
    std::free(memory);
}
void operator delete(void* memory, size_t) noexcept
{
    std::free(memory);
}

TEST(Allocation, HugeDeclaredSizesOnShortInputAllocateNothing)
{
    for (const char* bytes : {"dd ff ff ff ff", "c6 ff ff ff ff 01 02 03", "df ff ff ff ff 01",
                              "db ff ff ff ff 61 62", "c9 ff ff ff ff 05 01"})
    {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(allocations_of(hex(bytes), "end of buffer."), 0u) << bytes;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << bytes;
    }
}

TEST(Allocation, StreamsReadHugeDeclaredSizesInBoundedSteps)
{
    build_shared_values();
    for (const char* bytes : {"dd ff ff ff ff", "c6 ff ff ff ff 01 02 03"})
    {
        std::istringstream in(hex(bytes));
        std::string err;
        {
            AllocationCount scope;
            EXPECT_NO_THROW(MsgPack::parse(in, err));
        }
        EXPECT_EQ(err, "end of buffer.");
        EXPECT_LE(largest.load(), size_t{65 * 1024}) << bytes;
    }
}

TEST(Allocation, NilBoolSmallIntegersAndKnownStringsAllocateNothing)
{
    for (const char* bytes :
         {"c0", "c2", "c3", "00", "7f", "e0", "ff", "cc 05", "d0 ff", "a4 44 65 63 6b",
          "b2 4e 6f 72 6d 61 6c 69 7a 65 64 50 6f 73 69 74 "
          "69 6f 6e"})
    {
        EXPECT_EQ(allocations_of(hex(bytes)), 0u) << bytes;
    }
    // A failure gives the shared null value, and the error text fits the string's own buffer.
    EXPECT_EQ(allocations_of(hex("c1"), "format error."), 0u);
}

TEST(Allocation, DeckPayloadCostsTwoAllocations)
{
    // 11 keys as the sender writes them: the map, 11 keys and 11 values are 23 values.
    const std::string deck = hex("8b"
                                 "a5 50 69 74 63 68 cb 3f f0 00 00 00 00 00 00"
                                 "a8 50 6f 73 69 74 69 6f 6e cb 40 4e c0 00 00 00 00 00"
                                 "a9 50 6f 73 69 74 69 6f 6e 32 cb 40 4f 00 00 00 00 00 00"
                                 "b2 4e 6f 72 6d 61 6c 69 7a 65 64 50 6f 73 69 74 69 6f 6e"
                                 "   cb 3f d0 00 00 00 00 00 00"
                                 "a3 42 50 4d cb 40 5f 00 00 00 00 00 00"
                                 "a6 4c 65 6e 67 74 68 cb 40 6e 00 00 00 00 00 00"
                                 "a5 45 51 4c 6f 77 cb 3f e8 00 00 00 00 00 00"
                                 "a5 45 51 4d 69 64 cb 3f e0 00 00 00 00 00 00"
                                 "a6 45 51 48 69 67 68 cb 3f e0 00 00 00 00 00 00"
                                 "a4 44 65 63 6b 02"
                                 "a4 42 65 61 74 03");
    // The 11 keys and the two small integers are shared; the map is one block, and its nodes
    // and the 9 floats share one more.
    const size_t count = allocations_of(deck);
    EXPECT_LE(count, 2u);
    std::string err;
    EXPECT_EQ(MsgPack::parse(deck, err)["NormalizedPosition"].float64_value(), 0.25);
}

TEST(Allocation, NestedContainersDeclaringHugeCountsReserveLittle)
{
    // 200 nested containers, each declaring 65,535 items, then 3,000 bytes of small integers:
    // a reservation per level sized by the rest of the input would total megabytes.
    for (const char* level : {"dc ff ff", "de ff ff"})
    {
        std::string bytes;
        for (int i = 0; i < 200; ++i)
        {
            bytes += hex(level);
        }
        bytes += std::string(3000, '\x01');
        allocations_of(bytes, "end of buffer.");
        EXPECT_LT(allocated_bytes.load(), size_t{512 * 1024}) << level;
    }
}
