// What a judge of a beat clock knows of one sweep case's deck: the true boundaries (the times
// its true position crossed a line while playing), the line a clock in phase with it shows at
// any moment, and the stretches where the clock is judged (see ClockJudge.h).
// Thread rules: built once; then read from any thread.
#pragma once

#include "support/sim/SweepCase.h"
#include "support/sim/SweepTraffic.h"

#include <vector>

namespace orvsim
{

// Seconds before a pause, a track change or the run's end where judging stops.
inline constexpr double kStretchEndMargin = 0.5;

class DeckTruth
{
public:
    // `leastDelay`: the path's least one-way delay (the oracle's).
    DeckTruth(const SweepCase& sweepCase, const SweepTraffic& traffic, double leastDelay);

    const std::vector<TrueBoundary>& boundaries() const { return boundaries_; }
    // Host seconds of a beat at `time`, at the deck's pitch then.
    double beatSecondsAt(double time) const;
    bool judged(double time) const { return stretchAt(time) != nullptr && !excluded(time); }
    // Within the stretch around a cue or garbage where nothing is judged.
    bool excluded(double time) const;
    // The judged stretch (before exclusions) that holds `time`; none outside them.
    const TimeSpan* stretchAt(double time) const;
    // The true boundary nearest `time`; none when the deck never crossed a line.
    const TrueBoundary* nearest(double time) const;
    // The boundary a clock's phase at host time `frame` refers to, nearest `shown`: the line
    // behind the deck, or the one before or after it, placed by the deck's true phase and
    // speed at that moment. Where the deck crossed that line at a steady pitch this is the
    // crossing; after a cue or a start of play it is where the deck's new place puts the line
    // behind it, and while the pitch glides it is where the current speed puts it, as a clock
    // in phase with the deck shows it.
    double lineNear(double frame, double shown) const;
    // When the clock must be back on the grid after the garbage window (its end's second true
    // boundary); < 0 without one.
    double garbageBack() const { return garbageBack_; }

private:
    void addStretch(const std::vector<PlanEvent>& events, size_t play);
    void excludeCue(double at);
    double secondBoundaryAfter(double time) const;

    const SweepCase& case_;
    const SweepTraffic& traffic_;
    double leastDelay_;
    std::vector<TrueBoundary> boundaries_;
    std::vector<TimeSpan> stretches_;
    std::vector<TimeSpan> exclusions_;
    double garbageBack_ = -1.0;
};

} // namespace orvsim
