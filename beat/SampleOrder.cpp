#include "beat/SampleOrder.h"

#include <cmath>

namespace orvbeat
{

SampleVerdict SampleOrder::take(const DeckSample& sample)
{
    // A Position that is no number cannot be ordered; the clock ignores it anyway.
    if (!std::isfinite(sample.position))
        return SampleVerdict::Next;
    // For a while after a large seek, a datagram sent before it may still come: far from the
    // new line, about where the deck was (a little past the newest sample seen there, when it
    // was sent just before the seek). It is late, not another seek.
    if (hasAbandoned_ && sample.arrivalSeconds() - secondsOf(seekArrivalNs_) > stragglerSeconds)
        hasAbandoned_ = false;
    // A datagram sent before the seek lies near the newest one seen then; one further ahead is
    // the old line going on (the jump was a glitch), one far behind is the sender's next.
    if (hasAbandoned_ && std::fabs(sample.position - newest_.position) > 0.5 * seekAtOnce &&
        sample.position <= abandoned_.position + stragglerAhead &&
        sample.position >= abandoned_.position - stragglerSeconds)
        return SampleVerdict::Late;
    if (!hasNewest_ || !(sample.position < newest_.position))
    {
        if (hasNewest_ && sample.position - newest_.position > seekAtOnce)
            abandon(sample);
        newest_ = sample;
        hasNewest_ = true;
        heldCount_ = 0; // whatever was held was only late: the sender's line goes on
        return SampleVerdict::Next;
    }
    if (newest_.position - sample.position > seekAtOnce)
    {
        abandon(sample);
        newest_ = sample;
        heldCount_ = 0;
        seekHasStart_ = false;
        return SampleVerdict::Seek;
    }
    // Behind the held ones: they were only late, or this one starts the seek; held anew.
    if (heldCount_ > 0 && sample.position < held_[0].position)
        heldCount_ = 0;
    if (heldCount_ == 0 || sample.arrivalSeconds() - held_[0].arrivalSeconds() < seekConfirmSeconds)
    {
        hold(sample);
        return SampleVerdict::Held;
    }
    newest_ = sample;
    seekHasStart_ = true;
    return SampleVerdict::Seek;
}

void SampleOrder::abandon(const DeckSample& seekSample)
{
    abandoned_ = newest_;
    hasAbandoned_ = true;
    seekArrivalNs_ = seekSample.arrivalNs;
}

void SampleOrder::hold(const DeckSample& sample)
{
    if (heldCount_ == kMostHeld)
        return; // a burst: the first few place the new line as well as all of them
    int place = heldCount_++;
    for (; place > 0 && held_[place - 1].position > sample.position; --place)
        held_[place] = held_[place - 1];
    held_[place] = sample;
}

} // namespace orvbeat
