// What the cooks read from a receiver: one consistent copy of one moment, taken under the
// store's lock in one short hold (ReceiverStore::read), into a caller-owned object that is
// reused from cook to cook so that a steady stream of cooks allocates nothing.
//
// The channel operator reads ReceiverNumbers; the table operator reads ReceiverSnapshot, the
// same numbers together with the tracks and the events of that moment; the beat operator reads
// DeckHistory, the recent Deck datagrams of every deck.
#pragma once

#include "beat/DeckSamples.h"
#include "protocol/NodeLayout.h"

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct ReceiverNumbers
{
    bool connected = false;
    Control control;
    std::array<Deck, orvlayout::deckCount> decks; // slot k-1 holds deck number k
};

struct DeckHistory
{
    bool connected = false;
    Control control; // the mixer, for the deck the audience hears
    // samples[k-1]: the latest Deck datagrams of deck number k, in arrival order.
    std::array<orvbeat::DeckSamples, orvlayout::deckCount> samples;
};

struct ReceiverSnapshot
{
    ReceiverNumbers numbers;
    std::array<Meta, orvlayout::deckCount> metas; // slot k-1 holds deck number k
    // (name, value) of every event, in the store's order; its size is the event count.
    std::vector<std::pair<std::string, std::uint8_t>> events;
};
