// The descriptive channel names: upfader_a, upfader_b, crossfader, then deckN_pitch ...
// deckN_beat for decks 1 to 4 (from the protocol's key names), and "reserved" for the
// channel that is declared but never written.
#pragma once

#include <cstdint>

namespace orvchannels
{

// The name of channel `index`, or "chan1" (the host's default name) outside 0 to 47.
const char* descriptiveName(int32_t index);

} // namespace orvchannels
