// The grid's estimate: the lines around a position, as wide as every candidate in use allows.
#include "beat/BeatGrid.h"

#include <algorithm>
#include <cmath>

namespace orvbeat
{

void BeatGrid::lineUnion(TrackSeconds near, TrackSeconds& low, TrackSeconds& high) const
{
    bool any = false;
    for (int i = 0; i < kTempoCandidates; ++i)
    {
        if (!inUse(i, chosenKind_))
            continue;
        const LineInterval& c = candidates_[i];
        const double lines = std::round((near - middleOf(c.low(0), c.high(0))) / c.length());
        const long long k = std::isfinite(lines) ? static_cast<long long>(lines) : 0;
        low = any ? std::min(low, c.low(k)) : c.low(k);
        high = any ? std::max(high, c.high(k)) : c.high(k);
        any = true;
    }
}

GridEstimate BeatGrid::estimate(TrackSeconds position) const
{
    GridEstimate e;
    e.generation = generation_;
    e.length = bpmLength();
    if (chosenKind_ == Kind::None || (chosenKind_ != Kind::Measured && chosen_ < 0))
        return e;
    e.placed = true;
    e.brackets =
        chosenKind_ == Kind::Measured ? measured_.brackets() : candidates_[chosen_].brackets();
    TrackSeconds low[2];
    TrackSeconds high[2];
    if (chosenKind_ == Kind::Measured)
    {
        e.length = measured_.length();
        TrackSeconds nearLow;
        TrackSeconds nearHigh;
        e.index = measured_.lineNear(position, nearLow, nearHigh);
        if (position < middleOf(nearLow, nearHigh))
            --e.index;
        measured_.extent(e.index, low[0], high[0]);
        measured_.extent(e.index + 1, low[1], high[1]);
    }
    else
    {
        const LineInterval& c = candidates_[chosen_];
        e.narrowestBracket = c.narrowest();
        e.index = c.lineAtOrBefore(position);
        lineUnion(middleOf(c.low(e.index), c.high(e.index)), low[0], high[0]);
        lineUnion(middleOf(c.low(e.index + 1), c.high(e.index + 1)), low[1], high[1]);
    }
    e.line = middleOf(low[0], high[0]);
    e.width = std::max(high[0] - low[0], high[1] - low[1]);
    e.settled = true;
    for (int i = 0; i < kTempoCandidates; ++i)
    {
        if (alive_[i] && candidates_[i].placed() &&
            candidates_[i].length() > e.length * kLongerShare)
        {
            e.settled = false;
        }
    }
    return e;
}

} // namespace orvbeat
