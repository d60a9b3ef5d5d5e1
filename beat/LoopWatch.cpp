#include "beat/LoopWatch.h"

#include <algorithm>
#include <cmath>

namespace orvbeat
{

namespace
{

// The played stretch matches the jump back within this share of it, plus this many beats (the
// two Positions each lie up to a send interval from the jump).
constexpr double kMatchShare = 0.2;
constexpr double kMatchBeats = 0.05;
// Played this many beats past the loop's end without jumping back: the deck left the loop.
constexpr double kLeftLoopBeats = 0.5;
// Loop lengths shown: powers of two between these.
constexpr double kShortestLoop = 1.0 / 32.0;
constexpr double kLongestLoop = 64.0;
// Jumps beyond this many beats are no jump within a track.
constexpr double kMostBeats = 1e7;

double nearestPowerOfTwo(double beats)
{
    const double clamped = std::clamp(beats, kShortestLoop, kLongestLoop);
    return std::exp2(std::round(std::log2(clamped)));
}

} // namespace

void LoopWatch::jumped(TrackSeconds from, TrackSeconds to, TrackSeconds beatLength)
{
    pulse_ = true;
    if (!(beatLength.value > 0.0) || !isFinite(from) || !isFinite(to))
    {
        jumpBeats_ = 0.0;
        landing_.reset();
        lastWentBack_ = false;
        loopBeats_ = 0.0;
        return;
    }
    const double beats = std::clamp((to - from) / beatLength, -kMostBeats, kMostBeats);
    jumpBeats_ = beats;
    const bool back = beats < 0.0;
    bool repeats = false;
    if (back && lastWentBack_ && landing_)
    {
        const double played = (from - *landing_) / beatLength;
        repeats = played > 0.0 && std::fabs(played + beats) <= kMatchShare * -beats + kMatchBeats;
    }
    loopBeats_ = repeats ? -beats : 0.0;
    loopShown_ = repeats ? nearestPowerOfTwo(-beats) : 0.0;
    landing_ = to;
    lastWentBack_ = back;
}

LoopFrame LoopWatch::update(TrackSeconds position, TrackSeconds beatLength)
{
    LoopFrame frame;
    frame.jumpPulse = pulse_ ? 1.0 : 0.0;
    pulse_ = false;
    frame.jumpBeats = jumpBeats_;
    if (loopBeats_ > 0.0 && landing_ && beatLength.value > 0.0 &&
        (position - *landing_) / beatLength > loopBeats_ + kLeftLoopBeats)
    {
        loopBeats_ = 0.0; // played on past the loop's end
        loopShown_ = 0.0;
    }
    frame.looping = loopBeats_ > 0.0 ? 1.0 : 0.0;
    frame.loopBeats = loopShown_;
    return frame;
}

} // namespace orvbeat
