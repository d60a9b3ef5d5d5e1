// The position step on its own: a coarse Position told from an exact one by its moves alone.
#include "beat/PositionStep.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

using orvbeat::PositionStep;

namespace
{
// `count` moves of a Position sent 60 a second, cut to steps of `step` seconds (0: exact, the
// sender's time at each tick), with `loss` of the datagrams lost.
std::vector<double> moves(int count, double step, double loss)
{
    std::mt19937 rng(11);
    std::bernoulli_distribution lost(loss);
    std::vector<double> out;
    double last = 0.0;
    for (int i = 1; static_cast<int>(out.size()) < count; ++i)
    {
        const double position = step > 0.0 ? std::floor(i / 60.0 / step) * step : i / 60.0;
        if (lost(rng))
            continue;
        out.push_back(position - last);
        last = position;
    }
    return out;
}
} // namespace

// Steps of 10 ms are found once 16 moves are seen (a paused deck's moves of 0 do not count);
// an exact Position that moves by two or three send intervals where a tenth of the datagrams
// were lost is not coarse.
TEST(PositionStep, TenMillisecondStepsAreFoundAndExactPositionWithLossIsNot)
{
    PositionStep coarse;
    const std::vector<double> coarseMoves = moves(40, 0.01, 0.0);
    for (int i = 0; i < 40; ++i)
    {
        coarse.add(coarseMoves[i]);
        coarse.add(0.0);
        EXPECT_NEAR(coarse.step(), i + 1 < PositionStep::movesToTell ? 0.0 : 0.010, 1e-9) << i;
    }
    PositionStep exact;
    for (double move : moves(600, 0.0, 0.1))
    {
        exact.add(move);
        EXPECT_EQ(exact.step(), 0.0);
    }
}

// Only the latest 32 moves count: however long Position was exact before, 32 coarse moves find
// the step, and 32 exact ones forget it.
TEST(PositionStep, OnlyTheLatestMovesCount)
{
    PositionStep step;
    for (double move : moves(200, 0.0, 0.0))
        step.add(move);
    for (double move : moves(PositionStep::moves, 0.01, 0.0))
        step.add(move);
    EXPECT_NEAR(step.step(), 0.010, 1e-9);
    for (double move : moves(PositionStep::moves, 0.0, 0.0))
        step.add(move);
    EXPECT_EQ(step.step(), 0.0);
}
