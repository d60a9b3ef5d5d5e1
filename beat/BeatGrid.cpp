#include "beat/BeatGrid.h"

#include <algorithm>
#include <cmath>
#include <limits>

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
    shift_ += std::round((newBase - base_) / length);
    base_ = newBase;
}

double BeatGrid::uncertainty() const
{
    if (anchoredAlive_ && anchoredUsed_)
        return 0.0;
    return feasible_.valid ? feasible_.hi - feasible_.lo : std::numeric_limits<double>::infinity();
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
    ++boundaries_;

    const bool wasAnchored = anchoredAlive_ && exactLength;
    if (wasAnchored)
    {
        const double line = std::round(middle / length) * length;
        const double tolerance = 1e-6 * length; // rounding of the length, not timing
        anchoredAlive_ = line > before - tolerance && line <= at + tolerance;
    }

    bool agrees = false;
    if (!feasible_.valid)
    {
        feasible_ = Interval{before, at, true};
        agrees = true;
    }
    else
    {
        carry(feasible_.lo, feasible_.hi, middle, length, drift);
        if (overlaps(feasible_.lo, feasible_.hi, before, at))
        {
            feasible_.lo = std::max(feasible_.lo, before);
            feasible_.hi = std::min(feasible_.hi, at);
            candidate_.valid = false;
            agrees = true;
        }
        else
        {
            if (candidate_.valid)
                carry(candidate_.lo, candidate_.hi, middle, length, drift);
            if (candidate_.valid && overlaps(candidate_.lo, candidate_.hi, before, at))
            {
                feasible_ =
                    Interval{std::max(candidate_.lo, before), std::min(candidate_.hi, at), true};
                candidate_.valid = false;
            }
            else
            {
                candidate_ = Interval{before, at, true};
            }
        }
    }

    anchoredUsed_ = anchoredAlive_ && exactLength;
    if (anchoredUsed_)
    {
        moveBase(0.0, length);
        return true;
    }
    moveBase(0.5 * (feasible_.lo + feasible_.hi), length);
    // The learned grid ran beside the anchored one from the first bracket on, so the bracket
    // that ends the anchored grid can agree with it at once.
    return agrees;
}

} // namespace orvbeat
