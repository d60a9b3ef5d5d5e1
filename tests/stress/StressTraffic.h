// The traffic of the stress tests: a flood of state datagrams at full rate on loopback, mixing
// valid ones, malformed ones (that never decode) and random bytes; and the checks that tell
// whether what a node shows is a whole record from one datagram.
//
// Every valid Deck, Meta and Control datagram carries one sequence number s in every field
// (Deck: pitch s, position s + 0.5, ... beat s), chosen so that float channels hold them
// exactly. A slot that mixed two datagrams shows fields of two different s.
#pragma once

#include <atomic>
#include <cstdint>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace orvstress
{

// The eleven Deck fields in the channel map's order (pitch, position, position2,
// normalizedPosition, bpm, length, eqLow, eqMid, eqHigh, deck, beat).
struct DeckFields
{
    double values[11] = {};
};

// The Deck datagram with sequence number `s` for deck `deck` (1 to 4), and what it shows.
std::string deckDatagram(uint32_t s, int deck);
DeckFields expectedDeck(uint32_t s, int deck);
std::string metaDatagram(uint32_t s, int deck);
std::string controlDatagram(uint32_t s);
std::string eventDatagram(const std::string& name, uint8_t value);

// "" when the fields are all zero (a slot never filled) or exactly those of one datagram for
// `slot`; otherwise what is wrong.
std::string checkDeck(const DeckFields& shown, int slot);
// The same for the four Meta texts (title, artist, album, filepath) and the Control values
// (upfaderA, upfaderB, crossfader).
std::string checkMeta(const std::string (&texts)[4]);
std::string checkControl(double upfaderA, double upfaderB, double crossfader);

struct FloodCounts
{
    uint64_t valid = 0;
    uint64_t malformed = 0;
    uint64_t random = 0;
    uint64_t sendFailures = 0;
    uint64_t total() const { return valid + malformed + random; }
};

// Sends `count` datagrams as fast as the sockets take them to 127.0.0.1:<port> (one of
// `ports`, in turn), from 127.0.0.1 and, one in five, from 127.0.0.2. The datagrams are made
// before the first send, a pool of poolSize that is sent round and round, so that sending is
// all the sender does. Event names come from `eventNames` short names plus, one event in fifty,
// a name of 2000 bytes. count 0 sends until stop().
class Flood
{
public:
    Flood(std::vector<uint16_t> ports, uint64_t count, uint32_t eventNames, uint32_t seed);
    ~Flood();
    Flood(const Flood&) = delete;
    Flood& operator=(const Flood&) = delete;

    void start();
    void stop();
    // Waits for the thread; the counts are final afterwards.
    void join();
    bool done() const { return finished_.load(); }
    uint64_t sent() const { return sent_.load(); }
    const FloodCounts& counts() const { return counts_; }

private:
    static constexpr size_t poolSize = 16384;
    enum class Kind
    {
        Valid,
        Malformed,
        Random
    };
    struct Entry
    {
        std::string bytes;
        Kind kind = Kind::Valid;
        bool fromOther = false; // sent from 127.0.0.2
    };

    void run();
    std::string next(std::mt19937& random, Kind& sort);

    std::vector<uint16_t> ports_;
    std::vector<Entry> pool_;
    uint64_t count_;
    uint32_t eventNames_;
    uint32_t seed_;
    uint32_t sequence_ = 1;
    FloodCounts counts_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> finished_{false};
    std::atomic<uint64_t> sent_{0};
    std::thread thread_;
};

} // namespace orvstress
