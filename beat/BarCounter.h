// The position of a beat in its bar, 1..beatsPerBar, for the clock's visible beat numbers.
//
// When the sender's Beat counts the bar (it steps by +1 and wraps within a cycle of beatsPerBar
// values, 1..N or 0..N-1), the bar follows the sender's numbers: a boundary into the value v
// names the bar position of the beat beginning at that line, and the lines a whole number of
// beats from it on the track count on from there (so the bar holds across cues, and across
// noise that leaves the deck's lines where they were). One such step is enough, until a
// boundary shows that the numbers do not always step so: from then on two in a row are, and a
// bar taken from fewer than four agreeing steps goes back to the count from the start. Which of
// the two cycles the sender counts shows when a 0 or an N arrives (the latest of them); until
// then 1..N is taken; both within one bar mean another cycle (or noise). Without such
// boundaries the bar counts from where the deck started playing, whose first beat is 1.
#pragma once

#include "beat/Units.h"

#include <cstdint>

namespace orvbeat
{

class BarCounter
{
public:
    void reset() { *this = BarCounter(); }
    // Another track: its bar is found afresh; which cycle the sender counts is kept.
    void startTrack()
    {
        const bool fromZero = fromZero_;
        *this = BarCounter();
        fromZero_ = fromZero;
    }
    // Any Beat value the sender sent: 0 and N tell which cycle it counts.
    void see(std::int32_t beat, int beatsPerBar);
    // The beat with visible number `beatIndex` is the first one of the count from the start.
    void countFrom(double beatIndex, int beatsPerBar);
    // A boundary where the sender's Beat went from `before` to `at`, at a line near `line` on
    // the track, beats `length` apart.
    void addBoundary(std::int32_t before, std::int32_t at, TrackSeconds line, TrackSeconds length,
                     int beatsPerBar);
    // 1..beatsPerBar for the beat with visible number `beatIndex`, which begins at `line` on the
    // track (lines `length` apart; a length of 0: where it begins is not known).
    double barPosition(double beatIndex, TrackSeconds line, TrackSeconds length,
                       int beatsPerBar) const;

private:
    bool bothCycles(int beatsPerBar) const;

    bool fromZero_ = false;    // the latest 0 or N the sender sent was a 0: its cycle is 0..N-1
    long long boundaries_ = 0; // boundaries seen
    long long zeroAt_ = -1;    // the boundary count when a 0 last came, -1: never
    long long topAt_ = -1;     // and an N
    bool aligned_ = false;     // the offset comes from the sender's numbers
    bool doubted_ = false;     // a boundary did not step by +1 within the cycle
    int goodSteps_ = 0;        // boundaries in a row that stepped by +1 within the cycle
    int alignedSteps_ = 0;     // of them, since the offset was taken
    TrackSeconds namedLine_;   // a line the sender's numbers named...
    double namedPlace_ = 0.0;  // ...the bar position (0-based) of the beat it begins
    double startOffset_ =
        0.0; // bar position - 1 = (beat index + it) mod beatsPerBar, from the start
};

} // namespace orvbeat
