// What the cooks read from a receiver: one consistent copy of one moment, taken under the
// store's lock in one short hold (ReceiverStore::read), into a caller-owned object that is
// reused from cook to cook so that a steady stream of cooks allocates nothing.
//
// The channel operators read ReceiverNumbers; the table operator reads ReceiverSnapshot, the
// same numbers together with the tracks and the events of that moment.
#pragma once

#include "protocol/NodeLayout.h"
#include "receiver/DeckTiming.h"

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct ReceiverNumbers
{
    bool connected = false;
    Control control;
    std::array<Deck, orvlayout::deckCount> decks;         // slot k-1 holds deck number k
    std::array<DeckTiming, orvlayout::deckCount> timings; // timings[k] belongs to decks[k]
};

struct ReceiverSnapshot
{
    ReceiverNumbers numbers;
    std::array<Meta, orvlayout::deckCount> metas; // slot k-1 holds deck number k
    // (name, value) of every event, in the store's order; its size is the event count.
    std::vector<std::pair<std::string, std::uint8_t>> events;
};
