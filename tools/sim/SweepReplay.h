// One case of the beat clock's random sweep on the wire: deck 1 as the sweep's seed draws it
// (the sender's conventions, the deck's plan, the network's delays, losses and stalls), each
// Deck datagram sent to a node when the model's network delivers it, so that a case that
// fails in the suite can be watched on a real node.
// Thread rules: one thread.
#pragma once

#include "net/Endpoint.h"
#include "support/sim/SweepCase.h"
#include "support/sim/SweepTraffic.h"

#include <cstdint>
#include <functional>
#include <string>

namespace orvsim
{

struct SweepReplayCounts
{
    std::uint64_t datagrams = 0;
    std::uint64_t sendFailures = 0;
};

class SweepReplay
{
public:
    explicit SweepReplay(std::uint64_t seed);

    const SweepCase& sweepCase() const { return case_; }
    const SweepTraffic& traffic() const { return traffic_; }

    // Sends to `to` for `duration` seconds (the case's whole run when 0 or longer), or until
    // keepGoing() answers false. False, with the reason in `error`, when no socket opens;
    // `report` gets the first send failure.
    bool send(const orv::net::Endpoint& to, double duration, const std::function<bool()>& keepGoing,
              const std::function<void(const std::string&)>& report, std::string& error);

    const SweepReplayCounts& counts() const { return counts_; }

private:
    SweepCase case_;
    SweepTraffic traffic_;
    SweepReplayCounts counts_;
};

} // namespace orvsim
