#include "support/sim/NetworkModel.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace orvsim
{

namespace
{

constexpr double kNever = std::numeric_limits<double>::infinity();
// How long after the datagram it waited for a swapped one arrives.
constexpr double kJustAfter = 1e-6;
constexpr uint64_t kOwnSeed = 0x6e657477; // "netw"

} // namespace

// Numbers of its own, so that a model of the sender given the same seed draws other ones.
NetworkModel::NetworkModel(const NetworkProfile& profile, uint64_t seed)
    : profile_(profile), random_(seed ^ (kOwnSeed << 32))
{
}

bool NetworkModel::chance(double probability)
{
    return random_.chance(probability);
}

double NetworkModel::drawDelay()
{
    const double least = std::max(0.0, profile_.minDelay);
    const double most = std::max(least, profile_.maxDelay);
    if (profile_.tailScale > 0.0)
    {
        // Pareto above the minimum: scale x (u^(-1/shape) - 1), u in (0, 1].
        const double u = 1.0 - random_.unit();
        const double shape = std::max(0.1, profile_.tailShape);
        return std::min(most, least + profile_.tailScale * (std::pow(u, -1.0 / shape) - 1.0));
    }
    if (most <= least)
        return least;
    return random_.uniform(least, most);
}

void NetworkModel::placeAfterStalls(Copy& copy)
{
    copy.arrival = copy.linkArrival;
    copy.order = copy.linkArrival;
    const double every = profile_.stallEvery;
    const double length = std::min(profile_.stallLength, every);
    if (!(every > 0.0) || !(length > 0.0) || !std::isfinite(copy.linkArrival))
        return;
    // The stalls begin at every, 2 x every, ...; a copy arriving inside one waits for its end.
    const double stallStart = std::floor(copy.linkArrival / every) * every;
    if (stallStart < every || copy.linkArrival >= stallStart + length)
        return;
    ++counts_.stalled;
    copy.arrival = stallStart + length;
    if (profile_.shuffleBursts)
        copy.order = stallStart + length * random_.unit();
}

void NetworkModel::add(const std::string& datagram, double sendTime, int stream, bool primary)
{
    Copy copy;
    copy.id = nextId_++;
    copy.sequence = counts_.sent - 1;
    copy.linkArrival = sendTime + drawDelay();
    copy.datagram = datagram;
    if (!primary)
    {
        placeAfterStalls(copy);
        inFlight_.push_back(std::move(copy));
        return;
    }

    // The stream's datagram that waits for this one arrives just after it; this one then has
    // swapped already and does not wait itself.
    const auto waiting = waiting_.find(stream);
    if (waiting != waiting_.end())
    {
        for (Copy& held : inFlight_)
        {
            if (held.id != waiting->second)
                continue;
            held.linkArrival = std::max(held.linkArrival, copy.linkArrival + kJustAfter);
            placeAfterStalls(held);
        }
        waiting_.erase(waiting);
        placeAfterStalls(copy);
    }
    else if (chance(profile_.swap))
    {
        ++counts_.swapped;
        copy.arrival = kNever;
        copy.order = kNever;
        waiting_[stream] = copy.id;
    }
    else
    {
        placeAfterStalls(copy);
    }
    inFlight_.push_back(std::move(copy));
}

void NetworkModel::send(const std::string& datagram, double sendTime, int stream)
{
    ++counts_.sent;
    if (chance(profile_.loss))
    {
        ++counts_.lost;
        return;
    }
    const bool twice = chance(profile_.duplication);
    add(datagram, sendTime, stream, true);
    if (twice)
    {
        ++counts_.duplicated;
        add(datagram, sendTime, stream, false);
    }
}

std::vector<Arrival> NetworkModel::takeArrived(double now)
{
    const auto due = std::stable_partition(inFlight_.begin(), inFlight_.end(),
                                           [now](const Copy& copy) { return copy.arrival > now; });
    std::vector<Copy> arrived(std::make_move_iterator(due),
                              std::make_move_iterator(inFlight_.end()));
    inFlight_.erase(due, inFlight_.end());
    std::sort(arrived.begin(), arrived.end(),
              [](const Copy& a, const Copy& b)
              {
                  if (a.arrival != b.arrival)
                      return a.arrival < b.arrival;
                  if (a.order != b.order)
                      return a.order < b.order;
                  return a.id < b.id;
              });
    std::vector<Arrival> out;
    out.reserve(arrived.size());
    for (Copy& copy : arrived)
        out.push_back({copy.arrival, std::move(copy.datagram), copy.sequence});
    return out;
}

double NetworkModel::nextArrival() const
{
    double next = kNever;
    for (const Copy& copy : inFlight_)
        next = std::min(next, copy.arrival);
    return next;
}

} // namespace orvsim
