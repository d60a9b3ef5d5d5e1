// The sender's timeline on its own: the line below the samples, its rate, and when it is firm.
#include "beat/Timeline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <utility>
#include <vector>

using namespace orvbeat;

namespace
{
SampleKind add(Timeline& line, double arrival, double position, double pitch = 1.0)
{
    return line.add(HostSeconds(arrival), TrackSeconds(position), 124.0, pitch);
}
} // namespace

// Position advancing at `speed` a second, sent at 60 Hz, arriving 0..5 ms late: the timeline
// reads the sender's position back to well under a millisecond, at the rate it should pick
// exactly: Pitch, 1, or (0 below) its own fit when the units are neither.
TEST(Timeline, ReadsTheSenderThroughTheJitterAtTheRightRate)
{
    const double cases[][3] = {{1.03, 1.03, 1.03}, {1.0, 1.03, 1.0}, {1030.0, 0.0, 0.0}};
    for (const auto& c : cases)
    {
        const double speed = c[0], pitch = c[1], expectedRate = c[2];
        Timeline line;
        std::mt19937 rng(5);
        std::uniform_real_distribution<> delay(0.0, 0.005);
        for (int i = 0; i < 120; ++i)
            add(line, 1000.0 + i / 60.0 + delay(rng), 50.0 + speed * i / 60.0, pitch);
        EXPECT_TRUE(expectedRate == 0.0 || line.rate().trackPerHost == expectedRate);
        EXPECT_NEAR(line.rate().trackPerHost, speed, 1e-3 * speed);
        EXPECT_NEAR(line.positionAt(HostSeconds(1002.1)).value, 50.0 + speed * 2.1, 5e-4 * speed);
    }
}

// Firm once the least delayed samples crowd near the floor: soon on a quiet path, later on a
// jittery one; lost at a jump, kept across a tempo change (the line pivots on its timing).
TEST(Timeline, IsFirmOnlyOnceItsLeastDelayedSamplesCrowdTheFloor)
{
    // In arrival order, the ones that came after a newer one left out (SampleOrder's part).
    auto samplesToFirm = [](double jitter)
    {
        Timeline line;
        std::mt19937 rng(9);
        std::uniform_real_distribution<> delay(0.0, jitter);
        std::vector<std::pair<double, double>> arrivals;
        for (int i = 0; i < 256; ++i)
            arrivals.emplace_back(i / 60.0 + delay(rng), 10.0 + i / 60.0);
        std::sort(arrivals.begin(), arrivals.end());
        double newest = 0.0;
        for (std::size_t i = 0; i < arrivals.size(); ++i)
        {
            if (arrivals[i].second < newest)
                continue;
            newest = arrivals[i].second;
            add(line, arrivals[i].first, arrivals[i].second);
            if (line.firm())
                return static_cast<int>(i) + 1;
        }
        return -1;
    };
    const int quiet = samplesToFirm(0.002);
    const int jittery = samplesToFirm(0.030);
    EXPECT_GE(quiet, 24);
    EXPECT_LT(quiet, 40);
    EXPECT_GT(jittery, quiet);
    EXPECT_LT(jittery, 200);

    Timeline line;
    for (int i = 0; i < 60; ++i)
        add(line, i / 60.0, 10.0 + i / 60.0);
    ASSERT_TRUE(line.firm());
    EXPECT_EQ(add(line, 61 / 60.0, 10.0 + 61 / 60.0, 1.04), SampleKind::TempoChange);
    EXPECT_TRUE(line.firm());
    EXPECT_EQ(add(line, 62 / 60.0, 40.0, 1.04), SampleKind::Jump);
    EXPECT_FALSE(line.firm());
}

// A late sample of the line belongs to it; a sample of the timeline before a seek does not.
TEST(Timeline, TellsALateSampleFromAnotherTimeline)
{
    Timeline line;
    for (int i = 0; i < 60; ++i)
        add(line, 100.0 + i / 60.0, 10.0 + i / 60.0);
    EXPECT_TRUE(line.onLine(HostSeconds(101.0 + 0.2), TrackSeconds(10.9))); // 0.3 s late
    EXPECT_FALSE(line.onLine(HostSeconds(101.0), TrackSeconds(30.0)));      // ahead of it
    EXPECT_FALSE(line.onLine(HostSeconds(101.0), TrackSeconds(5.0)));       // seconds behind
    EXPECT_FALSE(line.onLine(HostSeconds(101.0), TrackSeconds(0.0 / 0.0))); // no number

    // A window begun by a stale sample (0.4 s ahead of the line that follows) lets it go once
    // the samples after it all agree on their own line.
    Timeline stale;
    add(stale, 200.0, 20.4);
    for (int i = 1; i < 40; ++i)
        add(stale, 200.0 + i / 60.0, 20.0 + i / 60.0);
    EXPECT_NEAR(stale.positionAt(HostSeconds(201.0)).value, 21.0, 1e-3);
}

// A stopped deck is paused at its second repeated Position (one repeat is a duplicate); a
// Position reported in steps longer than the send interval repeats while it plays.
TEST(Timeline, PauseIsToldFromDuplicatesAndFromAPositionRefreshedLessOften)
{
    Timeline line;
    for (int i = 0; i < 4; ++i)
        add(line, 1.0 + i / 60.0, 10.0 + i / 60.0);
    add(line, 1.0 + 4 / 60.0, 10.0 + 4 / 60.0); // a duplicate
    EXPECT_FALSE(line.paused());
    add(line, 1.0 + 5 / 60.0, 10.0 + 4 / 60.0);
    add(line, 1.0 + 6 / 60.0, 10.0 + 4 / 60.0);
    EXPECT_TRUE(line.paused()) << "the deck stopped";

    Timeline stepped;
    stepped.setStep(TrackSeconds(0.05)); // three datagrams a step
    for (int i = 0; i < 30; ++i)
    {
        add(stepped, i / 60.0, 10.0 + (i / 3) / 20.0);
        EXPECT_FALSE(stepped.paused()) << i;
    }
    for (int i = 30; i < 36; ++i)
        add(stepped, i / 60.0, 10.5);
    EXPECT_TRUE(stepped.paused());
}
