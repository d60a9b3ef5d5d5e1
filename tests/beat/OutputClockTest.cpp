// The output clock on its own: the visible phase never falls, and each of the model's beats
// begins once, with one pulse, on the frame the model begins it.
#include "beat/OutputClock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using orvbeat::OutputClock;

namespace
{
double phaseOf(const OutputClock& clock)
{
    return clock.beatIndex() + clock.beatRamp();
}
} // namespace

// A model that wobbles by up to 3% of a beat each frame and sometimes moves its lines anew: the
// visible phase never falls, and pulses exactly when the model's beat number first rises.
TEST(OutputClock, PulsesOncePerModelBeatAndNeverFalls)
{
    OutputClock clock;
    std::mt19937 rng(3);
    std::uniform_real_distribution<> wobble(-0.03, 0.03);
    unsigned generation = 1;
    double shift = 0.0; // how the model's numbers differ from the visible ones
    double highestBeat = 4.0;
    clock.follow(4.0, generation);
    for (int frame = 1; frame < 3000; ++frame)
    {
        const double truth = 4.0 + frame / 30.0;
        if (frame % 700 == 0)
        {
            ++generation; // the grid numbers its lines anew, and moves them a little
            shift = std::round(10.0 * wobble(rng)) * 7.0 + 0.1 * wobble(rng);
        }
        const double before = phaseOf(clock);
        const double model = truth + shift + wobble(rng);
        const bool pulse = clock.follow(model, generation);
        ASSERT_GE(phaseOf(clock), before) << frame;
        const double visibleModel = clock.visibleLine(model);
        const bool newBeat = std::floor(visibleModel) > highestBeat;
        highestBeat = std::max(highestBeat, std::floor(visibleModel));
        ASSERT_EQ(pulse, newBeat) << frame;
        ASSERT_NEAR(phaseOf(clock), truth, 0.15) << frame;
    }
}

// A jump takes the model's phase as it is, backwards too, and pulses only at a beat's start;
// new numbers are taken up within half a beat of the visible phase.
TEST(OutputClock, AJumpTakesThePhaseAndNewNumbersStayNear)
{
    OutputClock clock;
    EXPECT_TRUE(clock.jumpTo(3.05, 1)) << "starting on a line";
    EXPECT_FALSE(clock.jumpTo(1.5, 1)) << "back to mid-beat";
    EXPECT_DOUBLE_EQ(phaseOf(clock), 1.5);
    EXPECT_TRUE(clock.jumpTo(7.1, 1));

    clock.follow(7.3, 1);
    EXPECT_FALSE(clock.follow(100.0, 2)) << "new numbers, 0.3 beat behind: waits";
    EXPECT_DOUBLE_EQ(phaseOf(clock), 7.3);
    EXPECT_TRUE(clock.follow(101.0, 2)) << "the model's beat begins";
    EXPECT_DOUBLE_EQ(phaseOf(clock), 8.0);
    clock.follow(101.7, 2);
    EXPECT_TRUE(clock.follow(51.15, 3)) << "new numbers, 0.45 ahead across a line";
    EXPECT_DOUBLE_EQ(phaseOf(clock), 9.15);
}

// A cue whole beats back seen only after the old line's next boundary: the jump lands in a beat
// whose start that boundary's pulse already showed, so it does not pulse twice. Landing at the
// start of a beat no pulse showed still pulses.
TEST(OutputClock, AJumpDoesNotPulseABeatStartAlreadyShown)
{
    OutputClock clock;
    clock.follow(6.9, 1);
    EXPECT_TRUE(clock.follow(7.02, 1));
    clock.follow(7.12, 1);
    EXPECT_FALSE(clock.jumpTo(5.14, 1)) << "two beats back, 0.14 in: the pulse at 7.0 was its";
    EXPECT_DOUBLE_EQ(phaseOf(clock), 5.14);
    clock.follow(5.6, 1);
    EXPECT_TRUE(clock.jumpTo(9.1, 1)) << "0.1 into a beat whose start was not shown";
    EXPECT_FALSE(clock.jumpTo(9.15, 1)) << "taken afresh a little further on: shown already";
}
