#include "beat/PositionStep.h"

#include <algorithm>
#include <cmath>

namespace orvbeat
{

namespace
{
// A coarse Position is a whole number of steps (audio frames counted), so its moves are whole
// multiples of the step to the last digits; an exact one moves with its sender's timer, which
// never lands on whole multiples like that.
constexpr double multipleTolerance = 1e-6; // of the step
constexpr double severalShare = 0.3;       // of the moves, several steps long
constexpr double wholeShare = 0.9;         // of the moves, whole multiples of the step
constexpr int estimateEvery = 8;
} // namespace

void PositionStep::add(double move)
{
    if (!(move > 0.0) || !std::isfinite(move))
        return;
    moves_[next_] = move;
    next_ = (next_ + 1) % moves;
    count_ = std::min(count_ + 1, moves);
    // A sender's step does not change from one datagram to the next: looked at now and then.
    if (count_ >= movesToTell && next_ % estimateEvery == 0)
        estimate();
}

void PositionStep::estimate()
{
    const double least = *std::min_element(moves_, moves_ + count_);
    int whole = 0;
    int several = 0;
    for (int i = 0; i < count_; ++i)
    {
        const double multiple = std::round(moves_[i] / least);
        if (std::fabs(moves_[i] - multiple * least) <= multipleTolerance * least)
        {
            ++whole;
            several += multiple >= 2.0;
        }
    }
    step_ = whole >= wholeShare * count_ && several >= severalShare * count_ ? least : 0.0;
}

} // namespace orvbeat
