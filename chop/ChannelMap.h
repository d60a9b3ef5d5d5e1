// Where the channel operator puts each received number (the channel of each key comes from
// protocol/Protocol.h), and the conversions into the host's 32-bit float samples.
#pragma once

#include "protocol/Protocol.h"

#include <cstdint>

namespace orvchannels
{

inline constexpr int32_t kChannelCount = orvprotocol::channelCount;
inline constexpr int32_t kSampleCount = 1;
inline constexpr int32_t kDeckCount = orvprotocol::deckCount;

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
