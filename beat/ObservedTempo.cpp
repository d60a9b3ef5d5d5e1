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
    if (count == spacings + 1)
    {
        for (int i = 1; i <= spacings; ++i)
            boundaries[i - 1] = boundaries[i];
        --count;
    }
    boundaries[count++] = location;
}

double ObservedTempo::beatLength(double shortest, double longest) const
{
    if (count < spacings + 1)
        return 0.0;
    const double mean = (boundaries[spacings] - boundaries[0]) / spacings;
    if (!(mean >= shortest && mean <= longest))
        return 0.0;
    for (int i = 0; i < spacings; ++i)
    {
        const double spacing = boundaries[i + 1] - boundaries[i];
        if (std::fabs(spacing - mean) > spread * mean)
            return 0.0;
    }
    return mean;
}

} // namespace orvbeat
