// The one clock that datagram arrivals and the beat clock's frames are read on: nanoseconds of
// std::chrono::steady_clock, the same in every bundle of the process.
#pragma once

#include <chrono>
#include <cstdint>

namespace orvreceiver
{

inline std::int64_t steadyNow()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace orvreceiver
