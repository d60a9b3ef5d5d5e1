#include "beat/RateFit.h"

namespace orvbeat::detail
{

namespace
{
double cross(double ox, double oy, double ax, double ay, double bx, double by)
{
    return (ax - ox) * (by - oy) - (ay - oy) * (bx - ox);
}
} // namespace

double fitHull(const double* x, const double* y, int count)
{
    // Lower hull of (position, arrival), positions increasing; the line below all points with the
    // least summed distance to them is the hull edge above their mean position.
    int hull[kMostFitPoints];
    int size = 0;
    double sumX = 0.0;
    for (int i = 0; i < count; ++i)
    {
        sumX += x[i];
        while (size >= 2 && cross(x[hull[size - 2]], y[hull[size - 2]], x[hull[size - 1]],
                                  y[hull[size - 1]], x[i], y[i]) <= 0.0)
        {
            --size;
        }
        hull[size++] = i;
    }
    const double meanX = sumX / count;
    for (int j = 0; j + 1 < size; ++j)
    {
        if (x[hull[j + 1]] < meanX && j + 2 < size)
            continue;
        const double run = x[hull[j + 1]] - x[hull[j]];
        const double slope = run > 0.0 ? (y[hull[j + 1]] - y[hull[j]]) / run : 0.0;
        return slope > 0.0 ? 1.0 / slope : 0.0;
    }
    return 0.0;
}

} // namespace orvbeat::detail
