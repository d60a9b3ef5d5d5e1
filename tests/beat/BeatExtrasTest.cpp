// What the clock gives besides the beat, in simulated time on the synthetic deck: phrases on
// the track's bar lines, the track's end, cues and loops; and the mix shares on their own.
#include "SyntheticDeck.h"

#include "beat/MixShares.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using orvbeat::BeatOutput;

namespace
{

// The true bar (from the track's first bar line) and beat in it where the deck stands now.
struct TruePlace
{
    long long bar;
    int beatInBar; // 0..3
};
TruePlace truePlace(const SyntheticDeck& deck)
{
    const double phase = std::round(deck.truePhase() * 1e6) / 1e6;
    const long long beat = static_cast<long long>(std::floor(phase));
    return {beat / 4, static_cast<int>(beat % 4)};
}

} // namespace

// Phrases of 8 bars on a grid 0.37 beat into the track or starting at 0 (or a hair before: as
// the grid places a line at 0 now and then, and counts as at 0), for decks started
// anywhere: from the third bar on, every phrase pulse comes with its beat's pulse on the first
// beat of bars 0, 8, 16, ... of the track (one bar later with an offset of 1), the warning rises
// on the beat four beats before each line, and a seek keeps both on the track's lines.
TEST(BeatExtras, PhrasesKeepToTheTracksBarLines)
{
    const struct
    {
        double start, gridBeats;
        int offset;
    } cases[] = {{10.3, 0.37, 0}, {47.9, 0.37, 1}, {0.0, 0.0, 0}, {31.5, -0.001, 1}};
    for (const auto& c : cases)
    {
        const double start = c.start;
        const int offset = c.offset;
        {
            SyntheticDeck deck(7);
            deck.gridOffset = c.gridBeats * 60.0 / deck.trackBpm;
            deck.position = start;
            deck.settings.phrase.offsetBars = offset;
            const double bar = 4.0 * deck.beatSeconds();
            int phrasePulses = 0;
            int warnings = 0;
            BeatOutput previous;
            bool seeked = false;
            for (double t = 0.0; t < 40.0 * bar; t = deck.now)
            {
                if (!seeked && t > 20.0 * bar)
                {
                    deck.position -= 13.3 * deck.beatSeconds(); // a cue back, off the bars
                    seeked = true;
                }
                const BeatOutput out = deck.frame();
                const bool judged = deck.now > 3.0 * bar && out.locked > 0.0;
                if (judged && out.phrase.pulse > 0.0)
                {
                    ++phrasePulses;
                    const TruePlace place = truePlace(deck);
                    EXPECT_GT(out.beatPulse, 0.0);
                    EXPECT_EQ(place.beatInBar, 0) << "at " << deck.now;
                    EXPECT_EQ(((place.bar - offset) % 8 + 8) % 8, 0) << "bar " << place.bar;
                    EXPECT_EQ(out.phrase.barInPhrase, 1.0);
                }
                if (judged && out.phrase.warning > 0.0 && previous.phrase.warning == 0.0)
                {
                    ++warnings;
                    const TruePlace place = truePlace(deck);
                    EXPECT_GT(out.beatPulse, 0.0);
                    EXPECT_EQ(((place.bar - offset) % 8 + 8) % 8, 7) << "bar " << place.bar;
                    EXPECT_EQ(place.beatInBar, 0) << "four beats before the line";
                }
                EXPECT_GE(out.phrase.ramp, 0.0);
                EXPECT_LT(out.phrase.ramp, 1.0);
                previous = out;
            }
            EXPECT_GE(phrasePulses, 3) << start << " offset " << offset;
            EXPECT_GE(warnings, 3);
            EXPECT_GE(previous.phrase.phrases, phrasePulses);
        }
    }
}

// time_left is real time at the playing speed, also with the pitch off 1 and while paused;
// bars_left and beats_left count down on the grid's lines; Length unknown shows -1.
TEST(BeatExtras, TheTracksEndAtAnySpeed)
{
    for (const double pitch : {0.92, 1.08})
    {
        SyntheticDeck deck(3);
        deck.pitch = pitch;
        deck.length = 60.0;
        deck.position = 30.0;
        BeatOutput previous;
        double worst = 0.0;
        for (int frames = 0; frames < 60 * 12; ++frames)
        {
            const BeatOutput out = deck.frame();
            if (deck.now > 1.0)
            {
                const double truth = (deck.length - deck.position) / pitch;
                worst = std::max(worst, std::fabs(out.trackEnd.timeLeft - truth));
                EXPECT_NEAR(out.trackEnd.trackProgress, deck.position / deck.length, 0.002);
            }
            // Once the bar has the sender's numbers (a few boundaries after the start).
            if (deck.now > 4.0 && out.locked > 0.0 && previous.locked > 0.0)
            {
                if (out.trackEnd.barsLeft != previous.trackEnd.barsLeft)
                {
                    EXPECT_GT(out.beatPulse, 0.0);
                    EXPECT_EQ(out.beat, 1.0);
                    EXPECT_EQ(out.trackEnd.barsLeft, previous.trackEnd.barsLeft - 1.0);
                }
                if (out.trackEnd.beatsLeft != previous.trackEnd.beatsLeft)
                {
                    EXPECT_GT(out.beatPulse, 0.0);
                }
                // Whole beats from the current beat's line to the end.
                const double line = deck.position - out.beatRamp * deck.beatSeconds() * pitch;
                EXPECT_NEAR(out.trackEnd.beatsLeft,
                            std::floor((deck.length - line) / (60.0 / deck.trackBpm) + 1e-6), 1.0);
            }
            previous = out;
        }
        EXPECT_LT(worst, 0.05) << "pitch " << pitch;

        deck.playing = false; // paused: the time it would take at the last speed
        for (int frames = 0; frames < 60; ++frames)
            previous = deck.frame();
        EXPECT_NEAR(previous.trackEnd.timeLeft, (deck.length - deck.position) / pitch, 0.05);
    }
    SyntheticDeck unknown;
    unknown.length = 0.0;
    BeatOutput out;
    for (int frames = 0; frames < 120; ++frames)
        out = unknown.frame();
    EXPECT_EQ(out.trackEnd.timeLeft, -1.0);
    EXPECT_EQ(out.trackEnd.barsLeft, -1.0);
    EXPECT_EQ(out.trackEnd.trackProgress, 0.0);
}

// A loop of 4 beats rolled twice, halved to 2 and to 1 (each twice), then played out: one
// jump_pulse per jump, looping from the second jump, loop_beats 4, 2, 1 as the jumps show it,
// and looping 0 once the deck plays on. A single cue is a jump, not a loop.
TEST(BeatExtras, CuesAndLoopRolls)
{
    SyntheticDeck deck(5);
    deck.position = 20.0;
    const double beat = 60.0 / deck.trackBpm; // track seconds
    // Play 8 beats, then the loop's end E lies on the next line.
    for (int frames = 0; frames < 60 * 4; ++frames)
        deck.frame();
    const double end = (std::floor(deck.position / beat) + 2.0) * beat;
    const double lengths[] = {4, 4, 2, 2, 1, 1};
    int pulses = 0;
    std::vector<double> shown; // loop_beats on the frame of each jump_pulse
    std::vector<double> looping;
    double loopStart = end - 4.0 * beat;
    auto play = [&](double seconds)
    {
        const double until = deck.now + seconds;
        while (deck.now < until)
        {
            const BeatOutput out = deck.frame();
            if (out.loop.jumpPulse > 0.0)
            {
                ++pulses;
                shown.push_back(out.loop.loopBeats);
                looping.push_back(out.loop.looping);
            }
        }
    };
    for (const double length : lengths)
    {
        // Play up to the loop's end, then jump back by its length.
        const double loopEnd = loopStart + length * beat;
        play((loopEnd - deck.position) / deck.pitch);
        deck.position -= length * beat;
        play(0.1);
    }
    EXPECT_EQ(pulses, 6);
    EXPECT_EQ(looping, (std::vector<double>{0, 1, 1, 1, 1, 1}));
    EXPECT_EQ(shown, (std::vector<double>{0, 4, 2, 2, 1, 1}));
    play(4.0 * deck.beatSeconds()); // out of the loop: it plays on
    const BeatOutput after = deck.frame();
    EXPECT_EQ(after.loop.looping, 0.0);
    EXPECT_EQ(after.loop.loopBeats, 0.0);
    EXPECT_NEAR(after.loop.jumpBeats, -1.0, 0.1);

    deck.position += 16.0 * beat; // one cue forward
    pulses = 0;
    shown.clear();
    play(2.0);
    EXPECT_EQ(pulses, 1);
    EXPECT_NEAR(deck.frame().loop.jumpBeats, 16.0, 0.1);
    EXPECT_EQ(deck.frame().loop.looping, 0.0);
}

// Each deck's share of what is heard adds up to 1, or all are 0 when nothing is heard; the next
// deck is the loudest audible one but the followed.
TEST(BeatExtras, MixSharesAndTheNextDeck)
{
    const double levels[4] = {0.6, 0.2, 0.0, 0.2};
    const orvbeat::MixFrame mix = orvbeat::mixOf(levels, 0);
    EXPECT_DOUBLE_EQ(mix.shares[0] + mix.shares[1] + mix.shares[2] + mix.shares[3], 1.0);
    EXPECT_DOUBLE_EQ(mix.shares[0], 0.6);
    EXPECT_EQ(mix.nextDeck, 2.0); // deck 2 before deck 4 at the same level
    EXPECT_EQ(orvbeat::mixOf(levels, 1).nextDeck, 1.0);
    const double silent[4] = {0.0, 0.0, std::nan(""), 0.0};
    const orvbeat::MixFrame none = orvbeat::mixOf(silent, 2);
    EXPECT_EQ(none.shares[2], 0.0);
    EXPECT_EQ(none.nextDeck, 0.0);
}
