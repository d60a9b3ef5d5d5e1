// The On Air choice on its own: the mixer's levels and the switching rules, on simulated time.
#include "beat/OnAirDeck.h"
#include "beat/MixerLevels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace
{

using namespace orvbeat;

constexpr double kFrame = 1.0 / 60.0;
constexpr double kBeat = 0.5; // 120 BPM

// Decks 1 and 2 play at 120 BPM, deck 2's beats a third of a beat after deck 1's.
struct TwoDecks
{
    OnAirDeck onAir;
    double now = 0.0;
    bool playing[kMixerDecks] = {true, true, false, false};
    MixerState mixer{1.0, 1.0, 0.0};
    int switches = 0;
    bool switchedOffBeat = false; // a switch to a playing deck that was not on its boundary

    bool pulseOf(int slot) const
    {
        const double offset = slot == 1 ? kBeat / 3.0 : 0.0;
        const double phase = (now - offset) / kBeat;
        return std::floor(phase) != std::floor(phase - kFrame / kBeat);
    }

    int frame(bool expectOnBeat = true)
    {
        now += kFrame;
        OnAirClock clocks[kMixerDecks];
        for (int slot = 0; slot < kMixerDecks; ++slot)
            clocks[slot] = OnAirClock{playing[slot], playing[slot] && pulseOf(slot), 120.0};
        double levels[kMixerDecks];
        deckLevels(mixer, CrossfaderRange::ZeroToOne, channelDecksOf("1 3"), channelDecksOf("2 4"),
                   playing, levels);
        bool switched = false;
        const int slot = onAir.update(levels, clocks, now, switched);
        switches += switched;
        if (switched && expectOnBeat && !clocks[slot].pulse)
            switchedOffBeat = true;
        return slot;
    }
};

TEST(MixerLevels, ChannelsCrossfaderAndDecksNotPlaying)
{
    EXPECT_EQ(channelDecksOf("1 3"), 0b0101u);
    EXPECT_EQ(channelDecksOf("2,4"), 0b1010u);
    EXPECT_EQ(channelDecksOf("12 5 x3"), 0b0100u) << "only the numbers 1 to 4 name decks";
    EXPECT_EQ(channelDecksOf(nullptr), 0u);

    const bool playing[kMixerDecks] = {true, true, true, false};
    double levels[kMixerDecks];
    deckLevels(MixerState{0.8, 1.0, 0.0}, CrossfaderRange::MinusOneToOne, 0b0001, 0b1010, playing,
               levels);
    EXPECT_DOUBLE_EQ(levels[0], 0.4) << "the middle of -1..1";
    EXPECT_DOUBLE_EQ(levels[1], 0.5);
    EXPECT_EQ(levels[2], 0.0) << "on neither channel";
    EXPECT_EQ(levels[3], 0.0) << "not playing";
    deckLevels(MixerState{1.0, NAN, 1.0}, CrossfaderRange::ZeroToOne, 0b0001, 0b0010, playing,
               levels);
    EXPECT_EQ(levels[0], 0.0) << "the crossfader at B's end";
    EXPECT_EQ(levels[1], 0.0) << "an upfader that is no number";
}

TEST(OnAirDeck, ACrossfadeSwitchesOnceOnTheNewDecksBeat)
{
    TwoDecks decks;
    EXPECT_EQ(decks.frame(), 0);
    // Over 8 beats from A's end to B's.
    double middleAt = -1.0;
    int switchedAt = -1;
    for (double t = 0.0; t < 8.0 * kBeat; t += kFrame)
    {
        decks.mixer.crossfader = t / (8.0 * kBeat);
        if (middleAt < 0.0 && decks.mixer.crossfader >= 0.5)
            middleAt = decks.now;
        if (decks.frame() == 1 && switchedAt < 0)
            switchedAt = static_cast<int>(std::lround((decks.now - middleAt) / kFrame));
    }
    EXPECT_EQ(decks.switches, 1);
    EXPECT_FALSE(decks.switchedOffBeat);
    ASSERT_GE(switchedAt, 0);
    EXPECT_LT(switchedAt * kFrame, 2.0 * kBeat);
}

TEST(OnAirDeck, ACrossfaderNearTheMiddleDoesNotFlipFlop)
{
    TwoDecks decks;
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> nearMiddle(0.451, 0.549);
    decks.mixer.crossfader = 0.5;
    decks.frame();
    for (double t = 0.0; t < 30.0; t += kFrame)
    {
        decks.mixer.crossfader = nearMiddle(rng);
        decks.frame();
    }
    EXPECT_EQ(decks.switches, 0);
}

// The followed deck stops: the next deck is chosen at once but shows only from its next
// boundary, with that beat's pulse; until then the stopped deck stays followed.
TEST(OnAirDeck, AStoppedDeckHandsOverOnTheNextDecksBeatAndSilenceFollowsTheLatestStart)
{
    TwoDecks decks;
    decks.frame();
    decks.playing[0] = false;
    const double stoppedAt = decks.now;
    int slot = 0;
    while (slot == 0 && decks.now < stoppedAt + 2.0 * kBeat)
        slot = decks.frame();
    EXPECT_EQ(slot, 1) << "the followed deck stopped";
    EXPECT_LE(decks.now - stoppedAt, kBeat + kFrame) << "deck 2's next beat";
    EXPECT_EQ(decks.switches, 1);
    EXPECT_FALSE(decks.switchedOffBeat);

    // Every fader down: the deck that started playing last, at its next beat.
    decks.mixer = MixerState{0.0, 0.0, 0.5};
    decks.playing[0] = true;
    for (double t = 0.0; t < 2.0 * kBeat; t += kFrame)
        decks.frame();
    EXPECT_EQ(decks.frame(), 0);
    EXPECT_EQ(decks.switches, 2);
    EXPECT_FALSE(decks.switchedOffBeat);
}

} // namespace
