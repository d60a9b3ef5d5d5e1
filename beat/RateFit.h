// The rate of a sender's timeline fitted through the network's jitter: the slope of the line
// below every (position, arrival) point of a window that lies closest to them, from their lower
// convex hull. A datagram arrives some delay after it was sent and the delay varies; the points
// that arrived soonest lie on the hull, so its slope is the sender's own rate.
#pragma once

#include "beat/Units.h"

namespace orvbeat
{

struct TimelinePoint
{
    HostSeconds arrival;
    TrackSeconds position;
};

// The rate of `count` points ordered by position (`at(i)` gives point i), or 0 when they cannot
// tell. Needs no more than `count` <= maxPoints; allocates nothing.
template <class At> double fittedRate(At at, int count);

inline constexpr int kMostFitPoints = 256;

namespace detail
{
double fitHull(const double* x, const double* y, int count);
}

template <class At> double fittedRate(At at, int count)
{
    if (count < 2 || count > kMostFitPoints)
        return 0.0;
    double x[kMostFitPoints];
    double y[kMostFitPoints];
    const TimelinePoint origin = at(0);
    for (int i = 0; i < count; ++i)
    {
        x[i] = (at(i).position - origin.position).value;
        y[i] = (at(i).arrival - origin.arrival).value;
    }
    return detail::fitHull(x, y, count);
}

} // namespace orvbeat
