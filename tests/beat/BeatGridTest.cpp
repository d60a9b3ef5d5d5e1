// The beat grid on its own: where the lines lie, from nothing but the brackets that hold them.
#include "beat/BeatGrid.h"

#include <gtest/gtest.h>

#include <cmath>

using orvbeat::BeatGrid;

namespace
{
// 124 BPM on a timeline in seconds: a beat is 29.03 datagrams at 60 a second, so the brackets
// slide along the lines from beat to beat.
constexpr double length = 60.0 / 124.0;

// The later of the two consecutive datagrams, 60 a second, that hold `line`.
double bracketEnd(double line)
{
    return std::ceil(line * 60.0) / 60.0;
}

bool add(BeatGrid& grid, double line, bool exactLength = true)
{
    const double at = bracketEnd(line);
    return grid.addBoundary(at - 1.0 / 60, at, length, 2e-5 * length, exactLength);
}
} // namespace

// With an exact length, a grid from the track's start is known exactly while every bracket
// holds one of its lines; the first that does not ends it for good, and the grid learned beside
// it takes over with the same beats. A measured length never uses it.
TEST(BeatGrid, TheAnchoredGridHoldsWhileEveryBracketHasOneOfItsLines)
{
    BeatGrid grid;
    grid.startAt(3.3, length); // the deck started playing between two lines
    for (int k = 8; k < 16; ++k)
    {
        EXPECT_TRUE(add(grid, k * length)) << k;
        EXPECT_TRUE(grid.anchored());
        EXPECT_EQ(grid.uncertainty(), 0.0);
        EXPECT_NEAR(grid.phaseAt(30.0, length), 30.0 / length, 1e-9);
    }
    EXPECT_FALSE(add(grid, 16.2 * length));
    EXPECT_TRUE(add(grid, 17 * length));
    EXPECT_FALSE(grid.anchored());
    EXPECT_GT(grid.uncertainty(), 0.0);
    EXPECT_NEAR(grid.phaseAt(30.0, length), 30.0 / length, grid.uncertainty() / length);

    BeatGrid measured;
    EXPECT_TRUE(add(measured, 8 * length, false));
    EXPECT_NEAR(measured.uncertainty(), 1.0 / 60, 1e-12);
}

// Lines off the track's start: the brackets cut one line's place to under a millisecond and
// every bracket seen holds a line. Then one bracket off the grid is noise, and two in a row on
// another grid (the track's grid was edited) move it. The beat numbers stay all along.
TEST(BeatGrid, AnOffsetGridIsLearnedAndMovesOnlyWhenConfirmed)
{
    const double offset = 10.1234, moved = offset + 0.3 * length;
    BeatGrid grid;
    grid.startAt(offset - 0.2, length);
    const double line0 = std::round(grid.phaseAt(offset, length)); // the start's number for it
    for (int k = 0; k < 40; ++k)
        EXPECT_TRUE(add(grid, offset + k * length)) << k;
    EXPECT_LT(grid.uncertainty(), 0.001);
    for (int k = 0; k < 40; ++k)
    {
        const double at = bracketEnd(offset + k * length);
        EXPECT_EQ(std::floor(grid.phaseAt(at, length)),
                  std::ceil(grid.phaseAt(at - 1.0 / 60, length)));
    }
    const double within = 0.001 / length; // 1 ms, in beats
    EXPECT_FALSE(add(grid, moved + 40 * length));
    EXPECT_NEAR(grid.phaseAt(offset + 41 * length, length), line0 + 41, within);
    EXPECT_TRUE(add(grid, offset + 41 * length));
    EXPECT_FALSE(add(grid, moved + 42 * length));
    EXPECT_NEAR(grid.phaseAt(offset + 43 * length, length), line0 + 43, within);
    EXPECT_FALSE(add(grid, moved + 43 * length)); // confirmed: the grid changed
    EXPECT_TRUE(add(grid, moved + 44 * length));
    EXPECT_NEAR(grid.phaseAt(moved + 44 * length, length), line0 + 44, 0.5 / 60 / length);
}
