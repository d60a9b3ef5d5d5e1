#include "beat/ObservedTempo.h"

#include <cmath>

namespace orvbeat
{

void ObservedTempo::add(double location)
{
    if (!std::isfinite(location))
        return;
    if (count_ > 0 && !(location > boundaries_[count_ - 1]))
        breakStretch();
    if (count_ == maxSpacings + 1)
    {
        for (int i = 1; i <= maxSpacings; ++i)
            boundaries_[i - 1] = boundaries_[i];
        --count_;
    }
    boundaries_[count_++] = location;
    fit();
}

double ObservedTempo::beatLength(double shortest, double longest, int& used) const
{
    const bool inRange = fitted_ >= shortest && fitted_ <= longest;
    used = inRange ? fittedSpacings_ : 0;
    return inRange ? fitted_ : 0.0;
}

void ObservedTempo::fit()
{
    // A stretch too short to judge keeps the length of the stretch before it.
    if (count_ < spacings + 1)
        return;
    fitted_ = 0.0;
    fittedSpacings_ = 0;
    const int newest = count_ - 1;
    const double mean = (boundaries_[newest] - boundaries_[newest - spacings]) / spacings;
    if (!(mean > 0.0))
        return;
    int oldest = newest;
    while (oldest > 0 &&
           std::fabs(boundaries_[oldest] - boundaries_[oldest - 1] - mean) <= spread * mean)
        --oldest;
    if (newest - oldest < spacings)
        return;
    // Least squares over the run: each boundary is off by up to half a bracket, and a fit
    // keeps that error from piling up the way the two end points alone would.
    const int n = newest - oldest + 1;
    const double middleIndex = 0.5 * (n - 1);
    double middleLocation = 0.0;
    for (int i = 0; i < n; ++i)
        middleLocation += (boundaries_[oldest + i] - boundaries_[oldest]) / n;
    double covariance = 0.0;
    double variance = 0.0;
    for (int i = 0; i < n; ++i)
    {
        covariance +=
            (i - middleIndex) * (boundaries_[oldest + i] - boundaries_[oldest] - middleLocation);
        variance += (i - middleIndex) * (i - middleIndex);
    }
    fittedSpacings_ = n - 1;
    fitted_ = covariance / variance;
}

} // namespace orvbeat
