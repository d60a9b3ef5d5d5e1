// The oracle of what the datagrams allow: a bound is known only once both of its datagrams
// have arrived, `locked` is allowed when the carried bounds place the line within 3 ms, a
// convention of the beat length that the boundaries contradict is refuted, and over the
// sweep's seeds the sender's own convention always survives with the true line in its place.
#include "support/sim/BeatOracle.h"
#include "support/sim/SweepTraffic.h"

#include <gtest/gtest.h>

#include <cmath>

namespace orvsim
{
namespace
{

DeckReport report(double position, int beat, double sendTime)
{
    DeckReport made;
    made.sendTime = sendTime;
    made.position = position;
    made.beat = beat;
    made.bpm = 120.0; // a beat of 0.5 s at pitch 1: both conventions agree
    made.pitch = 1.0;
    made.length = 300.0;
    return made;
}

TEST(BeatOracle, ABoundCountsOnceBothDatagramsHaveArrivedAndLockNeedsThreeMilliseconds)
{
    // Line 1 at 0.5 s lies in (0.49, 0.51]; line 2 at 1.0 s in (0.998, 1.0005], which carried
    // back one beat leaves (0.498, 0.5005]: 2.5 ms.
    const std::vector<DeckReport> sent = {
        report(0.49, 0, 0.49),     report(0.51, 1, 0.51), report(0.998, 1, 0.998),
        report(1.0005, 2, 1.0005), report(1.02, 2, 1.02),
    };
    // The datagram at 1.0005 is overtaken by the next one and arrives last.
    const std::vector<Arrival> arrivals = {
        {0.492, "", 0}, {0.512, "", 1}, {1.0, "", 2}, {1.022, "", 4}, {1.03, "", 3},
    };
    const OracleVerdict verdict = consultOracle(sent, arrivals, 4);
    ASSERT_EQ(verdict.tracks.size(), 1u);
    const TrackOracle& track = verdict.tracks[0];
    ASSERT_TRUE(track.lockAllowedAt);
    EXPECT_EQ(*track.lockAllowedAt, 1.03) << "(0.998, 1.02] alone is 22 ms wide";
    EXPECT_NEAR(track.finalWidth, 0.0025, 1e-9);
    EXPECT_NEAR(verdict.leastDelay, 0.002, 1e-12);
    EXPECT_EQ(*track.firstArrival, 0.492);
    EXPECT_EQ(*verdict.beatBaseShownAt, 0.492) << "Beat 0: the base shows";

    // Position in 10 ms steps: each bound reaches one step further up (Beat may come from a
    // finer position than the one sent), and lines 20 ms apart are never placed within 3 ms.
    std::vector<DeckReport> stepped = {
        report(0.49, 0, 0.49), report(0.51, 1, 0.51), report(0.99, 1, 0.99),
        report(1.00, 2, 1.00), report(1.02, 2, 1.02),
    };
    for (DeckReport& each : stepped)
        each.step = 0.01;
    EXPECT_FALSE(consultOracle(stepped, arrivals, 4).tracks[0].lockAllowedAt);
}

TEST(BeatOracle, TheConventionTheBoundariesContradictIsRefutedBeforeLockIsAllowed)
{
    PlannedTrack track;
    track.bpm = 125.0;
    track.gridOffset = 0.1;
    DeckTimeline deck(track, 10.0, 1.05);
    deck.play(0.0);
    SenderProfile sender; // BPM with the pitch, Position exact
    sender.rate = 47.0;
    std::vector<DeckReport> sent;
    std::vector<Arrival> arrivals;
    for (int i = 0; i < 47 * 10; ++i)
    {
        sent.push_back(reportDeck(deck, sender, i / 47.0));
        arrivals.push_back({i / 47.0 + 0.003, "", static_cast<uint64_t>(i)});
    }
    const TrackOracle oracle = consultOracle(sent, arrivals, 4).tracks[0];
    ASSERT_TRUE(oracle.withoutPitch.refutedAt) << "60 / BPM is 5% off the boundaries";
    EXPECT_FALSE(oracle.withPitch.refutedAt);
    ASSERT_TRUE(oracle.lockAllowedAt);
    EXPECT_GE(*oracle.lockAllowedAt, *oracle.withoutPitch.refutedAt);
}

TEST(BeatOracle, OverTheSweepTheSendersConventionSurvivesWithTheTrueLineInItsPlace)
{
    for (std::uint64_t seed = 1; seed <= 60; ++seed)
    {
        const SweepCase sweepCase = drawCase(seed);
        const SweepTraffic traffic = sweepTraffic(sweepCase);
        const OracleVerdict verdict = consultOracle(traffic);
        EXPECT_GE(verdict.leastDelay, sweepCase.network.minDelay - 1e-12) << seed;
        for (size_t j = 0; j < verdict.tracks.size(); ++j)
        {
            const TrackOracle& oracle = verdict.tracks[j];
            const LinePlace& place =
                sweepCase.sender.bpmIncludesPitch ? oracle.withPitch : oracle.withoutPitch;
            EXPECT_FALSE(place.refutedAt) << "seed " << seed << ", track " << j;
            if (!place.placed)
                continue;
            const PlannedTrack& planned = sweepCase.deck.track(static_cast<int>(j));
            const double line = planned.linePosition(
                std::llround(planned.gridBeats((place.from + place.to) / 2.0)));
            EXPECT_GT(line, place.from - 1e-9) << "seed " << seed << ", track " << j;
            EXPECT_LE(line, place.to + 1e-9) << "seed " << seed << ", track " << j;
        }
    }
}

} // namespace
} // namespace orvsim
