// The bar counter on its own: the place in the bar of each of the clock's beats.
#include "beat/BarCounter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using orvbeat::BarCounter;
using orvbeat::TrackSeconds;

namespace
{
// Lines half a second apart, line k at k / 2 s on the track; the clock's visible beat k + 7.
constexpr double kLength = 0.5;
TrackSeconds lineOf(int beat)
{
    return TrackSeconds(beat * kLength);
}
double barOf(const BarCounter& bar, double beat, int beatsPerBar, bool placed = true)
{
    return bar.barPosition(beat + 7.0, lineOf(static_cast<int>(std::floor(beat))),
                           TrackSeconds(placed ? kLength : 0.0), beatsPerBar);
}
} // namespace

// Senders counting 1..N and 0..N-1, first seen anywhere in the bar: once their numbers have stepped
// up twice, the beat that reads 1 (or 0) is bar position 1, for the clock's beats before and after
// alike, and a later count from the start does not override them.
TEST(BarCounter, ASenderThatCountsUpNamesTheBarPositions)
{
    for (int beatsPerBar : {4, 3})
        for (int low : {1, 0})
        {
            BarCounter bar;
            const auto place = [&](int beat)
            { return ((beat + 2) % beatsPerBar + beatsPerBar) % beatsPerBar; };
            bar.countFrom(7.0, beatsPerBar); // the deck started on the clock's beat 7
            EXPECT_EQ(barOf(bar, 0.0, beatsPerBar), 1.0);
            for (int beat = 1; beat < 1 + 2 * beatsPerBar; ++beat)
                bar.addBoundary(low + place(beat - 1), low + place(beat),
                                lineOf(beat) + TrackSeconds(0.01), TrackSeconds(kLength),
                                beatsPerBar);
            bar.countFrom(20.0, beatsPerBar);
            for (int beat = -5; beat < 30; ++beat)
                EXPECT_EQ(barOf(bar, beat + 0.75, beatsPerBar), place(beat) + 1)
                    << beatsPerBar << " from " << low << ", beat " << beat;
        }
}

// A Beat that toggles, counts down, counts on past the bar or counts a cycle of five: the bar
// counts from where the deck started (the clock's beat -3), whose beat is 1, before and after.
TEST(BarCounter, ASenderWhoseBeatDoesNotCountUpCountsFromTheStart)
{
    const std::vector<std::vector<int>> senders = {{0, 1, 0, 1, 0, 1, 0, 1},
                                                   {4, 3, 2, 1, 4, 3, 2, 1},
                                                   {17, 18, 19, 20, 21, 22, 23, 24},
                                                   {3, 4, 0, 1, 2, 3, 4, 0, 1, 2}};
    for (const auto& values : senders)
    {
        BarCounter bar;
        bar.countFrom(-3.0 + 7.0, 4);
        for (std::size_t i = 1; i < values.size(); ++i)
            bar.addBoundary(values[i - 1], values[i], lineOf(-3 + static_cast<int>(i)),
                            TrackSeconds(kLength), 4);
        for (int beat = -6; beat < 12; ++beat)
            EXPECT_EQ(barOf(bar, beat, 4), (beat + 7) % 4 + 1) << values[0] << ", " << beat;
    }
}
