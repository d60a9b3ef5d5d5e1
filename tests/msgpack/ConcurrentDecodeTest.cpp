// Decoding from several threads at once. ctest runs every test in a process of its own, so
// here the threads' first decodes race the one-time construction of the parse tables and the
// shared values; a thread sanitizer build checks that race as well as the results below.

#include "Hex.h"
#include "msgpack/MsgPack.h"

#include <gtest/gtest.h>

#include <atomic>
#include <sstream>
#include <thread>

using orvpack::MsgPack;

namespace
{

// A Deck payload: shared wire keys, small integers, floats, and a key that is not shared.
const char* const deck_payload = "85 a4 44 65 63 6b 02 a3 42 50 4d cb 40 5f 00 00 00 00 00 00 a4 "
                                 "42 65 61 74 03 a5 45 51 4c 6f 77 ca 3f 40 00 00 a3 58 79 7a c3";

// Decodes every input form many times and counts the results that are not as expected.
int decode_repeatedly(const std::string& deck, const std::string& broken, int rounds)
{
    int wrong = 0;
    for (int round = 0; round < rounds; ++round)
    {
        std::string err;
        MsgPack value;
        switch (round % 3)
        {
        case 0:
            value = MsgPack::parse(deck.data(), deck.size(), err);
            break;
        case 1:
            value = MsgPack::parse(deck, err);
            break;
        default:
        {
            std::istringstream in(deck);
            value = MsgPack::parse(in, err);
        }
        }
        wrong += !err.empty() || value["Deck"].int_value() != 2 ||
                 value["BPM"].float64_value() != 124.0 || value["Beat"].int_value() != 3 ||
                 value["EQLow"].float32_value() != 0.75f || !value["Xyz"].bool_value() ||
                 value.object_items().size() != 5;

        std::string broken_err;
        wrong += MsgPack::parse(broken, broken_err).type() != MsgPack::NUL ||
                 broken_err != "end of buffer.";
    }
    return wrong;
}

} // namespace

TEST(ConcurrentDecode, ThreadsDecodingAtOnceAllGetTheSameResults)
{
    // Built without decoding, so that the first decode happens on the threads.
    const std::string deck = hex(deck_payload);
    const std::string broken = deck.substr(0, deck.size() - 1);
    constexpr int thread_count = 8;
    constexpr int rounds = 300;

    std::atomic<int> waiting{thread_count};
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < thread_count; ++t)
    {
        threads.emplace_back(
            [&]
            {
                // Start together, to make the first decodes overlap.
                --waiting;
                while (waiting.load() > 0)
                {
                    std::this_thread::yield();
                }
                wrong += decode_repeatedly(deck, broken, rounds);
            });
    }
    for (std::thread& thread : threads)
    {
        thread.join();
    }
    EXPECT_EQ(wrong.load(), 0);
}

TEST(ConcurrentDecode, ValuesOutliveTheirMapAcrossThreads)
{
    // A decoded map's numbers and strings share its storage: handles on them, copied to other
    // threads and dropped there in any order after the map itself, must keep them whole.
    const std::string payload = hex("83 a3 42 50 4d cb 40 5f 00 00 00 00 00 00 a5 54 69 74 6c 65"
                                    " a4 53 6f 6e 67 a4 42 65 61 74 d1 01 00");
    for (int round = 0; round < 200; ++round)
    {
        std::vector<MsgPack> values;
        {
            std::string err;
            const MsgPack map = MsgPack::parse(payload, err);
            values = {map["BPM"], map["Title"], map["Beat"]};
        }
        std::atomic<int> wrong{0};
        std::vector<std::thread> threads;
        for (int t = 0; t < 3; ++t)
        {
            threads.emplace_back(
                [&wrong, copy = values]
                {
                    wrong += copy[0].float64_value() != 124.0 || copy[1].string_value() != "Song" ||
                             copy[2].int_value() != 256;
                });
        }
        values.clear();
        for (std::thread& thread : threads)
        {
            thread.join();
        }
        EXPECT_EQ(wrong.load(), 0);
    }
}
