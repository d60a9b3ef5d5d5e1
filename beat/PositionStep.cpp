#include "beat/PositionStep.h"

#include <cmath>

namespace orvbeat
{

namespace
{

// A remainder this small is rounding, not a move of its own: positions of a few hundred seconds
// carry about 1e-13 s of rounding, a sender that adds up buffer lengths a little more.
constexpr double kTolerance = 1e-7;
// A divisor below this is no step any sender counts in (a sample at 48 kHz is 20.8 us): the
// Position is exact.
constexpr double kShortestStep = 1e-5;
// Moves longer than this are a jump, not a step.
constexpr double kLongestMove = 0.5;
// A pitch that moved by more than this changed the step in track seconds.
constexpr double kPitchChange = 1e-6;

// The greatest common divisor of two positive reals, to kTolerance (0 when it falls below it).
double realDivisor(double a, double b)
{
    while (b > kTolerance)
    {
        const double remainder = std::fabs(a - b * std::round(a / b));
        a = b;
        b = remainder;
    }
    return a > kTolerance ? a : 0.0;
}

bool isMultiple(double value, double of)
{
    return of > 0.0 && std::fabs(value - of * std::round(value / of)) <= kTolerance;
}

} // namespace

double PositionStep::divisorWithout(int left, int& collapsedAt) const
{
    double divisor = 0.0;
    for (int i = 0; i < count_; ++i)
    {
        if (i == left)
            continue;
        divisor = divisor > 0.0 ? realDivisor(divisor, moves_[i]) : moves_[i];
        if (divisor < kShortestStep)
        {
            collapsedAt = i;
            return 0.0;
        }
    }
    return divisor;
}

void PositionStep::add(TrackSeconds move, double pitch)
{
    const double length = move.value;
    if (!(length > 0.0) || !(length < kLongestMove))
        return;
    if (std::isfinite(pitch) && std::fabs(pitch - pitch_) > kPitchChange * std::fabs(pitch_))
    {
        // The step in track seconds moved with the speed: what was decided holds until the new
        // speed's moves decide again.
        pitch_ = pitch;
        count_ = 0;
    }
    moves_[next_] = length;
    next_ = (next_ + 1) % movesToTell;
    if (count_ < movesToTell)
        ++count_;
    if (count_ < movesToTell)
        return;
    // The divisors are the costly part of a sample. A move of whole steps leaves a decided step
    // as it is (it only ever gets finer); a Position found exact is looked at again once a
    // window of moves has gone by.
    if (decided_ && step_.value > 0.0 && isMultiple(length, step_.value))
        return;
    if (decided_ && step_.value == 0.0 && ++sinceExact_ < movesToTell)
        return;
    sinceExact_ = 0;
    bool varied = false;
    for (int i = 1; i < count_; ++i)
        varied = varied || std::fabs(moves_[i] - moves_[0]) > kTolerance;
    if (!varied)
        return; // every move alike: a step as long as the send interval, or none
    // One odd move (from where the deck stood, or straddling a change of speed) is left out.
    // Leaving out a move after the one where all of them collapse collapses there again.
    int collapsedAt = count_;
    double divisor = divisorWithout(-1, collapsedAt);
    for (int left = 0; divisor == 0.0 && left <= collapsedAt && left < count_; ++left)
    {
        int ignored = 0;
        divisor = divisorWithout(left, ignored);
    }
    // A sender's Position does not turn exact: moves whose divisor collapses after a step was
    // found straddle a change of speed. A divisor that only shows a multiple of the step decided
    // before keeps the finer step.
    if (decided_ && step_.value > 0.0 && (divisor == 0.0 || isMultiple(divisor, step_.value)))
        return;
    step_ = TrackSeconds(divisor);
    decided_ = true;
}

} // namespace orvbeat
