// The observed tempo on its own: the beat length that the boundaries' spacings show.
#include "beat/ObservedTempo.h"

#include <gtest/gtest.h>

using orvbeat::ObservedTempo;

namespace
{
constexpr double beat = 60.0 / 124.0;

// Adds `count` boundaries `spacing` apart after `location`; returns the last one.
double addRun(ObservedTempo& tempo, double location, int count, double spacing)
{
    for (int i = 0; i < count; ++i)
        tempo.add(location += spacing);
    return location;
}
} // namespace

// Four agreeing spacings give a length, within the range asked for; more refine it by least
// squares over up to 16, so a boundary half a bracket (8 ms) off moves it far less than it
// moves the end points' spacing (0.5 ms).
TEST(ObservedTempo, EvenlySpacedBoundariesGiveTheirSpacing)
{
    ObservedTempo tempo;
    int used = -1;
    double location = addRun(tempo, 30.0, 4, beat);
    EXPECT_EQ(tempo.beatLength(0.2, 2.0, used), 0.0);
    location = addRun(tempo, location, 1, beat);
    EXPECT_NEAR(tempo.beatLength(0.2, 2.0, used), beat, 1e-12);
    EXPECT_EQ(used, 4);
    EXPECT_EQ(tempo.beatLength(beat + 0.001, 2.0, used), 0.0);
    EXPECT_EQ(used, 0);
    EXPECT_EQ(tempo.beatLength(0.2, beat - 0.001, used), 0.0);
    location = addRun(tempo, location, 35, beat);
    tempo.add(location + beat + 0.008);
    EXPECT_NEAR(tempo.beatLength(0.2, 2.0, used), beat, 0.0002);
    EXPECT_EQ(used, ObservedTempo::maxSpacings);
}

// Any of the latest four spacings more than 10% off their mean gives nothing, however many
// agreed before; then only the run of agreeing spacings since counts. A boundary behind the
// previous one starts afresh.
TEST(ObservedTempo, SpacingsThatDisagreeGiveNoLength)
{
    ObservedTempo tempo;
    int used = -1;
    double location = 30.0;
    for (int k = 0; k < 8; ++k)
        tempo.add(location += k % 2 ? 0.4 : 0.6); // a Beat that changes now and then
    EXPECT_EQ(tempo.beatLength(0.2, 2.0, used), 0.0);
    location = addRun(tempo, location, 10, beat);
    EXPECT_NEAR(tempo.beatLength(0.2, 2.0, used), beat, 1e-9);
    EXPECT_EQ(used, 10);
    location = addRun(tempo, location, 1, 1.2 * beat);
    EXPECT_EQ(tempo.beatLength(0.2, 2.0, used), 0.0);
    location = addRun(tempo, location, 1, 0.8 * beat);
    addRun(tempo, location, 2, beat);
    EXPECT_EQ(tempo.beatLength(0.2, 2.0, used), 0.0); // the latest four still disagree
    addRun(tempo, 20.0 - beat, 5, beat);
    EXPECT_NEAR(tempo.beatLength(0.2, 2.0, used), beat, 1e-12);
    EXPECT_EQ(used, 4);
}
