// A network after a NetworkProfile, as a pure object: datagrams go in with their send time and
// come out with their arrival times. Everything follows from the profile, the seed and the
// calls, so a test or a benchmark can replay it; the caller keeps the clock (seconds, any
// origin) and sends the datagrams on when they are due.
//
// How a datagram travels: it is lost, or it arrives once or (duplicated) twice, each copy after
// its own delay. With the swap chance it waits for the next datagram of its stream and arrives
// just after it (the two swap places). A copy that would arrive during a stall is held until
// the stall ends and arrives with the rest of the burst, in the order they would have arrived
// or shuffled.
// Thread rules: one thread per model.
#pragma once

#include "support/sim/NetworkProfile.h"
#include "support/sim/Random.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace orvsim
{

struct Arrival
{
    double time = 0.0;
    std::string datagram;
    uint64_t sequence =
        0; // which send() it came from: 0 for the first (both copies of a duplicate)
};

struct NetworkCounts
{
    uint64_t sent = 0;       // datagrams handed to the network
    uint64_t lost = 0;       // of those, never arriving
    uint64_t duplicated = 0; // of those, arriving twice
    uint64_t swapped = 0;    // of those, overtaken by the next of their stream
    uint64_t stalled = 0;    // copies held by a stall
};

class NetworkModel
{
public:
    // The same profile, seed and calls give the same arrivals on every platform.
    NetworkModel(const NetworkProfile& profile, uint64_t seed);

    // Hands `datagram` to the network at `sendTime`. Datagrams of one `stream` (one deck's)
    // are the ones that may swap places.
    void send(const std::string& datagram, double sendTime, int stream = 0);
    // The datagrams that have arrived by `now` and were not taken yet, in the order they arrive.
    std::vector<Arrival> takeArrived(double now);
    // When the next datagram arrives; infinity when none is on its way.
    double nextArrival() const;
    size_t inFlight() const { return inFlight_.size(); }

    const NetworkProfile& profile() const { return profile_; }
    const NetworkCounts& counts() const { return counts_; }

private:
    struct Copy
    {
        uint64_t id = 0;         // in the order sent, for ties
        uint64_t sequence = 0;   // the send() it came from
        double linkArrival = 0.; // when it would arrive without stalls
        double arrival = 0.0;    // when it arrives (infinity: waiting for its stream's next)
        double order = 0.0;      // arrival order within a burst
        std::string datagram;
    };

    double drawDelay();
    bool chance(double probability);
    // Sets arrival and order from linkArrival.
    void placeAfterStalls(Copy& copy);
    void add(const std::string& datagram, double sendTime, int stream, bool primary);

    NetworkProfile profile_;
    Random random_;
    std::vector<Copy> inFlight_;
    std::map<int, uint64_t> waiting_; // stream -> the id of its copy that waits for the next
    uint64_t nextId_ = 0;
    NetworkCounts counts_;
};

} // namespace orvsim
