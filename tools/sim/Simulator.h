// The simulated DJ on the wire: lets a MixingDj play its set in real time and sends the
// decks' state at a steady rate, and listens for the discovery byte in the gaps between sends.
//
// Per tick (rate ticks a second): one Deck datagram per deck and one Control datagram.
// Every second, and whenever a deck loads a track: one Meta datagram per deck. One Event
// datagram per event the DJ makes. The sender profile says how the decks are reported (its
// pitch, if it has one, is the set's opening pitch); every datagram goes through the network
// profile's model (the ideal one sends it at once).
// Thread rules: run() on one thread; keepGoing and report are called on that thread.
#pragma once

#include "net/UdpSocket.h"
#include "sim/DiscoveryListener.h"
#include "support/sim/MixingDj.h"
#include "support/sim/NetworkModel.h"
#include "support/sim/SenderProfile.h"

#include "protocol/WireSchema.h"

#include <cstdint>
#include <functional>
#include <string>

namespace orvsim
{

struct SimulatorSettings
{
    orv::net::Endpoint to;
    double rate = 60.0;    // ticks (Deck datagrams per deck) a second
    double duration = 0.0; // seconds; 0 runs until keepGoing says no
    uint32_t seed = 1;
    uint16_t discoveryPort = orvprotocol::kDiscoveryPort; // 0: do not listen
    std::string discoveryIp = "0.0.0.0";
    NetworkProfile network;
    SenderProfile sender;
};

struct SimulatorCounts
{
    uint64_t datagrams = 0;
    uint64_t sendFailures = 0;
    uint64_t discoveries = 0; // reports from the discovery port
};

class Simulator
{
public:
    explicit Simulator(const SimulatorSettings& settings);

    // Opens the sending socket (an error ends here) and the discovery listener (a taken
    // port only becomes a note: `discoveryNote`).
    bool open(std::string& error);
    // "" when the listener is open; otherwise why not.
    const std::string& discoveryNote() const { return discoveryNote_; }
    const DiscoveryListener& discovery() const { return discovery_; }
    // Another destination, before run() (the demo learns its port after opening).
    void setDestination(const orv::net::Endpoint& to) { settings_.to = to; }
    const orv::net::Endpoint& destination() const { return settings_.to; }
    // The node the caller runs itself (the demo's), before run(): discovery bytes from it are
    // told apart from other programs' nodes.
    void setOwnNode(const orv::net::Endpoint& node, const std::string& label)
    {
        discovery_.setOwnNode(node, label);
    }

    // Sends until the duration is over or keepGoing() answers false (asked at least every
    // 50 ms). `report` gets the discovery lines and the first send failure.
    void run(const std::function<bool()>& keepGoing,
             const std::function<void(const std::string&)>& report);

    const SimulatorCounts& counts() const { return counts_; }
    const NetworkCounts& networkCounts() const { return network_.counts(); }

private:
    void tick(double elapsedSeconds);
    // Sends on what the network lets arrive by `elapsedSeconds`.
    void deliver(double elapsedSeconds, const std::function<void(const std::string&)>& report);

    SimulatorSettings settings_;
    MixingDj dj_;
    NetworkModel network_;
    orv::net::UdpSocket socket_;
    DiscoveryListener discovery_;
    std::string discoveryNote_;
    SimulatorCounts counts_;
    double lastMetaTime_ = -1.0;
};

} // namespace orvsim
