// The datagrams the simulator sends for the model's state, with the kinds a real sender
// would use: 64-bit floats for positions and tempo, 32-bit floats for the EQs, integers for
// deck numbers, beats and event values. A Deck datagram reports the deck as the sender
// profile says (the default: exactly the model's state).
#pragma once

#include "support/sim/DeckReport.h"
#include "support/sim/DjModel.h"
#include "support/sim/SenderProfile.h"

#include <string>
#include <vector>

namespace orvsim
{

// What the Deck datagram of `deck` reports when sent at host time `time` (which places the
// sender's audio buffers), on track 0, with the Position step the sender reports in.
DeckReport deckReport(const DeckState& deck, const SenderProfile& sender, double time);
// `time`: the host time of the send, for a sender that reports per audio buffer.
std::string deckDatagram(const DeckState& deck, const SenderProfile& sender = SenderProfile{},
                         double time = 0.0);
// A planned deck's report as deck `number`'s Deck datagram.
std::string deckDatagram(const DeckReport& report, int number);
std::string metaDatagram(const DeckState& deck);
std::string controlDatagram(const MixerState& mixer);
std::string eventDatagram(const DjEvent& event);

// A datagram and its stream: the deck it reports, 0 for the mixer and the events (the network
// model reorders datagrams of one stream only).
struct StreamDatagram
{
    std::string bytes;
    int stream = 0;
};

// What the sender sends after one step of the set: each deck's Meta when `metaDue` or when it
// loaded a track, each deck's Deck datagram, the Control datagram, then one Event datagram per
// event, so an event that comes again, with the same value too, is a datagram of its own.
std::vector<StreamDatagram> stepDatagrams(const DjModel& model, const std::vector<int>& loadedDecks,
                                          const std::vector<DjEvent>& events,
                                          const SenderProfile& sender, bool metaDue);

} // namespace orvsim
