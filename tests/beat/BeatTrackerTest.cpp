// The tracker against a synthetic deck: precision, lock and the states a VJ meets.
#include "SyntheticDeck.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using orvbeat::BeatOutput;

namespace
{

// Frames over `seconds`, checking on every frame what must always hold.
struct Watch
{
    std::vector<double> errors; // |boundary error| of each locked frame
    double lockedAt = -1.0;     // deck time of the first locked frame
    int pulses = 0;
    int unlocked = 0;
    int backwards = 0; // frames whose ramp went down without a new beat
    int wrongBar = 0;  // locked frames mid-beat whose bar position is not the sender's Beat
};

Watch play(SyntheticDeck& deck, double seconds, bool measure = true)
{
    Watch watch;
    BeatOutput previous = deck.frame();
    const double end = deck.now + seconds;
    while (deck.now < end)
    {
        const BeatOutput out = deck.frame();
        if (out.locked > 0.0 && watch.lockedAt < 0.0)
            watch.lockedAt = deck.now;
        if (measure && out.locked > 0.0)
            watch.errors.push_back(std::fabs(deck.boundaryError(out)));
        watch.pulses += out.beatPulse > 0.0;
        watch.unlocked += out.locked == 0.0;
        watch.wrongBar += out.locked > 0.0 && out.beatRamp > 0.2 && out.beatRamp < 0.8 &&
                          out.beat != deck.senderBeat() + 1;
        watch.backwards += out.beatPulse == 0.0 && out.beatRamp < previous.beatRamp;
        previous = out;
    }
    std::sort(watch.errors.begin(), watch.errors.end());
    return watch;
}

double percentile(const Watch& watch, double p)
{
    return watch.errors.empty() ? 1e9 : watch.errors[static_cast<size_t>(p * (watch.errors.size() - 1))];
}

} // namespace

TEST(BeatTracker, SimulatorDeckLocksWithinTwoBeatsAndHoldsTwoMilliseconds)
{
    for (unsigned seed = 1; seed <= 5; ++seed)
    {
        SyntheticDeck deck(seed);
        deck.pitch = 0.97 + 0.015 * seed;
        deck.trackBpm = 118.0 + 2.5 * seed;
        const Watch start = play(deck, 4.0 * deck.beatSeconds(), false);
        EXPECT_GT(start.lockedAt, 0.0);
        EXPECT_LT(start.lockedAt, 2.1 * deck.beatSeconds()) << seed;
        const Watch steady = play(deck, 64.0 * deck.beatSeconds());
        std::printf("seed %u: p99 %.3f ms, max %.3f ms, lock after %.2f beats\n", seed,
                    1e3 * percentile(steady, 0.99), 1e3 * steady.errors.back(),
                    start.lockedAt / deck.beatSeconds());
        EXPECT_LT(percentile(steady, 0.99), 0.002) << seed;
        EXPECT_LT(steady.errors.back(), 0.003) << seed;
        EXPECT_EQ(steady.unlocked, 0) << seed;
        EXPECT_EQ(start.backwards + steady.backwards, 0);
        EXPECT_EQ(steady.wrongBar, 0);
        EXPECT_NEAR(steady.pulses, 64, 1);
    }
}

TEST(BeatTracker, FivePercentTempoChangeIsFollowedWithinFourBeats)
{
    for (double change : {1.05, 1.0 / 1.05})
    {
        SyntheticDeck deck(7);
        play(deck, 16.0 * deck.beatSeconds());
        deck.pitch *= change;
        const Watch settling = play(deck, 4.0 * deck.beatSeconds(), false);
        const Watch after = play(deck, 32.0 * deck.beatSeconds());
        std::printf("tempo x%.3f: 4 beats on p99 %.3f ms, max %.3f ms\n", change,
                    1e3 * percentile(after, 0.99), 1e3 * after.errors.back());
        EXPECT_LT(after.errors.back(), 0.002);
        EXPECT_EQ(settling.backwards + after.backwards + settling.unlocked + after.unlocked, 0);
    }
}

TEST(BeatTracker, OffsetGridIsLearnedFromTheBrackets)
{
    for (unsigned seed = 1; seed <= 3; ++seed)
    {
        SyntheticDeck deck(seed);
        deck.gridOffset = 0.1234 * seed;
        const Watch start = play(deck, 4.0 * deck.beatSeconds(), false);
        EXPECT_GT(start.lockedAt, 0.0);
        const Watch early = play(deck, 16.0 * deck.beatSeconds());
        const Watch later = play(deck, 48.0 * deck.beatSeconds());
        std::printf("offset grid %u: max %.3f ms, then %.3f ms\n", seed, 1e3 * early.errors.back(),
                    1e3 * later.errors.back());
        EXPECT_LT(early.errors.back(), 0.010);
        EXPECT_LT(later.errors.back(), 0.005);
        EXPECT_EQ(early.backwards + later.backwards + early.unlocked + later.unlocked, 0);
    }
}

TEST(BeatTracker, PauseHoldsAndResumeCarriesOn)
{
    SyntheticDeck deck;
    play(deck, 8.0 * deck.beatSeconds());
    deck.playing = false;
    play(deck, 0.1);
    const BeatOutput paused = deck.frame();
    const Watch pause = play(deck, 3.0);
    const BeatOutput still = deck.frame();
    EXPECT_EQ(still.playing, 0.0);
    EXPECT_EQ(pause.pulses, 0);
    EXPECT_EQ(still.beatRamp, paused.beatRamp);
    EXPECT_EQ(still.beats, paused.beats);
    EXPECT_NEAR(still.bpm, 124.0, 1e-9);
    EXPECT_NEAR(still.position, deck.position, 1e-9);

    deck.playing = true;
    play(deck, 2.0 * deck.beatSeconds(), false);
    const Watch resumed = play(deck, 8.0 * deck.beatSeconds());
    EXPECT_LT(resumed.errors.back(), 0.003);
    EXPECT_EQ(resumed.unlocked + resumed.backwards, 0);
    EXPECT_GE(deck.frame().beats, paused.beats + 9);
}

TEST(BeatTracker, LostDataFreeRunsThenHoldsAndNotConnectedHolds)
{
    SyntheticDeck deck;
    play(deck, 8.0 * deck.beatSeconds());
    deck.sending = false;
    const Watch freeRun = play(deck, 1.5 * deck.beatSeconds());
    EXPECT_EQ(freeRun.unlocked + freeRun.backwards, 0);
    EXPECT_LT(freeRun.errors.back(), 0.003);
    play(deck, deck.beatSeconds());
    const BeatOutput held = deck.frame();
    const Watch hold = play(deck, 2.0);
    EXPECT_EQ(held.playing + held.locked + hold.pulses, 0.0);
    EXPECT_EQ(deck.frame().beatRamp, held.beatRamp);

    deck.sending = true;
    play(deck, 2.0 * deck.beatSeconds(), false);
    const Watch back = play(deck, 8.0 * deck.beatSeconds());
    EXPECT_EQ(back.unlocked + back.backwards, 0);
    EXPECT_LT(back.errors.back(), 0.003);

    deck.in.connected = false;
    const BeatOutput cut = deck.frame();
    const Watch disconnected = play(deck, 1.0);
    EXPECT_EQ(cut.playing + cut.locked + disconnected.pulses, 0.0);
    EXPECT_EQ(deck.frame().beatRamp, cut.beatRamp);
}

TEST(BeatTracker, DeckWithoutBeatRunsOnBpmFromWhereItStarted)
{
    SyntheticDeck deck;
    deck.sendBeat = false;
    const BeatOutput first = deck.frame();
    EXPECT_LT(first.beatRamp, 0.05);
    EXPECT_EQ(first.beat, 1.0);
    const Watch watch = play(deck, 8.5 * deck.beatSeconds());
    EXPECT_EQ(watch.lockedAt, -1.0);
    EXPECT_EQ(watch.pulses, 8);
    const BeatOutput out = deck.frame();
    EXPECT_NEAR(out.bpm, 124.0, 1e-9);
    EXPECT_EQ(out.beat, 1.0); // 8 beats on: the first beat of the third bar
    EXPECT_NEAR(out.beatRamp, std::fmod((deck.position - 10.3) / deck.beatSeconds(), 1.0), 0.05);
}

TEST(BeatTracker, SeekKeepsTheGridAndNewTrackLearnsAnother)
{
    SyntheticDeck deck;
    deck.gridOffset = 0.2;
    play(deck, 32.0 * deck.beatSeconds());
    deck.position -= 20.0;
    const Watch seek = play(deck, deck.beatSeconds(), false);
    EXPECT_LE(seek.pulses, 1);
    const Watch afterSeek = play(deck, 8.0 * deck.beatSeconds());
    EXPECT_LT(afterSeek.errors.back(), 0.006);
    EXPECT_EQ(afterSeek.unlocked + afterSeek.backwards, 0);

    deck.length = 200.0;
    deck.position = 0.0;
    deck.gridOffset = 0.05;
    deck.trackBpm = 128.0;
    play(deck, 0.1, false);
    EXPECT_LE(deck.frame().beats, 1.0);
    play(deck, 4.0 * deck.beatSeconds(), false);
    const Watch newTrack = play(deck, 16.0 * deck.beatSeconds());
    EXPECT_LT(newTrack.errors.back(), 0.010);
    EXPECT_EQ(newTrack.unlocked + newTrack.backwards, 0);
}

TEST(BeatTracker, ObservedBoundariesWinOverAWrongBpm)
{
    for (double factor : {0.5, 2.0, 0.0})
    {
        SyntheticDeck deck;
        deck.bpmFactor = factor;
        play(deck, 8.0 * deck.beatSeconds(), false);
        const Watch watch = play(deck, 16.0 * deck.beatSeconds());
        EXPECT_NEAR(deck.frame().bpm, 124.0, factor == 0.0 ? 1.0 : 1e-6) << factor;
        EXPECT_EQ(watch.unlocked, 0) << factor;
        EXPECT_LT(watch.errors.back(), factor == 0.0 ? 0.01 : 0.003) << factor;
    }
}

TEST(BeatTracker, SenderWithoutPositionRunsOnBoundaries)
{
    SyntheticDeck deck;
    deck.sendPosition = false;
    play(deck, 8.0 * deck.beatSeconds(), false);
    const Watch watch = play(deck, 16.0 * deck.beatSeconds());
    EXPECT_NEAR(deck.frame().bpm, 124.0, 1e-6);
    EXPECT_EQ(watch.unlocked, 0);
    EXPECT_NEAR(watch.pulses, 16, 1);
    EXPECT_LT(watch.errors.back(), 0.012);
}

TEST(BeatTracker, RandomBeatNeverBecomesTheClock)
{
    SyntheticDeck deck;
    deck.randomBeat = true;
    const Watch watch = play(deck, 32.0 * deck.beatSeconds());
    EXPECT_NEAR(deck.frame().bpm, 124.0, 1e-6);
    EXPECT_NEAR(watch.pulses, 32, 1);
}

TEST(BeatTracker, HostileInputNeverBreaksTheChannels)
{
    const double garbage[] = {NAN, INFINITY, -INFINITY, -120.0, 0.0, 1e300, -1e300, 1e-300, 124.0};
    SyntheticDeck deck;
    std::mt19937 rng(3);
    double now = 100.0;
    for (int frame = 0; frame < 20000; ++frame)
    {
        orvbeat::DeckInput& in = deck.in;
        auto pick = [&] { return garbage[rng() % 9]; };
        in.connected = rng() % 8 != 0;
        in.datagramCount += rng() % 3;
        in.arrival = rng() % 4 ? now - 0.001 * (rng() % 5) : pick();
        in.position = rng() % 3 ? in.position + (rng() % 2 ? 0.0167 : pick()) : pick();
        in.bpm = rng() % 2 ? 124.0 : pick();
        in.pitch = rng() % 2 ? 1.0 : pick();
        in.length = rng() % 50 ? 300.0 : pick();
        in.beat = static_cast<int>(rng());
        in.beatChangeCount += rng() % 2;
        in.positionBeforeChange = in.position - (rng() % 2 ? 0.0167 : pick());
        in.positionAtChange = rng() % 2 ? in.position : pick();
        in.arrivalBeforeChange = in.arrival - 0.0167;
        in.arrivalAtChange = rng() % 2 ? in.arrival : pick();
        in.beatBeforeChange = static_cast<int>(rng());
        in.beatAtChange = rng() % 2 ? INT32_MIN : INT32_MAX;
        const int step = rng() % 10;
        now += step == 0 ? -1.0 : step == 1 ? 0.0 : step == 2 ? 1e4 : 1.0 / 60.0;
        deck.settings.beatsPerBar = static_cast<int>(rng() % 20) - 4;
        deck.settings.bpmIncludesPitch = rng() % 2;
        const BeatOutput out = deck.tracker.update(in, step == 3 ? pick() : now, deck.settings);
        for (double channel : {out.beatRamp, out.barRamp, out.beatPulse, out.beat, out.beats,
                               out.bpm, out.playing, out.position, out.locked})
            ASSERT_TRUE(std::isfinite(channel)) << frame;
        ASSERT_TRUE(out.beatRamp >= 0.0 && out.beatRamp < 1.0) << frame;
        ASSERT_TRUE(out.barRamp >= 0.0 && out.barRamp < 1.0) << frame;
    }
}
