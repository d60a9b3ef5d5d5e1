// The planned deck and what a sender reports of it: the position follows the pitch exactly
// (also while it glides), the true boundaries lie on the grid's lines and only while playing,
// an engine's Position stays behind its exact position by less than one buffer's play, and the
// random numbers are the same on every platform.
#include "support/sim/DeckTimeline.h"
#include "support/sim/DeckReport.h"
#include "support/sim/Random.h"

#include <gtest/gtest.h>

#include <cmath>

namespace orvsim
{
namespace
{

PlannedTrack track(double bpm, double offset)
{
    PlannedTrack planned;
    planned.bpm = bpm;
    planned.gridOffset = offset;
    planned.length = 240.0;
    return planned;
}

TEST(DeckTimeline, PositionIsTheIntegralOfThePitchAndBoundariesLieOnTheLines)
{
    DeckTimeline deck(track(128.0, 0.21), 10.0, 1.02);
    deck.play(1.0);
    deck.glide(5.0, 0.01); // 1.02 -> 1.06 over 4 s
    deck.setPitch(9.0, 1.06);
    deck.pause(12.0);
    deck.play(13.5);
    deck.seek(16.0, 40.0);

    EXPECT_EQ(deck.at(0.5).position, 10.0) << "paused at the cue";
    EXPECT_FALSE(deck.at(0.5).playing);
    // The position a small-step integration of the pitch gives.
    double position = 10.0;
    const double dt = 1e-4;
    for (double t = 1.0; t < 12.0 - dt / 2; t += dt)
        position += dt * deck.at(t + dt / 2).pitch;
    EXPECT_NEAR(deck.at(12.0).position, position, 1e-6);
    EXPECT_NEAR(deck.at(9.0).pitch, 1.06, 1e-12);
    EXPECT_EQ(deck.at(13.0).position, deck.at(12.0).position) << "paused";
    EXPECT_EQ(deck.at(16.0).position, 40.0) << "the cue takes effect at its time";

    const std::vector<TrueBoundary> boundaries = deck.boundaries(0.0, 20.0);
    ASSERT_GT(boundaries.size(), 30u);
    const PlannedTrack& played = deck.track(0);
    for (size_t i = 0; i < boundaries.size(); ++i)
    {
        const TrueBoundary& boundary = boundaries[i];
        EXPECT_NEAR(deck.at(boundary.time).position, played.linePosition(boundary.line), 1e-9);
        EXPECT_TRUE(deck.at(boundary.time).playing);
        EXPECT_FALSE(boundary.time > 12.0 && boundary.time < 13.5) << "none while paused";
        EXPECT_NEAR(boundary.beatSeconds, played.beatSeconds() / deck.at(boundary.time).pitch,
                    1e-12);
        if (i > 0 && boundary.time < 16.0)
        {
            EXPECT_EQ(boundary.line, boundaries[i - 1].line + 1);
        }
        if (boundary.time > 16.0)
        {
            EXPECT_GT(boundary.line, played.gridBeats(40.0)) << "the cue skipped the lines";
        }
    }
}

TEST(DeckTimeline, ALoadedTrackBringsItsOwnGrid)
{
    DeckTimeline deck(track(120.0, 0.0), 0.0, 1.0);
    deck.play(0.0);
    deck.load(3.0, track(100.0, 0.3), 0.3);
    deck.play(4.0);
    EXPECT_EQ(deck.at(3.5).track, 1);
    EXPECT_EQ(deck.at(3.5).position, 0.3);
    const std::vector<TrueBoundary> boundaries = deck.boundaries(3.0, 6.0);
    ASSERT_FALSE(boundaries.empty());
    EXPECT_EQ(boundaries.front().track, 1);
    EXPECT_EQ(boundaries.front().line, 1) << "the cue sits on line 0: the first one crossed is 1";
    EXPECT_NEAR(boundaries.front().time, 4.6, 1e-9);
}

TEST(DeckReport, AnEnginesPositionLagsByLessThanABufferAndBeatFollowsItsConvention)
{
    DeckTimeline deck(track(126.0, 0.17), 20.0, 0.97);
    deck.play(0.0);
    SenderProfile sender;
    sender.bufferSamples = 1024;
    sender.sampleRate = 44100.0;
    sender.bufferPhase = 0.004;
    sender.firstBeat = 0;
    sender.bpmIncludesPitch = false;
    SenderProfile engineBeat = sender;
    engineBeat.beatFromEngine = true;
    const PlannedTrack& played = deck.track(0);
    int beatsDiffer = 0;
    for (double t = 0.5; t < 10.0; t += 0.0037)
    {
        const DeckReport report = reportDeck(deck, sender, t);
        const double exact = deck.at(t).position;
        ASSERT_LE(report.position, exact + 1e-12);
        ASSERT_LT(exact - report.position, report.step + 1e-12);
        EXPECT_NEAR(report.step, 1024.0 / 44100.0 * 0.97, 1e-12);
        EXPECT_EQ(report.bpm, 126.0) << "BPM without the pitch";
        EXPECT_EQ(report.beat, static_cast<int>(std::floor(played.gridBeats(report.position))) % 4);
        const DeckReport fine = reportDeck(deck, engineBeat, t);
        EXPECT_EQ(fine.position, report.position);
        EXPECT_EQ(fine.beat, static_cast<int>(std::floor(played.gridBeats(exact))) % 4);
        beatsDiffer += fine.beat != report.beat;
    }
    EXPECT_GT(beatsDiffer, 0) << "the engine's Beat changes before the Position sent shows it";
}

TEST(Random, TheSameSeedDrawsTheSameNumbersOnEveryPlatform)
{
    Random random(1);
    EXPECT_EQ(random.next(), 0xb3f2af6d0fc710c5ULL);
    EXPECT_EQ(random.next(), 0x853b559647364ceaULL);
    EXPECT_EQ(random.next(), 0x92f89756082a4514ULL);
    Random other(42);
    EXPECT_EQ(other.uniform(90.0, 160.0), 95.87040797419175);
    EXPECT_EQ(other.below(1000), 102u);
    EXPECT_EQ(other.between(-3, 3), 2);
}

} // namespace
} // namespace orvsim
