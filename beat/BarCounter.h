// The position of a beat in its bar, 1..beatsPerBar, for the clock's visible beat numbers.
//
// When the sender's Beat counts the bar (it steps by +1, twice in a row, and wraps within a cycle
// of beatsPerBar values, 1..N or 0..N-1), the bar follows the sender's numbers: a boundary into the value v
// names the bar position of the beat beginning at that line. Which of the two cycles the sender
// counts shows when a 0 or an N arrives; until then 1..N is taken. Without such boundaries the
// bar counts from where the deck started playing, whose first beat is 1.
#pragma once

#include <cstdint>

namespace orvbeat
{

class BarCounter
{
public:
    void reset() { *this = BarCounter(); }
    // Any Beat value the sender sent: 0 and N tell which cycle it counts.
    void see(std::int32_t beat, int beatsPerBar);
    // The beat with visible number `beatIndex` is the first one of the count from the start.
    void countFrom(double beatIndex, int beatsPerBar);
    // A boundary where the sender's Beat went from `before` to `at`, at the line with visible
    // number `beatIndex`.
    void addBoundary(std::int32_t before, std::int32_t at, double beatIndex, int beatsPerBar);
    // 1..beatsPerBar for the beat with visible number `beatIndex`.
    double barPosition(double beatIndex, int beatsPerBar) const;

private:
    bool seenZero_ = false; // a 0 among the sender's values: its cycle is 0..N-1
    bool seenTop_ = false;  // an N among them: 1..N
    bool aligned_ = false;  // the offset comes from the sender's numbers
    int goodSteps_ = 0;     // boundaries in a row that stepped by +1 within the cycle
    double offset_ = 0.0;   // bar position - 1 = (beat index + offset_) mod beatsPerBar
};

} // namespace orvbeat
