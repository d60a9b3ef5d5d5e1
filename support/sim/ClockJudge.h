// The judge of a beat clock over one sweep case: from every frame's channels, the deck's truth
// and the oracle, the figures of the run and a verdict per property, each failure with the
// time and the values that show it.
//
// Definitions.
// - A frame's shown boundary: its time less beat_ramp x 60 / bpm. Its error: that less the
//   nearest true boundary: the time the deck crossed the line, as its true phase and speed at
//   the frame place it (the crossing itself at a steady pitch; after a cue or a start of play,
//   where the new place puts the line behind it; while the pitch glides, where the current
//   speed puts it). Its residual: the error less the path's least delay.
// - Judged stretches: from two beats after each start of play (the first, a resume, a new
//   track's) to 0.5 s before the next pause, track change or the run's end; not within
//   [cue, cue + max(0.25 beat, 150 ms)] of a cue's send time, widened to the arrival of the
//   second datagram sent after the cue (no clock can show a cue sooner) and back by a frame
//   and the least delay (a boundary just before the cue shows only with it); nor from a
//   garbage window's start to the second true boundary after its end.
// - Pulses are matched in time order, each to the nearest true boundary (a time the deck's
//   true position crossed a line while playing) within a quarter beat of its shown boundary
//   that has no pulse yet (pulses around a cue or garbage after all the others). A pulse in a
//   judged stretch with no such boundary is a pulse between beats; a true boundary in a judged
//   stretch without a matched pulse is a missed boundary. A back-step is a judged frame whose beat_ramp fell without a pulse. A wrong bar is a matched
//   pulse (it and its boundary judged, the boundary after the datagrams showed Beat's base)
//   whose `beat` is not the sender's bar position of that line.
// - Lock, per track (a frame belongs to the newest track whose datagrams have arrived): the
//   first locked frame less the oracle's moment, in beats of that moment; within 1.5 beats, and
//   no locked frame before the moment (nor any where the oracle never allows it). A track whose
//   stretch ends within 1.5 beats of the moment is not held to it.
// - While locked: |residual| over the locked frames of judged stretches; p99 within 2 ms.
// - Where the oracle never allows `locked` on a track: the worst |residual| of its judged
//   frames from six beats after its first play on, less half a Position step; within 2 ms.
// - After garbage: no pulse between beats and no missed boundary from the second true boundary
//   after the window's end, for eight beats (or to the stretch's end).
#pragma once

#include "support/sim/BeatOracle.h"
#include "support/sim/SweepCase.h"
#include "support/sim/SweepTraffic.h"

#include <optional>
#include <string>
#include <vector>

namespace orvsim
{

// One frame of a beat clock's channels, at host time `time`.
struct ClockFrame
{
    double time = 0.0;
    double beatRamp = 0.0;
    double beatPulse = 0.0;
    double beat = 0.0;
    double bpm = 0.0;
    double locked = 0.0;
};

struct ClockFigures
{
    int pulsesBetweenBeats = 0;
    int missedBoundaries = 0;
    int backSteps = 0;
    int wrongBars = 0;
    int boundariesJudged = 0;
    std::optional<double> lockBeats;      // the largest over tracks; < 0: locked too early
    int earlyLocks = 0;                   // tracks locked before the oracle allowed it
    std::optional<double> lockedP99;      // seconds, |residual| while locked
    std::optional<double> lockedWorst;    // seconds
    std::optional<double> coarseWorst;    // seconds, less half a Position step
    std::optional<bool> garbageRecovered; // none without garbage (or nothing to judge)
    double leastDelay = 0.0;              // seconds, from the oracle
};

struct PropertyVerdict
{
    std::string name;
    bool applies = true;
    bool passed = true;
    double time = 0.0;  // of the first failure
    std::string reason; // the first failure in words
    std::vector<double> failureTimes;
};

struct ClockVerdict
{
    ClockFigures figures;
    std::vector<PropertyVerdict> properties; // in the order of kPropertyNames
    bool passed() const;
};

// pulses between beats, missed boundaries, back-steps, wrong bar, lock, error while locked,
// coarse error, garbage recovery.
extern const char* const kPropertyNames[8];

// `deliveryLatency`: how long after the model's arrival a datagram may take to reach the clock
// (a real host's loopback and scheduling; 0 in simulated time): frames within it of a track's
// first arrival still count to the track before.
ClockVerdict judgeClock(const SweepCase& sweepCase, const SweepTraffic& traffic,
                        const OracleVerdict& oracle, const std::vector<ClockFrame>& frames,
                        double deliveryLatency = 0.0);

} // namespace orvsim
