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
// Once this many moves share a step, a move off it is odd until this many come in a row.
constexpr int kMovesBeforeOdd = 8;
constexpr int kOddMovesToCollapse = 3;

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

} // namespace

void PositionStep::startOver()
{
    divisor_ = 0.0;
    firstMove_ = 0.0;
    variedMoves_ = false;
    moves_ = 0;
    oddMoves_ = 0;
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
        startOver();
    }
    if (moves_ == 0)
    {
        firstMove_ = length;
        divisor_ = length;
    }
    else
    {
        const double divisor = divisor_ > 0.0 ? realDivisor(divisor_, length) : 0.0;
        // A move off the steps that have held so far (from a position the deck stood at, say)
        // is one odd move; only odd moves that keep coming show a Position read at send time.
        if (divisor < kShortestStep && divisor_ >= kShortestStep && moves_ >= kMovesBeforeOdd &&
            ++oddMoves_ < kOddMovesToCollapse)
        {
            return;
        }
        oddMoves_ = 0;
        variedMoves_ = variedMoves_ || std::fabs(length - firstMove_) > kTolerance;
        divisor_ = divisor;
    }
    ++moves_;
    if (moves_ >= movesToTell && variedMoves_)
    {
        step_ = TrackSeconds(divisor_ >= kShortestStep ? divisor_ : 0.0);
        decided_ = true;
    }
}

} // namespace orvbeat
