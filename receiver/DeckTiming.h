// When a deck's datagrams arrived, for the beat clock: the arrival of the latest one and the
// latest change of its Beat between two consecutive datagrams. Times are nanoseconds of
// std::chrono::steady_clock, one clock for the whole process (every bundle reads the same).
#pragma once

#include <cstdint>

struct DeckTiming
{
    std::uint64_t datagrams = 0; // Deck datagrams stored in this slot so far
    std::int64_t arrival = 0;    // of the latest one

    // The latest change of Beat: the last datagram with the old value and the first with the
    // new one. Several changes between two reads show only the latest (beatChanges counts all).
    std::uint64_t beatChanges = 0;
    std::int64_t arrivalBeforeChange = 0;
    std::int64_t arrivalAtChange = 0;
    double positionBeforeChange = 0.0;
    double positionAtChange = 0.0;
    std::int32_t beatBeforeChange = 0;
    std::int32_t beatAtChange = 0;
};
