// The datagrams the simulator sends for the model's state, with the kinds a real sender
// would use: 64-bit floats for positions and tempo, 32-bit floats for the EQs, integers for
// deck numbers, beats and event values. A Deck datagram reports the deck as the sender
// profile says (the default: exactly the model's state).
#pragma once

#include "sim/DjModel.h"
#include "sim/SenderProfile.h"

#include <string>

namespace orvsim
{

std::string deckDatagram(const DeckState& deck, const SenderProfile& sender = SenderProfile{});
std::string metaDatagram(const DeckState& deck);
std::string controlDatagram(const MixerState& mixer);
std::string eventDatagram(const DjEvent& event);

} // namespace orvsim
