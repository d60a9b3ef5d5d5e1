#include "beat/BeatGrid.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace orvbeat
{

namespace
{
// A candidate length that moved by less than this share is the same length (a BPM sent as a
// 32-bit float, or recomputed from a pitch that moves, wobbles in its last digits).
constexpr double kSameLength = 1e-6;
// A suspect and a bracket this share of a beat apart hold different lines.
constexpr double kOtherLine = 0.4;
// A convention stands against the other once this many brackets fit it.
constexpr int kBracketsToSettle = 3;
} // namespace

void BeatGrid::startTrack()
{
    const bool out[2] = {conventionOut_[0], conventionOut_[1]};
    const PitchConvention preferred = preferred_;
    reset();
    conventionOut_[0] = out[0];
    conventionOut_[1] = out[1];
    preferred_ = preferred;
}

bool BeatGrid::possible(int candidate) const
{
    return candidates_[candidate].length().value > 0.0 &&
           !conventionOut_[static_cast<int>(kCandidates[candidate].convention)];
}

void BeatGrid::setTempo(const TempoReading& reading, PitchConvention preferred)
{
    // The same reading again changes nothing (every change since was followed by its own
    // refutations and choice): most frames and samples bring the tempo they had.
    if (readingHeld_ && reading.bpm == lastReading_.bpm && reading.pitch == lastReading_.pitch &&
        reading.rate.trackPerHost == lastReading_.rate.trackPerHost && preferred == preferred_)
        return;
    readingHeld_ = true;
    lastReading_ = reading;
    TrackSeconds lengths[kTempoCandidates];
    bool moved[kTempoCandidates] = {};
    bool anySteady = false;
    for (int i = 0; i < kTempoCandidates; ++i)
    {
        lengths[i] = candidateLength(kCandidates[i], reading);
        const TrackSeconds held = candidates_[i].length();
        moved[i] = !(held.value > 0.0) || !(lengths[i].value > 0.0) ||
                   std::fabs(lengths[i] / held - 1.0) > kSameLength;
        anySteady = anySteady || (!moved[i] && alive_[i] && candidates_[i].placed());
    }
    for (int i = 0; i < kTempoCandidates; ++i)
    {
        if (!moved[i])
            continue;
        Shelved& shelf = shelved_[i];
        const bool returned = shelf.interval.placed() && lengths[i].value > 0.0 &&
                              std::fabs(lengths[i] / shelf.interval.length() - 1.0) <= kSameLength;
        if (i == chosen_)
            ++generation_; // the lines it numbers change
        if (returned)
        {
            // BPM is back at a length that was placed (after noise, say): so are its lines.
            std::swap(shelf.interval, candidates_[i]);
            std::swap(shelf.alive, alive_[i]);
            continue;
        }
        // A shelf keeps the best-placed lines: a length that came and went on fewer brackets
        // (noise in BPM) does not replace them.
        if (candidates_[i].placed() && candidates_[i].brackets() >= shelf.interval.brackets())
            shelf = Shelved{candidates_[i], alive_[i]};
        candidates_[i].reset(lengths[i]);
        // A length that moves while another stays (the pitch moved, and BPM with it or not)
        // would mean the track's own tempo changed just then: that reading of BPM is refuted.
        alive_[i] = possible(i) && !anySteady;
    }
    preferred_ = preferred;
    noteRefutations();
    choose();
}

void BeatGrid::noteRefutations()
{
    // One convention's plain length refuted while the other's stands on enough brackets: the
    // sender counts BPM the other way, on this track and the next.
    for (int i = 0; i < kTempoCandidates; ++i)
    {
        for (int j = 0; j < kTempoCandidates; ++j)
        {
            if (isPlain(i) && isPlain(j) && i != j && !alive_[i] && alive_[j] &&
                candidates_[j].brackets() >= kBracketsToSettle && candidates_[i].placed())
            {
                conventionOut_[static_cast<int>(kCandidates[i].convention)] = true;
            }
        }
    }
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
    noteRefutations();
}

void BeatGrid::startAgain()
{
    for (int i = 0; i < kTempoCandidates; ++i)
    {
        candidates_[i].reset(candidates_[i].length());
        alive_[i] = possible(i);
    }
    measured_.reset();
    ++generation_;
}

TrackSeconds BeatGrid::lengthInUse() const
{
    if (chosenKind_ == Kind::Measured)
        return measured_.length();
    return bpmLength();
}

bool BeatGrid::noisy() const
{
    if (recentCount_ < kDense)
        return false;
    TrackSeconds low = recent_[0];
    TrackSeconds high = recent_[0];
    for (const TrackSeconds& middle : recent_)
    {
        low = std::min(low, middle);
        high = std::max(high, middle);
    }
    const TrackSeconds beat = lengthInUse();
    return high - low < (beat.value > 0.0 ? beat : TrackSeconds(0.3));
}

void BeatGrid::exclude(TrackSeconds from, TrackSeconds to)
{
    if (!(to > from) || !isFinite(from) || !isFinite(to) || noisy())
        return;
    // Only a length that a longer one still alive could stand for (a half of it) is judged so:
    // between lengths alike, the brackets decide.
    TrackSeconds longest;
    for (int i = 0; i < kTempoCandidates; ++i)
    {
        if (alive_[i] && candidates_[i].placed())
            longest = std::max(longest, candidates_[i].length());
    }
    for (int i = 0; i < kTempoCandidates; ++i)
    {
        const LineInterval& c = candidates_[i];
        if (!alive_[i] || !c.placed() || !(longest > c.length() * kLongerShare))
            continue;
        const double lines =
            std::round((middleOf(from, to) - middleOf(c.low(0), c.high(0))) / c.length());
        const long long k = std::isfinite(lines) ? static_cast<long long>(lines) : 0;
        if (c.low(k) >= from && c.high(k) <= to)
            alive_[i] = false; // it has a line where the Beat did not change
    }
    noteRefutations();
    choose();
}

bool BeatGrid::addBracket(TrackSeconds before, TrackSeconds after, long long& line)
{
    if (!(after > before) || !isFinite(before) || !isFinite(after))
        return false;
    std::copy(recent_ + 1, recent_ + kDense, recent_);
    recent_[kDense - 1] = middleOf(before, after);
    recentCount_ = std::min(recentCount_ + 1, kDense);
    if (noisy())
        return false;
    const Kind kind = kindInUse();
    // A bracket that only a multiple explains is no noise: the plain length is wrong.
    if (kind == Kind::None || fitsKind(kind, before, after) ||
        (kind == Kind::Plain && fitsKind(Kind::Multiple, before, after)))
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

} // namespace orvbeat
