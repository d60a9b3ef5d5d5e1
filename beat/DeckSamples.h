// The recent Deck datagrams of one deck, as the receiver keeps them and the beat clock reads
// them: a fixed ring, written in arrival order, that a reader copies out whole and consumes
// from where it stopped. Nothing is allocated on either side.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace orvbeat
{

// Host nanoseconds of the steady clock as the seconds the beat clock counts in.
inline double secondsOf(std::int64_t nanoseconds)
{
    return static_cast<double>(nanoseconds) * 1e-9;
}

// One Deck datagram as it arrived.
struct DeckSample
{
    std::int64_t arrivalNs = 0; // host nanoseconds of the steady clock, taken after the receive
    double position = 0.0;      // "Position": the sender's own timeline (track seconds, mostly)
    double bpm = 0.0;           // "BPM"
    double pitch = 0.0;         // "Pitch"
    double length = 0.0;        // "Length": a change means another track
    std::int32_t beat = 0;      // "Beat": whatever the sender counts

    double arrivalSeconds() const { return secondsOf(arrivalNs); }
};

struct DeckSamples
{
    // A 150 ms stall at 60 datagrams a second releases 9 at once; a cook reads every frame.
    static constexpr std::size_t capacity = 32;

    std::array<DeckSample, capacity> ring{};
    std::uint64_t count = 0; // samples ever written; sample i is ring[i % capacity]

    void push(const DeckSample& sample)
    {
        ring[static_cast<std::size_t>(count % capacity)] = sample;
        ++count;
    }
    const DeckSample& at(std::uint64_t index) const
    {
        return ring[static_cast<std::size_t>(index % capacity)];
    }
    // The oldest sample still held.
    std::uint64_t oldest() const { return count > capacity ? count - capacity : 0; }
};

} // namespace orvbeat
