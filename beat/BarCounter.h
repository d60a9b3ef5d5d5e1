// The position of a beat in its bar, 1..beatsPerBar, from the clock's own beat index.
//
// When the sender's Beat steps by +1 and wraps within a cycle of beatsPerBar values (1..N or
// 0..N-1), the bar follows the sender's numbers: the value after a boundary names the bar
// position of the beat beginning there. Otherwise the bar counts from where the deck started
// playing, whose first beat is 1. Only an offset against the clock's beat index is learned,
// so the bar position changes with the clock's beat, not with the datagram that confirms it.
#pragma once

#include <cstdint>

namespace orvbeat
{

class BarCounter
{
public:
    void reset() { *this = BarCounter(); }
    // The beat with index `beatIndex` is the first one of the count from the start.
    void countFrom(double beatIndex, int beatsPerBar);
    // A boundary where the sender's Beat went from `before` to `at`, at which the beat with
    // index `beatIndex` began.
    void addBoundary(std::int32_t before, std::int32_t at, double beatIndex, int beatsPerBar);
    // 1..beatsPerBar for the beat with index `beatIndex`.
    double barPosition(double beatIndex, int beatsPerBar) const;

private:
    static constexpr int stepsToAlign = 2; // consecutive +1 steps before the numbers count

    bool seenZero_ = false; // a 0 among the sender's values: its cycle is 0..N-1
    bool seenTop_ = false;  // an N among them: 1..N
    int goodSteps_ = 0;
    double offset_ = 0.0; // bar position - 1 = (beat index + offset_) mod beatsPerBar
};

} // namespace orvbeat
