// The mix: how much of what the audience hears comes from each deck, and which deck is coming
// in (or going out) beside the one On Air follows. A visual per deck, crossfaded by the shares,
// follows the DJ's mix.
#pragma once

#include "beat/MixerLevels.h"

namespace orvbeat
{

struct MixFrame
{
    double shares[kMixerDecks] = {}; // each deck's level over the sum; all 0 when none is heard
    double nextDeck = 0.0;           // the loudest audible deck but the followed one (1..4), or 0
};

// `levels` as deckLevels gives them; `followedSlot` the deck On Air shows (0..3).
MixFrame mixOf(const double levels[kMixerDecks], int followedSlot);

} // namespace orvbeat
