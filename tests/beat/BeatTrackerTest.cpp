// The tracker against a synthetic deck: precision, lock and the states a VJ meets.
#include "SyntheticDeck.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using orvbeat::BeatOutput;

namespace
{

// Frames over `seconds`, checking on every frame what must always hold.
struct Watch
{
    std::vector<double> errors; // |boundary error| of each locked frame
    double lockedAt = -1.0;     // deck time of the first locked frame
    int pulses = 0;
    int unlocked = 0;
    int backwards = 0; // frames whose ramp went down without a new beat
};

Watch play(SyntheticDeck& deck, double seconds, bool measure = true)
{
    Watch watch;
    BeatOutput previous = deck.frame();
    const double end = deck.now + seconds;
    while (deck.now < end)
    {
        const BeatOutput out = deck.frame();
        if (out.locked > 0.0 && watch.lockedAt < 0.0)
            watch.lockedAt = deck.now;
        if (measure && out.locked > 0.0)
            watch.errors.push_back(std::fabs(deck.boundaryError(out)));
        watch.pulses += out.beatPulse > 0.0;
        watch.unlocked += out.locked == 0.0;
        watch.backwards += out.beatPulse == 0.0 && out.beatRamp < previous.beatRamp;
        previous = out;
    }
    std::sort(watch.errors.begin(), watch.errors.end());
    return watch;
}

double percentile(const Watch& watch, double p)
{
    return watch.errors.empty() ? 1e9 : watch.errors[static_cast<size_t>(p * (watch.errors.size() - 1))];
}

} // namespace

TEST(BeatTracker, SimulatorDeckLocksWithinTwoBeatsAndHoldsTwoMilliseconds)
{
    for (unsigned seed = 1; seed <= 5; ++seed)
    {
        SyntheticDeck deck(seed);
        deck.pitch = 0.97 + 0.015 * seed;
        deck.trackBpm = 118.0 + 2.5 * seed;
        const Watch start = play(deck, 4.0 * deck.beatSeconds(), false);
        EXPECT_GT(start.lockedAt, 0.0);
        EXPECT_LT(start.lockedAt, 2.1 * deck.beatSeconds()) << seed;
        const Watch steady = play(deck, 64.0 * deck.beatSeconds());
        std::printf("seed %u: p99 %.3f ms, max %.3f ms, lock after %.2f beats\n", seed,
                    1e3 * percentile(steady, 0.99), 1e3 * steady.errors.back(),
                    start.lockedAt / deck.beatSeconds());
        EXPECT_LT(percentile(steady, 0.99), 0.002) << seed;
        EXPECT_LT(steady.errors.back(), 0.003) << seed;
        EXPECT_EQ(steady.unlocked, 0) << seed;
        EXPECT_EQ(start.backwards + steady.backwards, 0);
    }
}
