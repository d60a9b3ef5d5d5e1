// The beat operator's channels: for one deck beat_ramp, bar_ramp, beat_pulse, beat, beats,
// bpm, playing, position, locked (BeatOutput's fields, in that order); for all four decks the
// same nine per deck, deck 1 first, each name prefixed with "deckN_".
#pragma once

#include "beat/BeatOutput.h"

#include <cstdint>

namespace orvbeat
{

inline constexpr int32_t kChannelsPerDeck = 9;
// On Air: one deck's nine, then the deck followed (1 to 4).
inline constexpr const char* kFollowedDeckName = "deck";

// The name of channel `index` for one deck, or for all decks when `allDecks`.
const char* channelName(int32_t index, bool allDecks);

// Writes sample 0 of the nine channels from `first` on. `channels` is the host's array.
void writeChannels(float* const* channels, int32_t first, const BeatOutput& beat);

} // namespace orvbeat
