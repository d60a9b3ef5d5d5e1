// The sample order on its own: late datagrams told from seeks back by what follows them.
#include "beat/SampleOrder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <vector>

using orvbeat::DeckSample;
using orvbeat::SampleOrder;
using V = orvbeat::SampleVerdict;

namespace
{
DeckSample sample(double arrivalMs, double position)
{
    DeckSample s;
    s.arrivalNs = static_cast<std::int64_t>(arrivalMs * 1e6);
    s.position = position;
    return s;
}
} // namespace

// A sample overtaken by newer ones is held (one behind it is held in its place), then dropped
// as the sender's line goes on, however late it came; samples that keep coming behind the
// newest for 50 ms are a seek back that began with the first of them; a step back of more
// than a second is a seek at once.
TEST(SampleOrder, LateSamplesAreToldFromSeeksByWhatFollows)
{
    SampleOrder order;
    const struct
    {
        double ms, position;
        V verdict;
    } steps[] = {
        {0, 10.0, V::Next},    {17, 10.0, V::Next},   {33, 10.05, V::Next}, // paused, then on
        {34, 10.017, V::Held}, {35, 10.033, V::Held}, {36, 10.01, V::Held}, // overtaken
        {50, 10.067, V::Next}, {300, 10.06, V::Held}, {301, 10.1, V::Next}, // 250 ms late
        {320, 9.6, V::Held},   {340, 9.62, V::Held},  {360, 9.64, V::Held}, // a seek back
        {380, 9.66, V::Seek},
    };
    for (const auto& s : steps)
        EXPECT_EQ(order.take(sample(s.ms, s.position)), s.verdict) << s.ms;
    ASSERT_EQ(order.seekRunSize(), 3);
    EXPECT_EQ(order.seekRun(0).arrivalNs, 320'000'000);
    EXPECT_EQ(order.seekRun(2).arrivalNs, 360'000'000);
    EXPECT_EQ(order.take(sample(400, 9.68)), V::Next);
    EXPECT_EQ(order.take(sample(420, 8.5)), V::Seek);
    EXPECT_EQ(order.seekRunSize(), 0);
    EXPECT_EQ(order.take(sample(440, 8.52)), V::Next);
}

// Stalls of 150 ms release their 9 datagrams within a millisecond, in any order: never a seek.
TEST(SampleOrder, AShuffledBurstNeverMakesASeek)
{
    for (unsigned seed = 1; seed <= 20; ++seed)
    {
        std::mt19937 rng(seed);
        SampleOrder order;
        std::vector<int> burst(9);
        for (int first = 0; first < 100; first += 10) // one datagram in time, then a stall
        {
            const double ms = first * 1000.0 / 60;
            EXPECT_EQ(order.take(sample(ms, first / 60.0)), V::Next);
            std::iota(burst.begin(), burst.end(), first + 1);
            std::shuffle(burst.begin(), burst.end(), rng);
            for (int i = 0; i < 9; ++i)
                EXPECT_NE(order.take(sample(ms + 150.0 + 0.1 * i, burst[i] / 60.0)), V::Seek);
        }
    }
}

// A datagram sent before a large seek, either way, and let out after it is late: the deck does
// not go back to where it was.
TEST(SampleOrder, DatagramsSentBeforeALargeSeekAreLate)
{
    for (const double seekTo : {30.0, 2.0})
    {
        SampleOrder order;
        EXPECT_EQ(order.take(sample(0, 10.0)), V::Next);
        EXPECT_EQ(order.take(sample(17, 10.017)), V::Next);
        EXPECT_EQ(order.take(sample(33, seekTo)), seekTo > 10.0 ? V::Next : V::Seek);
        EXPECT_EQ(order.take(sample(40, 10.033)), V::Late) << seekTo;
        EXPECT_EQ(order.take(sample(50, seekTo + 0.017)), V::Next) << seekTo;
        // A second on, a sample where the deck was is a seek of its own.
        EXPECT_EQ(order.take(sample(1100, 11.0)), seekTo > 10.0 ? V::Seek : V::Next) << seekTo;
    }
}
