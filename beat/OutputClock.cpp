#include "beat/OutputClock.h"

#include <cmath>

namespace orvbeat
{

void OutputClock::renumber(double modelPhase, unsigned generation)
{
    if (generation == generation_)
        return;
    generation_ = generation;
    // The whole number that brings the model within (-1/2, 1/2] of the visible phase.
    offset_ = std::ceil(phase_ - modelPhase - 0.5);
}

bool OutputClock::follow(double modelPhase, unsigned generation)
{
    if (!std::isfinite(modelPhase))
        return false;
    if (!started_)
    {
        started_ = true;
        generation_ = generation;
        offset_ = 0.0;
        phase_ = modelPhase;
        split();
        return false;
    }
    renumber(modelPhase, generation);
    const double target = modelPhase + offset_;
    if (!std::isfinite(target))
        return false;
    const double beat = std::floor(target);
    if (beat > index_)
    {
        phase_ = target;
        split();
        pulsed_ = true;
        return true;
    }
    if (beat == index_ && target > phase_)
    {
        phase_ = target;
        split();
    }
    return false;
}

bool OutputClock::jumpTo(double modelPhase, unsigned generation)
{
    if (!std::isfinite(modelPhase))
        return false;
    if (!started_ || generation != generation_)
    {
        generation_ = generation;
        offset_ = started_ ? std::round(phase_ - modelPhase) : 0.0;
    }
    const bool hadPulse = started_ && pulsed_;
    const double sincePulse = ramp_;
    started_ = true;
    const double target = modelPhase + offset_;
    if (!std::isfinite(target))
        return false;
    phase_ = target;
    split();
    if (!(ramp_ < startOfBeat))
    {
        pulsed_ = false;
        return false;
    }
    // The beat it lands in began no later than the last pulse (a cue a whole number of beats
    // back, seen only after the old line's next boundary): that pulse was its start.
    if (hadPulse && sincePulse <= ramp_ + samePulse)
        return false;
    pulsed_ = true;
    return true;
}

void OutputClock::split()
{
    index_ = std::floor(phase_);
    ramp_ = phase_ - index_;
    // A phase a hair below a whole number can round to a ramp of exactly 1.
    if (!(ramp_ < 1.0))
    {
        ramp_ = 0.0;
        index_ += 1.0;
    }
    if (!(ramp_ >= 0.0))
        ramp_ = 0.0;
}

} // namespace orvbeat
