// What one sweep case puts on the wire and what arrives: the sender's reports of the planned
// deck at its send times (from a timer that fires up to a little late, garbage inside the
// case's window), each as a Deck datagram through the case's network. Pure and deterministic
// per seed: the tests feed the arrivals to the clock in simulated time, the benchmark and
// `orv simulate --sweep-seed` send them on loopback or to a node when they are due.
#pragma once

#include "support/sim/DeckReport.h"
#include "support/sim/NetworkModel.h"
#include "support/sim/SweepCase.h"

#include <vector>

namespace orvsim
{

struct SweepTraffic
{
    std::vector<DeckReport> sent;  // in the order sent
    std::vector<Arrival> arrivals; // in the order they arrive; `sequence` indexes `sent`
};

// The case's traffic as deck `number`'s datagrams (1 to 4), until the case's end.
SweepTraffic sweepTraffic(const SweepCase& sweepCase, int number = 1);

} // namespace orvsim
