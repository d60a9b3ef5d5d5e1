// Everything a table cook shows, taken from a receiver at one moment (OrvReceiver::snapshot).

#ifndef ORV_RECEIVER_RECEIVERSNAPSHOT_H
#define ORV_RECEIVER_RECEIVERSNAPSHOT_H

#include "protocol/WireSchema.h"

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct ReceiverSnapshot
{
    bool connected = false;
    std::array<Deck, 4> decks; // slot k-1 holds deck number k
    std::array<Meta, 4> metas; // slot k-1 holds deck number k
    Control control;
    // (name, value) of every event, in the receiver's map order; its size is the event count.
    std::vector<std::pair<std::string, std::uint8_t>> events;
};

#endif
