#include "beat/SampleOrder.h"

#include <cmath>

namespace orvbeat
{

SampleVerdict SampleOrder::take(const DeckSample& sample)
{
    // A Position that is no number cannot be ordered; the clock ignores it anyway.
    if (!std::isfinite(sample.position))
        return SampleVerdict::Next;
    // For a while after a seek back, a datagram sent before it may still come: far ahead of
    // the new line, about where the deck was (a little past the newest sample seen there, when
    // it was sent just before the seek). It is late, not a seek forward.
    if (hasAbandoned_ && sample.arrivalSeconds() - secondsOf(seekArrivalNs_) > stragglerSeconds)
        hasAbandoned_ = false;
    // A datagram sent before the seek lies near the newest one seen then; one further ahead is
    // the old line going on (the jump was a glitch), one far behind is the sender's next.
    if (hasAbandoned_ && sample.position - newest_.position > 0.5 * seekAtOnce &&
        sample.position <= abandoned_.position + stragglerAhead &&
        sample.position >= abandoned_.position - stragglerSeconds)
        return SampleVerdict::Late;
    if (!hasNewest_ || !(sample.position < newest_.position))
    {
        newest_ = sample;
        hasNewest_ = true;
        hasHeld_ = false; // whatever was held was only late: the sender's line goes on
        return SampleVerdict::Next;
    }
    if (newest_.position - sample.position > seekAtOnce)
    {
        abandoned_ = newest_;
        hasAbandoned_ = true;
        seekArrivalNs_ = sample.arrivalNs;
        newest_ = sample;
        hasHeld_ = false;
        seekHasStart_ = false;
        return SampleVerdict::Seek;
    }
    if (!hasHeld_)
    {
        held_ = sample;
        hasHeld_ = true;
        return SampleVerdict::Held;
    }
    if (sample.position < held_.position)
        return SampleVerdict::Late; // older than the held one: lateness, not a line
    if (sample.arrivalSeconds() - held_.arrivalSeconds() < seekConfirmSeconds)
        return SampleVerdict::Held;
    newest_ = sample;
    hasHeld_ = false;
    seekHasStart_ = true;
    return SampleVerdict::Seek;
}

} // namespace orvbeat
