// Where the beat lines may lie when no tempo the sender reports fits them: the place of line 0
// and the beat length both unknown. Each bracket (before, after] with its line number k asks
// before < line0 + k x length <= after, a strip of the (line0, length) plane; every pair the
// brackets allow is the intersection of their strips, a convex polygon that narrows with each
// bracket. It starts from two brackets a beat apart; a bracket whose line number it cannot tell
// does not fit. The lines it places are as uncertain as the polygon is wide along them.
#pragma once

#include "beat/Units.h"

namespace orvbeat
{

class LengthPolygon
{
public:
    static constexpr int mostVertices = 48;

    void reset() { *this = LengthPolygon(); }
    bool started() const { return vertices_ > 0; }
    int brackets() const { return brackets_; }

    // Takes a bracket: the first one is held, the second starts the polygon if it lies a
    // plausible beat after it, the others narrow it. False (and nothing changed) when the
    // bracket does not fit.
    bool add(TrackSeconds before, TrackSeconds after);
    // Whether add() would take the bracket into the started polygon.
    bool fits(TrackSeconds before, TrackSeconds after) const;

    // The middle of the lengths still possible.
    TrackSeconds length() const;
    // The number of the line nearest `position`, and the places it can have: [low, high].
    long long lineNear(TrackSeconds position, TrackSeconds& low, TrackSeconds& high) const;
    // The places line `index` can have.
    void extent(long long index, TrackSeconds& low, TrackSeconds& high) const;
    // The number of the line a bracket around `middle` holds; false when the polygon cannot tell.
    bool lineOf(double middle, long long& index) const;

private:
    struct Vertex
    {
        double line0 = 0.0;
        double length = 0.0;
    };

    bool start(TrackSeconds before, TrackSeconds after);
    // The polygon narrowed by a bracket into `out`: its vertex count, under 3 when it misses.
    int narrowed(TrackSeconds before, TrackSeconds after, Vertex* out) const;
    // Keeps the part of `in` where a x line0 + b x length <= c; returns the vertex count.
    static int clip(const Vertex* in, int count, double a, double b, double c, Vertex* out);

    Vertex vertex_[mostVertices];
    int vertices_ = 0;
    int brackets_ = 0;
    TrackSeconds firstBefore_;
    TrackSeconds firstAfter_;
    bool hasFirst_ = false;
};

} // namespace orvbeat
