// The tracker as a whole in the states a VJ meets that the random sweep (BeatSweepTest) does
// not draw: a tempo change while locked, pause and resume, lost data, a connection cut, senders
// without Beat or Position, a BPM that is no tempo of the beats, and hostile input.
#include "SyntheticDeck.h"
#include "Watch.h"

#include <gtest/gtest.h>

#include <cstdio>

using orvbeat::BeatOutput;

namespace
{
// A deck at 127 BPM, 50 datagrams a second, its grid a third of a beat into the track: the
// brackets narrow quickly, so the clock locks within a few beats.
SyntheticDeck lively(unsigned seed = 7)
{
    SyntheticDeck deck(seed);
    deck.trackBpm = 127.0;
    deck.sendRate = 50.0;
    deck.gridOffset = 0.33 * 60.0 / 127.0;
    return deck;
}
} // namespace

TEST(BeatTracker, ATempoChangeWhileLockedKeepsTheLock)
{
    for (double change : {1.05, 1.0 / 1.05})
    {
        SyntheticDeck deck = lively();
        ASSERT_TRUE(playUntilLocked(deck, 24.0));
        play(deck, 2.0);
        deck.pitch *= change;
        const Watch after = follows(deck, 16.0, 0.003);
        std::printf("tempo x%.3f: p99 %.3f ms, max %.3f ms\n", change, 1e3 * after.percentile(0.99),
                    1e3 * after.worst());
        EXPECT_NEAR(deck.frame().bpm, 127.0 * deck.pitch, 1e-6);
    }
}

TEST(BeatTracker, PauseHoldsAndResumeCarriesOn)
{
    SyntheticDeck deck = lively();
    ASSERT_TRUE(playUntilLocked(deck, 24.0));
    deck.playing = false;
    play(deck, 0.2);
    const BeatOutput paused = deck.frame();
    EXPECT_EQ(play(deck, 6.0).pulses, 0);
    const BeatOutput still = deck.frame();
    EXPECT_EQ(still.playing + still.locked, 0.0);
    EXPECT_EQ(still.beatRamp, paused.beatRamp);
    EXPECT_EQ(still.beats, paused.beats);
    EXPECT_NEAR(still.bpm, 127.0, 1e-9);
    EXPECT_NEAR(still.position, deck.position, 1e-9);

    // The pause shows a datagram late (one repeat is a duplicate), so the clock waits for the
    // deck a moment after it resumes, then keeps time.
    deck.playing = true;
    play(deck, 1.0);
    keepsTime(deck, 8.0, 0.003);
    EXPECT_GE(deck.frame().beats, paused.beats + 8);
    EXPECT_TRUE(playUntilLocked(deck, 4.0)) << "the timeline firm again";
}

TEST(BeatTracker, LostDataFreeRunsThenHoldsAndNotConnectedHolds)
{
    SyntheticDeck deck = lively();
    ASSERT_TRUE(playUntilLocked(deck, 24.0));
    deck.sending = false;
    follows(deck, 1.5, 0.003);
    play(deck, 1.0);
    const BeatOutput held = deck.frame();
    EXPECT_EQ(held.playing + held.locked + play(deck, 4.0).pulses, 0.0);
    EXPECT_EQ(deck.frame().beatRamp, held.beatRamp);

    deck.sending = true;
    play(deck, 1.0);
    keepsTime(deck, 8.0, 0.003);

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

// BPM half or twice the beat rate: the boundaries refute the plain length and keep BPM's
// multiple, exact; no BPM at all: they measure it. A Beat that changes at random never drives
// the clock: it runs on BPM.
TEST(BeatTracker, BoundariesWinOverABpmThatIsNoTempoOfTheBeatsButRandomBeatDoesNot)
{
    for (double factor : {0.5, 2.0, 0.0})
    {
        SyntheticDeck deck = lively();
        deck.bpmFactor = factor;
        play(deck, 8.0);
        keepsTime(deck, 16.0, factor == 0.0 ? 0.008 : 0.003);
        EXPECT_NEAR(deck.frame().bpm, 127.0, factor == 0.0 ? 0.5 : 1e-6) << factor;
    }
    SyntheticDeck deck;
    deck.randomBeat = true;
    const Watch noise = play(deck, 32.0);
    EXPECT_NEAR(noise.pulses, 32, 1);
    EXPECT_EQ(noise.lockedAt, -1.0);
    EXPECT_NEAR(deck.frame().bpm, 124.0, 1e-6);
}

// The grid belongs to the track: a seek keeps it, a new track learns another.
TEST(BeatTracker, SeekKeepsTheGridAndNewTrackLearnsAnother)
{
    SyntheticDeck deck = lively();
    ASSERT_TRUE(playUntilLocked(deck, 24.0));
    deck.position -= 20.0;
    EXPECT_LE(play(deck, 1.0).pulses, 2);
    keepsTime(deck, 8.0, 0.003);

    deck.length = 200.0;
    deck.position = 0.0;
    deck.gridOffset = 0.05;
    deck.trackBpm = 121.0;
    EXPECT_LE(play(deck, 0.2).pulses, 1);
    EXPECT_LE(deck.frame().beats, 1.0);
    play(deck, 4.0);
    keepsTime(deck, 16.0, 0.003);
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
