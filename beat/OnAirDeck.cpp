#include "beat/OnAirDeck.h"

namespace orvbeat
{

namespace
{

// Levels read from float faders: a lead of exactly the margin is not more than it.
constexpr double marginTolerance = 1e-9;
constexpr double unknownHalfBeat = 0.25; // seconds, for a deck without a tempo

// The loudest deck other than `except`, or -1 when none has a level.
int loudestOf(const double levels[kMixerDecks], int except)
{
    int loudest = -1;
    for (int slot = 0; slot < kMixerDecks; ++slot)
    {
        if (slot != except && levels[slot] > 0.0 && (loudest < 0 || levels[slot] > levels[loudest]))
            loudest = slot;
    }
    return loudest;
}

} // namespace

int OnAirDeck::latestStarted(const OnAirClock clocks[kMixerDecks]) const
{
    int latest = -1;
    for (int slot = 0; slot < kMixerDecks; ++slot)
    {
        if (clocks[slot].playing && (latest < 0 || startedAt_[slot] > startedAt_[latest]))
            latest = slot;
    }
    return latest;
}

int OnAirDeck::wanted(const double levels[kMixerDecks], const OnAirClock clocks[kMixerDecks]) const
{
    const int loudest = loudestOf(levels, followed_);
    if (loudest < 0 && !(levels[followed_] > 0.0))
    {
        const int latest = latestStarted(clocks);
        return latest != followed_ ? latest : -1;
    }
    if (loudest >= 0 && levels[loudest] > levels[followed_] + margin + marginTolerance)
        return loudest;
    return -1;
}

int OnAirDeck::update(const double levels[kMixerDecks], const OnAirClock clocks[kMixerDecks],
                      double nowSeconds, bool& switched)
{
    switched = false;
    for (int slot = 0; slot < kMixerDecks; ++slot)
    {
        if (clocks[slot].playing && !wasPlaying_[slot])
            startedAt_[slot] = nowSeconds;
        wasPlaying_[slot] = clocks[slot].playing;
    }

    if (followed_ < 0)
    {
        const int loudest = loudestOf(levels, -1);
        const int latest = latestStarted(clocks);
        followed_ = loudest >= 0 ? loudest : latest >= 0 ? latest : 0;
        return followed_;
    }

    if (!clocks[followed_].playing)
    {
        // The followed deck stopped: the next one is chosen at once, and shows from its next
        // boundary on; until then the stopped deck's channels hold.
        if (!decided_ || !clocks[candidate_].playing)
        {
            const int loudest = loudestOf(levels, followed_);
            const int next = loudest >= 0 ? loudest : latestStarted(clocks);
            if (next < 0)
                return followed_; // nothing plays: the followed clock holds
            candidate_ = next;
            decided_ = true;
        }
    }
    else
    {
        const int want = wanted(levels, clocks);
        if (want != candidate_ && !decided_)
        {
            candidate_ = want;
            leadingSince_ = nowSeconds;
        }
        if (candidate_ >= 0 && !decided_)
        {
            const double bpm = clocks[candidate_].bpm;
            const double halfBeat = bpm > 0.0 ? 30.0 / bpm : unknownHalfBeat;
            decided_ = nowSeconds - leadingSince_ >= halfBeat;
        }
    }
    if (decided_ && !clocks[candidate_].playing)
    {
        candidate_ = -1;
        decided_ = false;
    }
    if (decided_ && clocks[candidate_].pulse)
    {
        followed_ = candidate_;
        candidate_ = -1;
        decided_ = false;
        switched = true;
    }
    return followed_;
}

} // namespace orvbeat
