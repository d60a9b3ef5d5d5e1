// Where the channel operator puts each received number (the channel of each key comes from
// protocol/NodeLayout.h), and the conversions into the host's 32-bit float samples.
#pragma once

#include "protocol/NodeLayout.h"

#include <cstdint>

namespace orvchannels
{

// Write sample 0 of the mixer's three channels, or of deck n's eleven channels. `channels` is
// the host's array of at least orvlayout::kChannelCount buffers of at least one sample each.
void writeControl(float* const* channels, const Control& control);
void writeDeck(float* const* channels, int32_t deck, const Deck& record);

} // namespace orvchannels
