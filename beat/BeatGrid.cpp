#include "beat/BeatGrid.h"

#include <algorithm>
#include <cmath>

namespace orvbeat
{

namespace
{
// A candidate length that moved by less than this share is the same length (a BPM sent as a
// 32-bit float, or recomputed from a pitch that moves, wobbles in its last digits).
constexpr double kSameLength = 1e-6;
// A longer candidate still fitting by this share leaves the length unsettled (twice the length).
constexpr double kLongerShare = 1.25;
// A suspect and a bracket this share of a beat apart hold different lines.
constexpr double kOtherLine = 0.4;

TrackSeconds middleOf(TrackSeconds a, TrackSeconds b)
{
    return (a + b) * 0.5;
}
} // namespace

void BeatGrid::setTempo(const TempoReading& reading, PitchConvention preferred)
{
    for (int i = 0; i < kTempoCandidates; ++i)
    {
        const TrackSeconds length = candidateLength(kCandidates[i], reading);
        const TrackSeconds held = candidates_[i].length();
        if (!(length.value > 0.0))
        {
            if (held.value > 0.0)
                candidates_[i].reset(TrackSeconds(0.0));
            alive_[i] = false;
        }
        else if (!(held.value > 0.0) || std::fabs(length / held - 1.0) > kSameLength)
        {
            candidates_[i].reset(length);
            alive_[i] = true;
        }
    }
    preferred_ = preferred;
    choose();
}

BeatGrid::Kind BeatGrid::kindInUse() const
{
    for (Kind kind : {Kind::Plain, Kind::Multiple})
    {
        for (int i = 0; i < kTempoCandidates; ++i)
        {
            if (inUse(i, kind))
                return kind;
        }
    }
    return measured_.started() ? Kind::Measured : Kind::None;
}

bool BeatGrid::inUse(int candidate, Kind kind) const
{
    if (!alive_[candidate] || !candidates_[candidate].placed())
        return false;
    return kind == Kind::Plain ? isPlain(candidate) : kind == Kind::Multiple && !isPlain(candidate);
}

bool BeatGrid::fitsKind(Kind kind, TrackSeconds before, TrackSeconds after) const
{
    if (kind == Kind::Measured)
        return measured_.fits(before, after);
    long long index = 0;
    for (int i = 0; i < kTempoCandidates; ++i)
    {
        if (inUse(i, kind) && candidates_[i].agrees(before, after, index))
            return true;
    }
    return false;
}

void BeatGrid::take(TrackSeconds before, TrackSeconds after)
{
    for (int i = 0; i < kTempoCandidates; ++i)
    {
        if (alive_[i] && !candidates_[i].add(before, after))
            alive_[i] = false; // the boundaries refute this length
    }
    if (!measured_.add(before, after))
    {
        measured_.reset();
        measured_.add(before, after);
    }
}

void BeatGrid::startAgain()
{
    for (int i = 0; i < kTempoCandidates; ++i)
    {
        const TrackSeconds length = candidates_[i].length();
        candidates_[i].reset(length);
        alive_[i] = length.value > 0.0;
    }
    measured_.reset();
    ++generation_;
}

bool BeatGrid::addBracket(TrackSeconds before, TrackSeconds after, long long& line)
{
    if (!(after > before) || !isFinite(before) || !isFinite(after))
        return false;
    const Kind kind = kindInUse();
    if (kind == Kind::None || fitsKind(kind, before, after))
    {
        if (kind == Kind::None)
            ++generation_;
        take(before, after);
        hasSuspect_ = false;
        choose();
        line = lineNumber(before, after);
        return true;
    }
    const GridEstimate now = estimate(middleOf(before, after));
    const bool otherLine =
        hasSuspect_ && abs(middleOf(before, after) - middleOf(suspectBefore_, suspectAfter_)) >=
                           now.length * kOtherLine;
    if (!otherLine)
    {
        hasSuspect_ = true; // noise, or the first sign that the lines moved
        suspectBefore_ = before;
        suspectAfter_ = after;
        return false;
    }
    // Two brackets on two lines that the grid does not hold: the lines moved. The grid starts
    // again from both when they agree with each other, else from the newer alone.
    startAgain();
    take(suspectBefore_, suspectAfter_);
    const Kind fresh = kindInUse();
    if (!fitsKind(fresh, before, after))
        startAgain();
    take(before, after);
    hasSuspect_ = false;
    choose();
    line = lineNumber(before, after);
    return true;
}

void BeatGrid::choose()
{
    const Kind kind = kindInUse();
    bool usable[kTempoCandidates] = {};
    for (int i = 0; i < kTempoCandidates; ++i)
        usable[i] = kind == Kind::None ? alive_[i] && isPlain(i) : inUse(i, kind);
    const int chosen = kind == Kind::Measured ? -1 : chooseCandidate(usable, preferred_);
    if (kind != Kind::None && (chosen != chosen_ || kind != chosenKind_))
        ++generation_; // another candidate numbers the lines from its own first bracket
    chosen_ = chosen;
    chosenKind_ = kind;
}

long long BeatGrid::lineNumber(TrackSeconds before, TrackSeconds after) const
{
    long long index = 0;
    if (chosenKind_ == Kind::Measured)
        measured_.lineOf(middleOf(before, after).value, index);
    else if (chosen_ >= 0)
        candidates_[chosen_].agrees(before, after, index);
    return index;
}

TrackSeconds BeatGrid::bpmLength() const
{
    return chosen_ >= 0 ? candidates_[chosen_].length() : TrackSeconds(0.0);
}

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
