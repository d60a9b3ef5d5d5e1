// What the frames of a stretch of play showed, for the tracker's scenario tests.
#pragma once

#include "SyntheticDeck.h"

#include "support/Percentile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

using orvbeat::BeatOutput;

// What the frames of a stretch of play showed.
struct Watch
{
    std::vector<double> errors; // |boundary error| less the least delay, each locked frame, sorted
    double worstFrame = 0.0;    // the same, the worst of every playing frame, locked or not
    double lockedAt = -1.0;     // deck time of the first locked frame
    int pulses = 0;
    int unlocked = 0;
    int backwards = 0;   // frames whose ramp went down without a new beat
    int closePulses = 0; // pulses within a quarter beat of the one before: a double flash
    int wrongBar = 0;    // locked frames mid-beat whose bar position is not the sender's Beat

    double percentile(double p) const
    {
        return errors.empty() ? 1.0 : orvsupport::percentileOfSorted(errors, p);
    }
    double worst() const { return percentile(1.0); }
};

inline Watch play(SyntheticDeck& deck, double beats)
{
    Watch watch;
    BeatOutput previous = deck.frame();
    double lastPulse = -1e9;
    const double end = deck.now + beats * deck.beatSeconds();
    while (deck.now < end)
    {
        const BeatOutput out = deck.frame();
        if (out.locked > 0.0 && watch.lockedAt < 0.0)
            watch.lockedAt = deck.now;
        const double error = std::fabs(deck.boundaryError(out) - deck.leastDelay());
        if (out.locked > 0.0)
            watch.errors.push_back(error);
        if (out.playing > 0.0)
            watch.worstFrame = std::max(watch.worstFrame, error);
        watch.pulses += out.beatPulse > 0.0;
        if (out.beatPulse > 0.0)
        {
            watch.closePulses += deck.now - lastPulse < 0.25 * deck.beatSeconds();
            lastPulse = deck.now;
        }
        watch.unlocked += out.locked == 0.0;
        watch.wrongBar += out.locked > 0.0 && out.beatRamp > 0.2 && out.beatRamp < 0.8 &&
                          out.beat != deck.senderBeat() + 1;
        watch.backwards += out.beatPulse == 0.0 && out.beatRamp < previous.beatRamp;
        previous = out;
    }
    std::sort(watch.errors.begin(), watch.errors.end());
    return watch;
}

// Plays until the clock locks (at most `beats` beats); true when it did.
inline bool playUntilLocked(SyntheticDeck& deck, double beats)
{
    const double end = deck.now + beats * deck.beatSeconds();
    while (deck.now < end)
    {
        if (deck.frame().locked > 0.0)
            return true;
    }
    return false;
}

// Plays `beats` beats that must all run forwards, one pulse a beat, every frame within
// `maxError` seconds of the deck's boundary, locked or not.
inline Watch keepsTime(SyntheticDeck& deck, double beats, double maxError)
{
    const Watch watch = play(deck, beats);
    EXPECT_EQ(watch.backwards + watch.closePulses, 0) << "at " << deck.now;
    EXPECT_NEAR(watch.pulses, beats, 1.0) << "at " << deck.now;
    EXPECT_LT(watch.worstFrame, maxError) << "at " << deck.now;
    return watch;
}

// Plays `beats` beats that must all be locked, forwards and within `maxError` seconds.
inline Watch follows(SyntheticDeck& deck, double beats, double maxError)
{
    const Watch watch = play(deck, beats);
    EXPECT_EQ(watch.unlocked, 0) << "at " << deck.now;
    EXPECT_EQ(watch.backwards, 0) << "at " << deck.now;
    EXPECT_LT(watch.worst(), maxError) << "at " << deck.now;
    return watch;
}
