// The grid on its own, against the plain computation of what the samples allow: for every
// tempo convention, intersect all brackets carried to one line; a convention whose intersection
// empties, or whose line falls wholly between two samples with the same Beat, is refuted; the
// union of the others is what the grid may claim. The grid looks at each quiet pair once, so
// it may claim less than all of them allow, never more, and never less than the brackets do.
#include "beat/BeatGrid.h"
#include "beat/Brackets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

using namespace orvbeat;

namespace
{

struct Truth
{
    double length; // track seconds
    double line0;  // where a line lies
    double pitch;
    bool includesPitch;
    int beatAt(double position) const
    {
        return static_cast<int>(std::floor((position - line0) / length)) % 4;
    }
};

// The places of the line nearest `near` that every bracket allows at `length`: [low, high],
// empty when low >= high.
void intersect(const std::vector<Bracket>& brackets, double length, double near, double& low,
               double& high)
{
    low = -1e300;
    high = 1e300;
    for (const Bracket& b : brackets)
    {
        const double lines = std::round((0.5 * (b.before + b.after).value - near) / length);
        low = std::max(low, b.before.value - lines * length);
        high = std::min(high, b.after.value - lines * length);
    }
}

} // namespace

TEST(BeatGrid, ClaimsNoMoreThanTheBracketsAllowAndRefutesTheWrongConvention)
{
    std::mt19937 rng(11);
    std::uniform_real_distribution<> unit(0.0, 1.0);
    for (int run = 0; run < 40; ++run)
    {
        Truth truth;
        truth.length = 60.0 / (90.0 + 70.0 * unit(rng));
        truth.line0 = 10.0 + truth.length * unit(rng);
        truth.pitch = run % 3 == 0 ? 1.0 + 0.01 * (unit(rng) - 0.5) : 0.92 + 0.16 * unit(rng);
        truth.includesPitch = run % 2 == 0;
        const double bpm = 60.0 / truth.length * (truth.includesPitch ? truth.pitch : 1.0);
        const double rate = 20.0 + 40.0 * unit(rng);

        BeatGrid grid;
        grid.setTempo(TempoReading{bpm, truth.pitch, Rate{truth.pitch}}, PitchConvention::Included);
        Brackets brackets;
        std::vector<Bracket> taken;
        std::vector<Bracket> quiet;
        double position = truth.line0 + truth.length * (0.5 + 3.0 * unit(rng));
        for (int i = 0; i < 1500; ++i)
        {
            position += truth.pitch * (1.0 / rate + 0.002 * unit(rng));
            if (unit(rng) < 0.1)
                continue; // lost
            Bracket opened[Brackets::mostNew];
            const int count = brackets.add(TrackSeconds(position), truth.beatAt(position), opened);
            for (int k = 0; k < count; ++k)
            {
                long long line = 0;
                if (!opened[k].changed())
                {
                    grid.exclude(opened[k].before, opened[k].after);
                    quiet.push_back(opened[k]);
                    continue;
                }
                ASSERT_TRUE(grid.addBracket(opened[k].before, opened[k].after, line));
                taken.push_back(opened[k]);
            }
            const GridEstimate e = grid.estimate(TrackSeconds(position));
            if (!e.placed)
                continue;
            // The truth is always among what the grid allows.
            const double trueLine =
                truth.line0 +
                std::round((e.line.value - truth.line0) / truth.length) * truth.length;
            ASSERT_LE(std::fabs(trueLine - e.line.value), 0.5 * e.width.value + 1e-9)
                << "run " << run << " at " << position;
            // And the grid is as narrow as the brackets allow, over the conventions not refuted,
            // for this line and the next.
            double widest = 0.0;      // what the brackets allow
            double widestQuiet = 0.0; // with the quiet pairs too
            for (double near : {trueLine, trueLine + truth.length})
            {
                double low = 1e300, high = -1e300, lowQuiet = 1e300, highQuiet = -1e300;
                for (double length : {60.0 * truth.pitch / bpm, 60.0 / bpm})
                {
                    double l = 0.0, h = 0.0;
                    intersect(taken, length, near, l, h);
                    if (!(l < h))
                        continue;
                    low = std::min(low, l);
                    high = std::max(high, h);
                    const bool excluded =
                        std::any_of(quiet.begin(), quiet.end(),
                                    [&](const Bracket& q)
                                    {
                                        const double lines = std::round(
                                            (0.5 * (q.before + q.after).value - l) / length);
                                        return l + lines * length >= q.before.value &&
                                               h + lines * length <= q.after.value;
                                    });
                    if (!excluded)
                    {
                        lowQuiet = std::min(lowQuiet, l);
                        highQuiet = std::max(highQuiet, h);
                    }
                }
                widest = std::max(widest, high - low);
                widestQuiet = std::max(widestQuiet, highQuiet - lowQuiet);
            }
            ASSERT_LE(e.width.value, widest + 1e-9) << "run " << run << " at " << position;
            ASSERT_GE(e.width.value, widestQuiet - 1e-9) << "run " << run << " at " << position;
        }
        const GridEstimate last = grid.estimate(TrackSeconds(position));
        if (std::fabs(truth.pitch - 1.0) > 0.005)
        {
            EXPECT_NEAR(last.length.value, truth.length, 1e-9) << "run " << run;
        }
        EXPECT_LT(last.width.value, 0.004) << "run " << run;
    }
}

// One bracket off the lines is held, not taken, and forgotten when the next one fits; two on
// other lines that agree with each other move the grid.
TEST(BeatGrid, HoldsANoisyBracketAndMovesOnlyWhenASecondConfirmsIt)
{
    const double length = 0.5;
    BeatGrid grid;
    grid.setTempo(TempoReading{120.0, 1.0, Rate{1.0}}, PitchConvention::Included);
    long long line = 0;
    for (int k = 0; k < 8; ++k)
        grid.addBracket(TrackSeconds(k * length - 0.010), TrackSeconds(k * length + 0.006), line);
    const GridEstimate before = grid.estimate(TrackSeconds(4.1));
    EXPECT_FALSE(grid.addBracket(TrackSeconds(4.2), TrackSeconds(4.21), line));
    EXPECT_TRUE(grid.suspecting());
    EXPECT_TRUE(grid.addBracket(TrackSeconds(4.49), TrackSeconds(4.505), line));
    EXPECT_FALSE(grid.suspecting());
    EXPECT_NEAR(grid.estimate(TrackSeconds(4.1)).line.value, before.line.value, 0.01);

    EXPECT_FALSE(grid.addBracket(TrackSeconds(5.2), TrackSeconds(5.21), line));
    EXPECT_TRUE(grid.addBracket(TrackSeconds(5.7), TrackSeconds(5.71), line));
    const GridEstimate moved = grid.estimate(TrackSeconds(5.8));
    EXPECT_NE(moved.generation, before.generation);
    EXPECT_NEAR(moved.line.value, 5.705, 0.006);
}

// Without a BPM to go by, the brackets alone measure the length and place the lines.
TEST(BeatGrid, MeasuresTheLengthWhenBpmGivesNone)
{
    const double length = 0.4839, line0 = 3.1;
    BeatGrid grid;
    grid.setTempo(TempoReading{0.0, 1.0, Rate{1.0}}, PitchConvention::Included);
    std::mt19937 rng(2);
    std::uniform_real_distribution<> unit(0.0, 1.0);
    long long line = 0;
    for (int k = 0; k < 60; ++k)
    {
        const double at = line0 + k * length;
        const double before = at - 0.016 * unit(rng);
        grid.addBracket(TrackSeconds(before), TrackSeconds(before + 0.016), line);
    }
    const GridEstimate e = grid.estimate(TrackSeconds(line0 + 60.2 * length));
    ASSERT_TRUE(e.placed);
    EXPECT_NEAR(e.length.value, length, 1e-4);
    EXPECT_NEAR(e.line.value, line0 + 60 * length, 0.5 * e.width.value + 1e-9);
    EXPECT_LT(e.width.value, 0.008);
}
