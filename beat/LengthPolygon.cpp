#include "beat/LengthPolygon.h"

#include <algorithm>
#include <cmath>

namespace orvbeat
{

namespace
{
// Beat lengths a track can have, in track seconds (about 24 to 400 BPM).
constexpr double kShortestBeat = 0.15;
constexpr double kLongestBeat = 2.5;
// Line numbers beyond this are no beat of any track.
constexpr double kMostLines = 1e6;
} // namespace

int LengthPolygon::clip(const Vertex* in, int count, double a, double b, double c, Vertex* out)
{
    int written = 0;
    for (int i = 0; i < count; ++i)
    {
        const Vertex& p = in[i];
        const Vertex& q = in[(i + 1) % count];
        const double sp = a * p.line0 + b * p.length - c;
        const double sq = a * q.line0 + b * q.length - c;
        if (sp <= 0.0)
        {
            if (written == mostVertices)
                return -1;
            out[written++] = p;
        }
        if ((sp < 0.0 && sq > 0.0) || (sp > 0.0 && sq < 0.0))
        {
            if (written == mostVertices)
                return -1;
            const double t = sp / (sp - sq);
            out[written++] =
                Vertex{p.line0 + t * (q.line0 - p.line0), p.length + t * (q.length - p.length)};
        }
    }
    return written;
}

bool LengthPolygon::start(TrackSeconds before, TrackSeconds after)
{
    const double spacing = 0.5 * (before + after - firstBefore_ - firstAfter_).value;
    if (!(spacing >= kShortestBeat && spacing <= kLongestBeat))
    {
        firstBefore_ = before; // too close or too far: this one is the first now
        firstAfter_ = after;
        return false;
    }
    const Vertex box[4] = {{firstBefore_.value, kShortestBeat},
                           {firstAfter_.value, kShortestBeat},
                           {firstAfter_.value, kLongestBeat},
                           {firstBefore_.value, kLongestBeat}};
    Vertex lower[mostVertices];
    const int n = clip(box, 4, -1.0, -1.0, -before.value, lower);
    const int m = n >= 3 ? clip(lower, n, 1.0, 1.0, after.value, vertex_) : 0;
    vertices_ = m >= 3 ? m : 0;
    brackets_ = vertices_ > 0 ? 2 : 0;
    if (vertices_ == 0)
    {
        firstBefore_ = before;
        firstAfter_ = after;
    }
    return vertices_ > 0;
}

bool LengthPolygon::lineOf(double middle, long long& index) const
{
    double lowest = 1e300;
    double highest = -1e300;
    for (int i = 0; i < vertices_; ++i)
    {
        const double lines = (middle - vertex_[i].line0) / vertex_[i].length;
        lowest = std::min(lowest, lines);
        highest = std::max(highest, lines);
    }
    const double line = std::round(lowest);
    if (line != std::round(highest) || !(std::fabs(line) < kMostLines))
        return false; // the polygon cannot tell which line the bracket holds
    index = static_cast<long long>(line);
    return true;
}

bool LengthPolygon::add(TrackSeconds before, TrackSeconds after)
{
    if (!(after > before) || !isFinite(before) || !isFinite(after))
        return false;
    if (!hasFirst_)
    {
        firstBefore_ = before;
        firstAfter_ = after;
        hasFirst_ = true;
        return true;
    }
    if (!started())
        return start(before, after);
    Vertex both[mostVertices];
    const int m = narrowed(before, after, both);
    if (m < 3)
        return false;
    std::copy(both, both + m, vertex_);
    vertices_ = m;
    ++brackets_;
    return true;
}

bool LengthPolygon::fits(TrackSeconds before, TrackSeconds after) const
{
    Vertex both[mostVertices];
    return started() && after > before && narrowed(before, after, both) >= 3;
}

int LengthPolygon::narrowed(TrackSeconds before, TrackSeconds after, Vertex* out) const
{
    long long index = 0;
    if (!isFinite(before) || !isFinite(after) || !lineOf(0.5 * (before + after).value, index))
        return 0;
    const double k = static_cast<double>(index);
    Vertex lower[mostVertices];
    const int n = clip(vertex_, vertices_, -1.0, -k, -before.value, lower);
    return n >= 3 ? clip(lower, n, 1.0, k, after.value, out) : 0;
}

TrackSeconds LengthPolygon::length() const
{
    double shortest = 1e300;
    double longest = 0.0;
    for (int i = 0; i < vertices_; ++i)
    {
        shortest = std::min(shortest, vertex_[i].length);
        longest = std::max(longest, vertex_[i].length);
    }
    return TrackSeconds(vertices_ > 0 ? 0.5 * (shortest + longest) : 0.0);
}

void LengthPolygon::extent(long long index, TrackSeconds& low, TrackSeconds& high) const
{
    const double k = static_cast<double>(index);
    double lowest = 1e300;
    double highest = -1e300;
    for (int i = 0; i < vertices_; ++i)
    {
        const double place = vertex_[i].line0 + k * vertex_[i].length;
        lowest = std::min(lowest, place);
        highest = std::max(highest, place);
    }
    low = TrackSeconds(lowest);
    high = TrackSeconds(highest);
}

long long LengthPolygon::lineNear(TrackSeconds position, TrackSeconds& low,
                                  TrackSeconds& high) const
{
    double line0 = 0.0;
    double length = 0.0;
    for (int i = 0; i < vertices_; ++i)
    {
        line0 += vertex_[i].line0 / vertices_;
        length += vertex_[i].length / vertices_;
    }
    const double lines = length > 0.0 ? std::round((position.value - line0) / length) : 0.0;
    const long long index = std::isfinite(lines)
                                ? static_cast<long long>(std::clamp(lines, -kMostLines, kMostLines))
                                : 0;
    extent(index, low, high);
    return index;
}

} // namespace orvbeat
