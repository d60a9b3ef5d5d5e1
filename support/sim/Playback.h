// Plays a model's arrivals in real time: each datagram is handed on when its time comes, so a
// real node on loopback or on the network receives what the model's network delivered, when it
// delivered it.
// Thread rules: one thread per call.
#pragma once

#include "support/sim/NetworkModel.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <vector>

namespace orvsim
{

// Hands each of `arrivals` (in arrival order, times in seconds after `start` on the steady
// clock) to `deliver` when its time comes, until all are delivered or `keepGoing` answers false
// (asked at least every 50 ms). Returns how many were delivered.
std::size_t playArrivals(const std::vector<Arrival>& arrivals,
                         std::chrono::steady_clock::time_point start,
                         const std::function<void(const Arrival&)>& deliver,
                         const std::function<bool()>& keepGoing);

} // namespace orvsim
