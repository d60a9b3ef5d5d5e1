#include "sim/SweepReplay.h"

#include "net/UdpSocket.h"
#include "support/sim/Playback.h"

#include <chrono>
#include <vector>

namespace orvsim
{

SweepReplay::SweepReplay(std::uint64_t seed) : case_(drawCase(seed)), traffic_(sweepTraffic(case_))
{
}

bool SweepReplay::send(const orv::net::Endpoint& to, double duration,
                       const std::function<bool()>& keepGoing,
                       const std::function<void(const std::string&)>& report, std::string& error)
{
    orv::net::UdpSocket socket;
    if (!socket.open(error) || (to.isMulticast() && !socket.setMulticastSending(error)))
        return false;
    // Everything the network delivers before the end, however late the machine sends it.
    const double end = duration > 0.0 ? duration : case_.duration;
    std::vector<Arrival> due;
    for (const Arrival& arrival : traffic_.arrivals)
    {
        if (arrival.time < end)
            due.push_back(arrival);
    }
    playArrivals(
        due, std::chrono::steady_clock::now(),
        [&](const Arrival& arrival)
        {
            std::string why;
            if (socket.sendTo(to, arrival.datagram.data(), arrival.datagram.size(), why))
                ++counts_.datagrams;
            else if (counts_.sendFailures++ == 0)
                report(why + " (later failures are only counted)");
        },
        keepGoing);
    return true;
}

} // namespace orvsim
