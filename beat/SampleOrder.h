// Puts one deck's samples back into the sender's order before anything reads a phase from
// them. The network may hold a datagram back and deliver it after newer ones (a reordered
// pair on Wi-Fi, a burst let out in any order after a stall), so a sample whose Position is
// behind one already seen is late, not a cue: it never moves the phase. A seek backwards is
// told from lateness by what follows: samples that keep coming behind the newest one, on a
// line of their own, for longer than any reordering lasts; or a step back larger than any
// network could hold a datagram for.
#pragma once

#include "beat/DeckSamples.h"

namespace orvbeat
{

enum class SampleVerdict
{
    Next, // at or ahead of the newest sample: the sender's next one
    Late, // sent before a large seek and let out after it; ignored
    Held, // behind the newest sample, and maybe the start of a seek back: held until it is told
    Seek, // a seek back: take seekRun() (the samples held since it began), then this sample
};

class SampleOrder
{
public:
    // How long samples behind the newest one must keep coming, on a line of their own, before
    // they are a seek; no reordering on the networks measured lasts this long.
    static constexpr double seekConfirmSeconds = 0.05;
    // A step back of more than this much of the timeline is a seek at once; for a second after
    // it, or after a step forward as large, datagrams sent before it are still let out (and
    // taken as late): about where the deck was, no further ahead of the newest sample seen there
    // than this.
    static constexpr double seekAtOnce = 1.0;
    static constexpr double stragglerSeconds = 1.0;
    static constexpr double stragglerAhead = 0.25;

    void reset() { *this = SampleOrder(); }
    SampleVerdict take(const DeckSample& sample);
    // The samples held since the seek take() has just confirmed began, in Position order (none
    // for a seek at once): each may be the least delayed of the new line.
    int seekRunSize() const { return seekHasStart_ ? heldCount_ : 0; }
    const DeckSample& seekRun(int i) const { return held_[i]; }

private:
    void hold(const DeckSample& sample);
    // A large seek: the newest sample before it marks where its stragglers lie.
    void abandon(const DeckSample& seekSample);

    DeckSample newest_;
    bool hasNewest_ = false;
    // Held samples in Position order; the first is where the seek began.
    static constexpr int kMostHeld = 8;
    DeckSample held_[kMostHeld];
    int heldCount_ = 0;
    bool seekHasStart_ = false;
    DeckSample abandoned_; // the newest sample before the latest seek at once
    bool hasAbandoned_ = false;
    std::int64_t seekArrivalNs_ = 0;
};

} // namespace orvbeat
