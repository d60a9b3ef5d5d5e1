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
// profile's least delay) with locked on. A deck that never locks, where the oracle never allowed
// it either (Position too coarse to place the lines within 3 ms), has its errors counted from six
// beats after it starts instead: how close the clock keeps without the lock.
//
// The lock is judged against the oracle: the beats played from the moment the deck's datagrams
// first allowed it to the first lock (negative: locked before they allowed it, a lie).
#pragma once

#include "BeatScenario.h"

#include "support/sim/ClockJudge.h"

#include <optional>
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
    double lockedAt = -1.0;  // the time of the first lock; < 0: never
    double lockBeats = -1.0; // beats played from the start until locked; < 0: never
    // Beats played from the oracle's moment until the first lock; none where either never came.
    std::optional<double> lockAfterOracleBeats;
    int recoveryBeats = -1;       // after its tempo change or cue; < 0: never or none
    double afterRecoveryMax = 0.; // seconds, the worst error (less the least delay) after it
};

// `leastDelay`: the network's least one-way delay in seconds; `lastCook`: the time of the last
// cook; `lockAllowedAt`: when the oracle first allowed the lock (none: never), on the cooks' time.
DeckScore scoreDeck(const DeckTruth& truth, const std::vector<CookView>& views, double leastDelay,
                    double lastCook, std::optional<double> lockAllowedAt);

} // namespace orvbench
