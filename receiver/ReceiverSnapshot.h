// What the cooks read from a receiver: one consistent copy of one moment, taken under the
// store's lock in one short hold (ReceiverStore::read), into a caller-owned object that is
// reused from cook to cook so that a steady stream of cooks allocates nothing.
//
// The channel operator reads ReceiverNumbers; the table operator reads ReceiverSnapshot, the
// same numbers together with the tracks and the events of that moment; the beat operator reads
// DeckHistory, the recent Deck datagrams of every deck; the events operator reads EventState,
// the events with their counts. The table operator's Info CHOP and Info DAT read
// ReceiverHealth, how reception goes.
#pragma once

#include "beat/DeckSamples.h"
#include "protocol/NodeLayout.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct ReceiverNumbers
{
    bool connected = false;
    Control control;
    std::array<Deck, orvlayout::kDeckCount> decks; // slot k-1 holds deck number k
};

struct DeckHistory
{
    bool connected = false;
    Control control; // the mixer, for the deck the audience hears
    // samples[k-1]: the latest Deck datagrams of deck number k, in arrival order.
    std::array<orvbeat::DeckSamples, orvlayout::kDeckCount> samples;
};

struct ReceiverSnapshot
{
    ReceiverNumbers numbers;
    std::array<Meta, orvlayout::kDeckCount> metas; // slot k-1 holds deck number k
    // (name, value) of every event, in the order the names first arrived; its size is the event
    // count.
    std::vector<std::pair<std::string, std::uint8_t>> events;
};

// One named event as the events operator reads it.
struct EventReading
{
    std::string name;
    std::uint8_t value = 0;  // the latest
    std::uint64_t count = 0; // datagrams that set it
};

// Every event in the order its name first arrived, and how often each deck's track changed.
// Names never move, so a read into the same object from the same store copies only the names
// that are new: once the names are known, reading allocates nothing. A read from another store
// starts the list over (`source` tells them apart).
struct EventState
{
    bool connected = false;
    std::uint64_t source = 0; // which store was read last (each has its own number), 0 for none
    // trackChanges[k-1]: Meta datagrams of deck k that brought another title or file path.
    std::array<std::uint64_t, orvlayout::kDeckCount> trackChanges{};
    std::vector<EventReading> events;
};

// How reception goes. Counts run from the last connect; ages and senders from the node's start
// (they describe the state the node still shows). Every datagram that arrives with at least one
// byte lands in exactly one count: datagrams, filtered, ignored or decodeErrors.
struct ReceiverHealth
{
    bool connected = false;
    std::uint64_t datagrams = 0; // stored: the node took the record it carries
    std::uint64_t filtered = 0;  // dropped by the IP filter
    // Unknown type byte, deck number out of range, new event name beyond the bound.
    std::uint64_t ignored = 0;
    std::uint64_t decodeErrors = 0; // payload the decoder refused
    // Seconds since the last stored datagram, and since the last stored Deck datagram of deck
    // k (deckAges[k-1]); -1 before the first.
    double lastDatagramAge = -1.0;
    std::array<double, orvlayout::kDeckCount> deckAges = noAges();
    std::size_t events = 0; // distinct event names known

    // Where the socket is bound ("" and 0 when it is not), and whether it joined the group.
    std::string boundAddress;
    std::uint16_t boundPort = 0;
    bool groupJoined = false;
    // "address:port" of the latest datagram, stored or dropped, and of the latest one the
    // filter dropped; "" before the first.
    std::string lastSender;
    std::string lastFilteredSender;

    static constexpr std::array<double, orvlayout::kDeckCount> noAges()
    {
        std::array<double, orvlayout::kDeckCount> ages{};
        for (std::size_t k = 0; k < ages.size(); ++k)
        {
            ages[k] = -1.0;
        }
        return ages;
    }
};
