// Where the beat lines may lie for one beat length taken as exact: the lines are at
// line0 + k x length, and each bracket (before, after] holds one of them, so line0 lies in
// (before - k x length, after - k x length] for the k of that bracket. The brackets' intervals,
// carried to line 0, intersect: what is left is every place line0 can still have. An exact length
// carries a bracket any number of beats without widening it. A bracket that misses the interval
// refutes the length (or is noise: the caller decides which).
#pragma once

#include "beat/Units.h"

namespace orvbeat
{

class LineInterval
{
public:
    void reset(TrackSeconds length)
    {
        *this = LineInterval();
        length_ = length;
    }
    TrackSeconds length() const { return length_; }
    bool placed() const { return brackets_ > 0; }
    int brackets() const { return brackets_; }
    // The narrowest bracket taken on its own (before the intersection).
    TrackSeconds narrowest() const { return narrowest_; }

    // Whether (before, after] holds a line that the interval allows; `index` receives the
    // line's number (line 0 is the first bracket's).
    bool agrees(TrackSeconds before, TrackSeconds after, long long& index) const;
    // Narrows the interval by the bracket; false (and nothing changed) when it does not agree.
    bool add(TrackSeconds before, TrackSeconds after);

    // The places line `index` can have: [low, high].
    TrackSeconds low(long long index) const { return low_ + length_ * static_cast<double>(index); }
    TrackSeconds high(long long index) const
    {
        return high_ + length_ * static_cast<double>(index);
    }
    // The number of the line at or before `position` (by the middle of the interval).
    long long lineAtOrBefore(TrackSeconds position) const;

private:
    TrackSeconds length_;
    TrackSeconds low_;  // line 0 lies after this...
    TrackSeconds high_; // ...and at or before this
    TrackSeconds narrowest_;
    int brackets_ = 0;
};

} // namespace orvbeat
