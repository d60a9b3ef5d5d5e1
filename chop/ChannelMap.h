// Where the channel operator puts each received number: channel indices and the conversions
// into the host's 32-bit float samples.
//
//   0 UpfaderA, 1 UpfaderB, 2 Crossfader, then eleven channels per deck n = 1..4 from
//   deckBase(n) = 3 + 11 * (n - 1): Pitch, Position, Position2, NormalizedPosition, BPM,
//   Length, EQLow, EQMid, EQHigh, Deck, Beat. Channel 47 is declared and never written.
#pragma once

#include "receiver/Messages.h"

#include <cstdint>

namespace orvchannels
{

inline constexpr int32_t kChannelCount = 48;
inline constexpr int32_t kSampleCount = 1;

inline constexpr int32_t kUpfaderAChannel = 0;
inline constexpr int32_t kUpfaderBChannel = 1;
inline constexpr int32_t kCrossfaderChannel = 2;

inline constexpr int32_t kDeckCount = 4;
inline constexpr int32_t kChannelsPerDeck = 11;

// Offsets from a deck's first channel.
enum DeckChannel : int32_t
{
    PitchOffset = 0,
    PositionOffset,
    Position2Offset,
    NormalizedPositionOffset,
    BpmOffset,
    LengthOffset,
    EqLowOffset,
    EqMidOffset,
    EqHighOffset,
    DeckOffset,
    BeatOffset,
};

// First channel of deck n (1 to 4).
constexpr int32_t deckBase(int32_t deck)
{
    return 3 + kChannelsPerDeck * (deck - 1);
}

// The nearest float, ties to even; a magnitude beyond the float range becomes an infinity of
// the same sign, a NaN stays a NaN. Written out so that no out-of-range conversion is left to
// the compiler.
float nearestFloat(double value);
// The nearest float; exact up to a magnitude of 16 777 216.
float nearestFloat(int32_t value);

// Write sample 0 of the mixer's three channels, or of deck n's eleven channels. `channels` is
// the host's array of at least kChannelCount buffers of at least one sample each.
void writeControl(float* const* channels, const Control& control);
void writeDeck(float* const* channels, int32_t deck, const Deck& record);

} // namespace orvchannels
