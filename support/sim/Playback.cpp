#include "support/sim/Playback.h"

#include <algorithm>
#include <thread>

namespace orvsim
{

std::size_t playArrivals(const std::vector<Arrival>& arrivals,
                         std::chrono::steady_clock::time_point start,
                         const std::function<void(const Arrival&)>& deliver,
                         const std::function<bool()>& keepGoing)
{
    using Clock = std::chrono::steady_clock;
    constexpr auto kLongestWait = std::chrono::milliseconds(50);
    std::size_t delivered = 0;
    while (delivered < arrivals.size() && keepGoing())
    {
        const Clock::time_point due =
            start + std::chrono::duration_cast<Clock::duration>(
                        std::chrono::duration<double>(arrivals[delivered].time));
        const Clock::time_point now = Clock::now();
        if (due > now)
        {
            std::this_thread::sleep_until(std::min(due, now + kLongestWait));
            continue;
        }
        deliver(arrivals[delivered]);
        ++delivered;
    }
    return delivered;
}

} // namespace orvsim
