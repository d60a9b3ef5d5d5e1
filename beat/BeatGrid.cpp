#include "beat/BeatGrid.h"

#include <algorithm>
#include <cmath>

namespace orvbeat
{

namespace
{

// Carries an interval to the grid line nearest `location`.
void carry(double& lo, double& hi, double location, double length, double drift)
{
    const double beats = std::round((location - 0.5 * (lo + hi)) / length);
    lo += beats * length - std::fabs(beats) * drift;
    hi += beats * length + std::fabs(beats) * drift;
}

bool overlaps(double lo, double hi, double before, double at)
{
    return lo <= at && hi >= before;
}

} // namespace

void BeatGrid::moveBase(double newBase, double length)
{
    shift += std::round((newBase - base) / length);
    base = newBase;
}

void BeatGrid::startAt(double location, double length)
{
    if (std::isfinite(location) && length > 0.0)
        moveBase(location, length);
}

bool BeatGrid::addBoundary(double before, double at, double length, double drift, bool exactLength)
{
    if (!(at > before) || !(length > 0.0) || !std::isfinite(before) || !std::isfinite(at))
        return false;
    const double middle = 0.5 * (before + at);
    ++boundaries;

    const bool wasAnchored = anchoredAlive && exactLength;
    if (wasAnchored)
    {
        const double line = std::round(middle / length) * length;
        const double tolerance = 1e-6 * length; // rounding of the length, not timing
        anchoredAlive = line > before - tolerance && line <= at + tolerance;
    }

    bool agrees = false;
    if (!feasible.valid)
    {
        feasible = Interval{before, at, true};
        agrees = true;
    }
    else
    {
        carry(feasible.lo, feasible.hi, middle, length, drift);
        if (overlaps(feasible.lo, feasible.hi, before, at))
        {
            feasible.lo = std::max(feasible.lo, before);
            feasible.hi = std::min(feasible.hi, at);
            candidate.valid = false;
            agrees = true;
        }
        else
        {
            if (candidate.valid)
                carry(candidate.lo, candidate.hi, middle, length, drift);
            if (candidate.valid && overlaps(candidate.lo, candidate.hi, before, at))
            {
                feasible =
                    Interval{std::max(candidate.lo, before), std::min(candidate.hi, at), true};
                candidate.valid = false;
            }
            else
            {
                candidate = Interval{before, at, true};
            }
        }
    }

    if (anchoredAlive && exactLength)
    {
        moveBase(0.0, length);
        return true;
    }
    moveBase(0.5 * (feasible.lo + feasible.hi), length);
    return agrees && !wasAnchored;
}

} // namespace orvbeat
