// The beat operator's channels, in order:
// - one deck: the clock's nine (beat_ramp, bar_ramp, beat_pulse, beat, beats, bpm, playing,
//   position, locked), then the groups switched on: the phrase's five, the track end's four,
//   the cues' four;
// - All: the nine of each deck, deck 1 first, then each deck's groups, deck 1 first; every name
//   prefixed with "deckN_";
// - On Air: the followed deck's nine, `deck` (the deck followed, 1 to 4), then its phrase and
//   track end groups, the mix's five (deck1_mix ... deck4_mix, next_deck), its cues.
// With every group off the channels are the clock's alone, as they always were.
#pragma once

#include "OrvBeatParameters.h"

#include "beat/BeatOutput.h"
#include "beat/MixShares.h"

#include <cstdint>

namespace orvbeat
{

inline constexpr int32_t kChannelsPerDeck = 9;

// What one cook shows: each deck's frame (only those of the decks shown are read), and for On
// Air the deck followed and the mix.
struct ShownFrames
{
    const BeatOutput* decks = nullptr; // four frames, by slot
    int followedSlot = 0;              // On Air: the deck followed (0..3)
    MixFrame mix;
};

// The channels for "Deck" item `item` (0..3 one deck, kAllDecksItem, kOnAirItem) and `groups`.
int32_t channelCount(int item, const ChannelGroups& groups);
const char* channelName(int32_t index, int item, const ChannelGroups& groups);
// Writes sample 0 of every channel. `channels` is the host's array of channelCount(...) channels.
void writeChannels(float* const* channels, int item, const ChannelGroups& groups,
                   const ShownFrames& shown);

} // namespace orvbeat
