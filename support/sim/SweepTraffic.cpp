#include "support/sim/SweepTraffic.h"

#include "support/sim/SimDatagrams.h"

#include <algorithm>
#include <limits>

namespace orvsim
{

namespace
{

// Numbers of their own, apart from the case's draw and the network's.
constexpr std::uint64_t kSenderStream = 0x73656e64; // "send"

} // namespace

SweepTraffic sweepTraffic(const SweepCase& sweepCase, int number)
{
    SweepTraffic traffic;
    Random random(sweepCase.seed ^ (kSenderStream << 32));
    NetworkModel network(sweepCase.network, sweepCase.seed);
    const SenderProfile& sender = sweepCase.sender;
    const double period = 1.0 / std::max(sender.rate, 1.0);
    for (long long tick = 0;; ++tick)
    {
        const double sendTime =
            static_cast<double>(tick) * period + random.uniform(0.0, sender.lateTimer);
        if (sendTime >= sweepCase.duration)
            break;
        DeckReport report = reportDeck(sweepCase.deck, sender, sendTime);
        if (sweepCase.garbage && sweepCase.garbage->contains(sendTime))
            scramble(report, random);
        network.send(deckDatagram(report, number), sendTime, number);
        traffic.sent.push_back(report);
    }
    for (Arrival& arrival : network.takeArrived(std::numeric_limits<double>::infinity()))
    {
        if (arrival.time < sweepCase.duration)
            traffic.arrivals.push_back(std::move(arrival));
    }
    return traffic;
}

} // namespace orvsim
