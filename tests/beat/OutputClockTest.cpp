// The output clock on its own: the visible phase, steered towards the model's frame by frame.
#include "beat/OutputClock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using orvbeat::OutputClock;

namespace
{
constexpr double tempo = 120.0;
constexpr double frame = 1.0 / 60.0; // at 120 BPM, 1/30 of a beat

double phaseOf(const OutputClock& clock)
{
    return clock.beatIndex() + clock.beatRamp();
}
} // namespace

// A model phase that jitters by up to 0.05 beats from frame to frame: the visible phase stays
// with it, never steps back, and begins each beat once.
TEST(OutputClock, FollowingTracksTheModelAndNeverRunsBackwards)
{
    OutputClock clock;
    std::mt19937 rng(3);
    std::uniform_real_distribution<> jitter(-0.05, 0.05);
    EXPECT_FALSE(clock.jumpTo(5.0));
    int pulses = 0;
    for (int i = 1; i <= 585; ++i) // to beat 24.5
    {
        const double before = phaseOf(clock), model = 5.0 + i / 30.0;
        pulses += clock.follow(model + jitter(rng), frame, tempo);
        EXPECT_GE(phaseOf(clock), before) << i;
        EXPECT_NEAR(phaseOf(clock), model, 0.1) << i;
    }
    EXPECT_EQ(pulses, 19);
}

// One frame from 2.5, where the phase would reach `next` at the tempo: each size of error its
// own way. A skip forward keeps the whole beat as an offset, and pulses only once.
TEST(OutputClock, EachSizeOfErrorIsTakenItsOwnWay)
{
    const double next = 2.5 + 1.0 / 30, limit = 0.5 / 30; // the speed may change by half
    const double cases[][5] = {
        // dt, model, phase after, offset, pulse
        {frame, next + 0.015, next + 0.015, 0, 0}, // small: taken whole
        {frame, next - 0.015, next - 0.015, 0, 0},
        {0.002, 2.49, 2.5, 0, 0},                  // small and behind: the phase waits
        {frame, next - 0.1, next - limit, 0, 0},   // larger: worked off at half the speed
        {frame, next + 0.1, next + limit, 0, 0},   // or at one and a half
        {frame, next + 0.3, next + 0.3, 0, 0},     // a quarter beat behind: taken at once
        {frame, next - 0.3, next - 0.3 + 1, 1, 1}, // ahead: on to the next beat
    };
    for (const auto& c : cases)
    {
        OutputClock clock;
        clock.jumpTo(2.5);
        EXPECT_EQ(clock.follow(c[1], c[0], tempo), c[4] == 1) << c[1];
        EXPECT_NEAR(phaseOf(clock), c[2], 1e-12) << c[1];
        EXPECT_EQ(clock.beatOffset(), c[3]) << c[1];
        for (int i = 1; c[3] == 1 && i <= 20; ++i)
            EXPECT_FALSE(clock.follow(c[1] + i / 30.0, frame, tempo)) << i;
    }
}

// A jump takes the model's phase (with the offset) even backwards, and begins a beat when it
// lands in another; the ramp stays in [0, 1) a hair below a whole beat; no number moves nothing.
TEST(OutputClock, AJumpMayGoBackAndTheRampStaysWithinABeat)
{
    OutputClock clock;
    clock.jumpTo(2.5);
    clock.follow(2.5 + 1.0 / 30 - 0.3, frame, tempo); // a skip: one beat of offset
    EXPECT_FALSE(clock.jumpTo(2.7));
    EXPECT_DOUBLE_EQ(phaseOf(clock), 3.7);
    EXPECT_TRUE(clock.jumpTo(2.9)) << "into a beat's last quarter: the next beat begins at once";
    EXPECT_DOUBLE_EQ(phaseOf(clock), 4.0);
    EXPECT_TRUE(clock.jumpTo(1.2));
    EXPECT_DOUBLE_EQ(phaseOf(clock), 2.2);
    EXPECT_TRUE(clock.jumpTo(1.1)) << "a jump back within a beat begins it again, with a pulse";
    OutputClock edge;
    edge.jumpTo(-1e-17); // -1e-17 + 1 rounds to a ramp of 1
    EXPECT_EQ(edge.beatIndex(), 0.0);
    EXPECT_EQ(edge.beatRamp(), 0.0);
    EXPECT_FALSE(edge.follow(std::nan(""), frame, tempo));
    EXPECT_EQ(phaseOf(edge), 0.0);
}
