// The position clock on its own: the line below the samples and how its rate is chosen.
#include "beat/PositionClock.h"

#include <gtest/gtest.h>

#include <random>

using orvbeat::PositionClock;

// Position advancing at `speed` units a second, sent at 60 Hz, arriving 0..5 ms late; the
// clock must read the sender's position back to well under a millisecond, at the rate it
// should pick exactly: Pitch, 1, or (0 below) its own fit when the units are neither.
TEST(PositionClock, ReadsTheSenderThroughTheJitterAtTheRightRate)
{
    const double cases[][3] = {{1.03, 1.03, 1.03}, {1.0, 1.03, 1.0}, {1030.0, 0.0, 0.0}};
    for (const auto& c : cases)
    {
        const double speed = c[0], pitch = c[1], expectedRate = c[2];
        PositionClock clock;
        std::mt19937 rng(5);
        std::uniform_real_distribution<> delay(0.0, 0.005);
        for (int i = 0; i < 120; ++i)
            clock.add(1000.0 + i / 60.0 + delay(rng), 50.0 + speed * i / 60.0, 124.0, pitch);
        EXPECT_TRUE(expectedRate == 0.0 || clock.rate() == expectedRate) << clock.rate();
        EXPECT_NEAR(clock.rate(), speed, 1e-3 * speed);
        EXPECT_NEAR(clock.positionAt(1002.1), 50.0 + speed * 2.1, 5e-4 * speed);
    }
}

// A stopped deck is paused at its first repeated Position; a sender that repeats Position
// every other datagram while playing is learned as such and is not paused.
TEST(PositionClock, PauseIsToldFromAPositionRefreshedEveryOtherDatagram)
{
    PositionClock clock;
    for (int i = 0; i < 20; ++i)
    {
        clock.add(i / 60.0, 10.0 + (i / 2) / 30.0, 124.0, 1.0);
        EXPECT_EQ(clock.paused(), i == 1) << i; // only the first repeat, before it is learned
    }
    clock.add(21 / 60.0, 10.0 + 9 / 30.0, 124.0, 1.0);
    clock.add(22 / 60.0, 10.0 + 9 / 30.0, 124.0, 1.0);
    EXPECT_TRUE(clock.paused());
}

// A new track loaded at another pitch is a jump; a rate that followed Pitch follows the new
// Pitch at once, also for a sender too fast for the window to span a fit.
TEST(PositionClock, AJumpToAnotherPitchTakesTheNewPitchAsItsRate)
{
    PositionClock clock;
    for (int i = 0; i < 120; ++i)
        clock.add(1000.0 + i / 60.0, 62.0 + 1.02 * i / 60.0, 124.0, 1.02);
    ASSERT_EQ(clock.rate(), 1.02);
    for (int i = 0; i < 200; ++i)
        clock.add(1003.0 + i / 5000.0, 31.0 + i / 5000.0, 124.0, 1.0);
    EXPECT_EQ(clock.rate(), 1.0);
}
