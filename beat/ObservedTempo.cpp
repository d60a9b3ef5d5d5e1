#include "beat/ObservedTempo.h"

#include <cmath>

namespace orvbeat
{

void ObservedTempo::add(double location)
{
    if (!std::isfinite(location))
        return;
    // A boundary behind the previous one belongs to another stretch of the timeline.
    if (count > 0 && !(location > boundaries[count - 1]))
        count = 0;
    if (count == maxSpacings + 1)
    {
        for (int i = 1; i <= maxSpacings; ++i)
            boundaries[i - 1] = boundaries[i];
        --count;
    }
    boundaries[count++] = location;
    fit();
}

double ObservedTempo::beatLength(double shortest, double longest, int& used) const
{
    const bool inRange = fitted >= shortest && fitted <= longest;
    used = inRange ? fittedSpacings : 0;
    return inRange ? fitted : 0.0;
}

void ObservedTempo::fit()
{
    fitted = 0.0;
    fittedSpacings = 0;
    if (count < spacings + 1)
        return;
    const int newest = count - 1;
    const double mean = (boundaries[newest] - boundaries[newest - spacings]) / spacings;
    if (!(mean > 0.0))
        return;
    int oldest = newest;
    while (oldest > 0 &&
           std::fabs(boundaries[oldest] - boundaries[oldest - 1] - mean) <= spread * mean)
        --oldest;
    if (newest - oldest < spacings)
        return;
    // Least squares over the run: each boundary is off by up to half a bracket, and a fit
    // keeps that error from piling up the way the two end points alone would.
    const int n = newest - oldest + 1;
    const double middleIndex = 0.5 * (n - 1);
    double middleLocation = 0.0;
    for (int i = 0; i < n; ++i)
        middleLocation += (boundaries[oldest + i] - boundaries[oldest]) / n;
    double covariance = 0.0;
    double variance = 0.0;
    for (int i = 0; i < n; ++i)
    {
        covariance +=
            (i - middleIndex) * (boundaries[oldest + i] - boundaries[oldest] - middleLocation);
        variance += (i - middleIndex) * (i - middleIndex);
    }
    fittedSpacings = n - 1;
    fitted = covariance / variance;
}

} // namespace orvbeat
