// The position clock on its own: the line below the samples and how its rate is chosen.
#include "beat/PositionClock.h"

#include <gtest/gtest.h>

#include <random>

using orvbeat::PositionClock;

// Position advancing at `speed` units a second, sent at 60 Hz, arriving 0..5 ms late; the
// clock must read the sender's position back to well under a millisecond, at the rate it
// should pick: Pitch, 1, or its own fit when the units are neither.
TEST(PositionClock, ReadsTheSenderThroughTheJitterAtTheRightRate)
{
    struct Case
    {
        double speed, pitch, expectedRate;
    };
    for (const Case c : {Case{1.03, 1.03, 1.03}, Case{1.0, 1.03, 1.0}, Case{1030.0, 0.0, 0.0}})
    {
        PositionClock clock;
        std::mt19937 rng(5);
        std::uniform_real_distribution<> delay(0.0, 0.005);
        for (int i = 0; i < 120; ++i)
            clock.add(1000.0 + i / 60.0 + delay(rng), 50.0 + c.speed * i / 60.0, 124.0, c.pitch);
        if (c.expectedRate > 0.0)
        {
            EXPECT_EQ(clock.rate(), c.expectedRate);
        }
        EXPECT_NEAR(clock.rate(), c.speed, 1e-3 * c.speed);
        EXPECT_NEAR(clock.positionAt(1002.1), 50.0 + c.speed * 2.1, 5e-4 * c.speed);
    }
}
