// How well one deck's beat clock followed the truth of the benchmark's scenario, from the
// channels of every cook.
//
// A boundary the clock shows: at a cook with beat_pulse 1, the cook's time less beat_ramp beat
// lengths (60 / bpm). It belongs to the nearest true boundary within a quarter beat, if that one
// has no pulse yet; otherwise it is a pulse without a boundary (except the one pulse a cue
// brings). From four beats after the deck starts to play to half a second before the end, a
// true boundary that got no pulse is a boundary without a pulse, and each pulse's `beat` is
// checked against the bar position of its true boundary. Errors count from the deck's first
// lock on, leaving out the four boundaries after the tempo change and after the cue, which the
// recovery figures measure: the boundaries until every later one is within 2 ms (less the
// profile's least delay) with locked on.
#pragma once

#include "BeatScenario.h"

#include "support/sim/ClockJudge.h"

#include <vector>

namespace orvbench
{

// One cook's view of a deck.
using CookView = orvsim::ClockFrame;

struct DeckScore
{
    std::vector<double> errors; // seen less true boundary, seconds
    int backwards = 0;          // beat_ramp falling without a pulse
    int pulsesWithoutBoundary = 0;
    int boundariesWithoutPulse = 0;
    int beatsChecked = 0;
    int wrongBeats = 0;
    double lockBeats = -1.0;      // beats played from the start until locked; < 0: never
    int recoveryBeats = -1;       // after its tempo change or cue; < 0: never or none
    double afterRecoveryMax = 0.; // seconds, the worst error (less the least delay) after it
};

// `leastDelay`: the network's least one-way delay in seconds; `lastCook`: the time of the last
// cook.
DeckScore scoreDeck(const DeckTruth& truth, const std::vector<CookView>& views, double leastDelay,
                    double lastCook);

} // namespace orvbench
