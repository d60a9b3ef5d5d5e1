// The Position step on its own: found exactly from an engine's buffers, 0 for a Position read at
// send time, undecided while every move is alike.
#include "beat/PositionStep.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace orvbeat;

namespace
{
// A sender at `rate` a second with a timer up to 2 ms late; its Position is the start of the
// buffer playing (`buffer` seconds long, 0: exact), in track seconds at `pitch`.
PositionStep watch(double buffer, double rate, double pitch, unsigned seed, int moves = 40)
{
    PositionStep step;
    std::mt19937 rng(seed);
    std::uniform_real_distribution<> late(0.0, 0.002);
    double previous = 0.0;
    for (int i = 0; i <= moves; ++i)
    {
        const double sent = i / rate + late(rng);
        const double time = buffer > 0.0 ? std::floor(sent / buffer) * buffer : sent;
        const double position = 37.0 + pitch * time;
        if (i > 0 && position > previous)
            step.add(TrackSeconds(position - previous), pitch);
        previous = position;
    }
    return step;
}
} // namespace

TEST(PositionStep, FindsAnEnginesBufferAndTellsAnExactPosition)
{
    for (double samples : {64.0, 256.0, 1024.0})
    {
        for (double sampleRate : {44100.0, 48000.0})
        {
            for (double pitch : {0.93, 1.0, 1.07})
            {
                const PositionStep step = watch(samples / sampleRate, 37.0, pitch, 3);
                ASSERT_TRUE(step.decided()) << samples << " at " << sampleRate;
                EXPECT_NEAR(step.step().value, pitch * samples / sampleRate, 1e-9);
            }
        }
    }
    const PositionStep exact = watch(0.0, 60.0, 1.02, 4);
    EXPECT_TRUE(exact.decided());
    EXPECT_EQ(exact.step().value, 0.0);
}

TEST(PositionStep, MovesAllAlikeDecideNothingAndAChangeOfSpeedLooksAgain)
{
    PositionStep step;
    for (int i = 0; i < 50; ++i)
        step.add(TrackSeconds(0.016), 1.0);
    EXPECT_FALSE(step.decided()) << "a perfect timer or a buffer as long as the send interval";

    step = watch(512 / 48000.0, 50.0, 1.0, 5);
    ASSERT_TRUE(step.decided());
    step.add(TrackSeconds(1.03 * 512 / 48000.0 * 2), 1.03); // the pitch moved: look afresh
    EXPECT_NEAR(step.step().value, 512 / 48000.0, 1e-9) << "the old step holds until decided";
}
