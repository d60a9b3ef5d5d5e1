// The tracker against a synthetic deck: precision, lock and the states a VJ meets.
#include "SyntheticDeck.h"
#include "Watch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using orvbeat::BeatOutput;

TEST(BeatTracker, SimulatorDeckLocksWithinTwoBeatsAndHoldsTwoMilliseconds)
{
    for (unsigned seed = 1; seed <= 5; ++seed)
    {
        SyntheticDeck deck(seed);
        deck.pitch = 0.97 + 0.015 * seed;
        deck.trackBpm = 118.0 + 2.5 * seed;
        const Watch start = play(deck, 4.0);
        EXPECT_GT(start.lockedAt, 0.0);
        EXPECT_LT(start.lockedAt / deck.beatSeconds(), 2.1) << seed;
        EXPECT_EQ(start.backwards, 0);
        const Watch steady = follows(deck, 64.0, 0.003);
        std::printf("seed %u: p99 %.3f ms, max %.3f ms, locked after %.2f beats\n", seed,
                    1e3 * steady.percentile(0.99), 1e3 * steady.worst(),
                    start.lockedAt / deck.beatSeconds());
        EXPECT_LT(steady.percentile(0.99), 0.002);
        EXPECT_EQ(steady.wrongBar, 0);
        EXPECT_NEAR(steady.pulses, 64, 1);
    }
}

TEST(BeatTracker, FivePercentTempoChangeIsFollowedWithinFourBeats)
{
    for (double change : {1.05, 1.0 / 1.05})
    {
        SyntheticDeck deck(7);
        play(deck, 16.0);
        deck.pitch *= change;
        const Watch settling = play(deck, 4.0);
        EXPECT_EQ(settling.unlocked + settling.backwards, 0);
        const Watch after = follows(deck, 32.0, 0.002);
        std::printf("tempo x%.3f: from 4 beats on p99 %.3f ms, max %.3f ms\n", change,
                    1e3 * after.percentile(0.99), 1e3 * after.worst());
    }
}

TEST(BeatTracker, OffsetGridIsLearnedFromTheBrackets)
{
    for (unsigned seed = 1; seed <= 3; ++seed)
    {
        // At 124 BPM a beat is nearly a whole number of datagrams (29.03 at 60 a second), so
        // the brackets cut the line's place down slowly: locked waits for it.
        SyntheticDeck deck(seed);
        deck.gridOffset = 0.1234 * seed;
        const Watch learning = play(deck, 32.0);
        EXPECT_GT(learning.lockedAt, 0.0);
        EXPECT_EQ(learning.backwards, 0);
        follows(deck, 48.0, 0.003);
    }
}

TEST(BeatTracker, PauseHoldsAndResumeCarriesOn)
{
    SyntheticDeck deck;
    play(deck, 8.0);
    deck.playing = false;
    play(deck, 0.2);
    const BeatOutput paused = deck.frame();
    EXPECT_EQ(play(deck, 6.0).pulses, 0);
    const BeatOutput still = deck.frame();
    EXPECT_EQ(still.playing, 0.0);
    EXPECT_EQ(still.beatRamp, paused.beatRamp);
    EXPECT_EQ(still.beats, paused.beats);
    EXPECT_NEAR(still.bpm, 124.0, 1e-9);
    EXPECT_NEAR(still.position, deck.position, 1e-9);

    deck.playing = true;
    play(deck, 2.0);
    follows(deck, 8.0, 0.003);
    EXPECT_GE(deck.frame().beats, paused.beats + 9);
}

TEST(BeatTracker, LostDataFreeRunsThenHoldsAndNotConnectedHolds)
{
    SyntheticDeck deck;
    play(deck, 8.0);
    deck.sending = false;
    follows(deck, 1.5, 0.003);
    play(deck, 1.0);
    const BeatOutput held = deck.frame();
    EXPECT_EQ(held.playing + held.locked + play(deck, 4.0).pulses, 0.0);
    EXPECT_EQ(deck.frame().beatRamp, held.beatRamp);

    deck.sending = true;
    play(deck, 2.0);
    follows(deck, 8.0, 0.003);

    deck.connected = false;
    const BeatOutput cut = deck.frame();
    EXPECT_EQ(cut.playing + cut.locked + play(deck, 2.0).pulses, 0.0);
    EXPECT_EQ(deck.frame().beatRamp, cut.beatRamp);
}

TEST(BeatTracker, SendersWithoutBeatOrPositionStillGiveAClock)
{
    // Beat always -1: BPM alone, from where the deck started, never locked.
    SyntheticDeck noBeat;
    noBeat.sendBeat = false;
    const Watch watch = play(noBeat, 8.5);
    EXPECT_EQ(watch.lockedAt, -1.0);
    EXPECT_EQ(watch.pulses, 8);
    const BeatOutput out = noBeat.frame();
    EXPECT_NEAR(out.bpm, 124.0, 1e-9);
    EXPECT_EQ(out.beat, 1.0); // the first beat of the third bar
    EXPECT_NEAR(out.beatRamp, std::fmod((noBeat.position - 10.3) / noBeat.beatSeconds(), 1.0),
                0.05);

    // Position always 0: the boundaries on host time, as good as the arrivals: a clock, never
    // locked.
    SyntheticDeck noPosition;
    noPosition.sendPosition = false;
    play(noPosition, 8.0);
    const Watch hostTime = play(noPosition, 16.0);
    EXPECT_NEAR(hostTime.pulses, 16, 1);
    EXPECT_EQ(hostTime.lockedAt, -1.0);
    EXPECT_EQ(hostTime.backwards, 0);
    EXPECT_NEAR(noPosition.frame().bpm, 124.0, 1e-6);
}

TEST(BeatTracker, SeekKeepsTheGridAndNewTrackLearnsAnother)
{
    SyntheticDeck deck;
    deck.trackBpm = 121.0;
    deck.gridOffset = 0.2;
    play(deck, 32.0);
    deck.position -= 20.0;
    EXPECT_LE(play(deck, 1.0).pulses, 2);
    follows(deck, 8.0, 0.006);

    deck.length = 200.0;
    deck.position = 0.0;
    deck.gridOffset = 0.05;
    deck.trackBpm = 127.0;
    EXPECT_LE(play(deck, 0.2).pulses, 1);
    EXPECT_LE(deck.frame().beats, 1.0);
    play(deck, 4.0);
    follows(deck, 16.0, 0.010);
}

TEST(BeatTracker, ObservedBoundariesWinOverAWrongBpmButRandomBeatDoesNot)
{
    for (double factor : {0.5, 2.0, 0.0})
    {
        SyntheticDeck deck;
        deck.bpmFactor = factor;
        play(deck, 8.0);
        if (factor != 0.0)
        {
            follows(deck, 16.0, 0.003);
        }
        else
        {
            // Without BPM the beat length is measured, so each line's place narrows more
            // slowly and locked comes and goes; the beats are right all the same.
            const Watch measured = play(deck, 16.0);
            EXPECT_EQ(measured.backwards, 0);
            EXPECT_NEAR(measured.pulses, 16, 1);
            EXPECT_LT(measured.errors.empty() ? 0.0 : measured.worst(), 0.008);
        }
        EXPECT_NEAR(deck.frame().bpm, 124.0, factor == 0.0 ? 0.5 : 1e-6) << factor;
    }
    SyntheticDeck deck;
    deck.randomBeat = true;
    EXPECT_NEAR(play(deck, 32.0).pulses, 32, 1);
    EXPECT_NEAR(deck.frame().bpm, 124.0, 1e-6);
}

TEST(BeatTracker, BpmWithoutThePitchLocksSoonAndHoldsAcrossASeek)
{
    SyntheticDeck deck;
    deck.pitch = 1.06;
    deck.bpmFactor = 1.0 / 1.06; // the sender's BPM leaves the pitch out; the setting says not
    const Watch start = play(deck, 6.0);
    EXPECT_GE(start.lockedAt, 0.0);
    follows(deck, 8.0, 0.003);
    // The length the boundaries showed belongs to the track, not to the stretch before a cue.
    deck.position -= 8.37;
    play(deck, 3.0);
    EXPECT_EQ(follows(deck, 8.0, 0.003).wrongBar, 0);
}

TEST(BeatTracker, HostileInputNeverBreaksTheChannels)
{
    const double garbage[] = {NAN, INFINITY, -INFINITY, -120.0, 0.0, 1e300, -1e300, 1e-300};
    SyntheticDeck deck;
    std::mt19937 rng(3);
    // A plausible value, or now and then garbage.
    auto odd = [&](double plausible) { return rng() % 6 ? plausible : garbage[rng() % 8]; };
    double now = 100.0;
    for (int frame = 0; frame < 20000; ++frame)
    {
        deck.connected = rng() % 8 != 0;
        for (int n = rng() % 4; n > 0; --n)
        {
            orvbeat::DeckSample sample;
            const double arrival = odd(now);
            sample.arrivalNs = std::isfinite(arrival) && std::fabs(arrival) < 1e9
                                   ? static_cast<std::int64_t>(arrival * 1e9)
                                   : static_cast<std::int64_t>(rng());
            sample.position = odd(frame / 60.0 - (rng() % 4) * 0.017);
            sample.bpm = odd(124.0);
            sample.pitch = odd(1.0);
            sample.length = rng() % 100 ? 300.0 : odd(0.0);
            sample.beat = rng() % 2 ? static_cast<int>(rng()) : (frame / 30) % 4;
            deck.samples.push(sample);
        }
        const int step = rng() % 10;
        now += step == 0 ? -1.0 : step == 1 ? 0.0 : step == 2 ? 1e4 : 1.0 / 60.0;
        deck.settings.beatsPerBar = static_cast<int>(rng() % 20) - 4;
        deck.settings.bpmIncludesPitch = rng() % 2;
        const BeatOutput out =
            deck.tracker.update(deck.samples, deck.connected, step == 3 ? NAN : now, deck.settings);
        for (double channel : {out.beatRamp, out.barRamp, out.beatPulse, out.beat, out.beats,
                               out.bpm, out.playing, out.position, out.locked})
            ASSERT_TRUE(std::isfinite(channel)) << frame;
        ASSERT_TRUE(out.beatRamp >= 0.0 && out.beatRamp < 1.0) << frame;
        ASSERT_TRUE(out.barRamp >= 0.0 && out.barRamp < 1.0) << frame;
    }
}
