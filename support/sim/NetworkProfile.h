// How a network treats the datagrams between a sender and a node: how long they take, which
// overtake each other, which are lost or arrive twice, and whether the link now and then
// stalls and lets everything through at once. NetworkModel applies a profile; the named
// presets are what `orv simulate --network` and the beat clock's benchmark offer.
#pragma once

#include <string>
#include <vector>

namespace orvsim
{

struct NetworkProfile
{
    std::string name = "ideal";

    // Delay from send to arrival, seconds: uniform in [minDelay, maxDelay]; or, with a tail
    // scale, minDelay plus a Pareto tail of that scale (most datagrams a little over minDelay,
    // a few much later), cut at maxDelay.
    double minDelay = 0.0;
    double maxDelay = 0.0;
    double tailScale = 0.0; // seconds; 0: uniform
    double tailShape = 1.5; // the Pareto exponent; the smaller, the heavier the tail

    double swap = 0.0;        // chance that a datagram arrives just after the next of its stream
    double loss = 0.0;        // chance that a datagram never arrives
    double duplication = 0.0; // chance that it arrives twice (each copy with its own delay)

    // Every stallEvery seconds the link holds whatever would arrive for stallLength seconds,
    // then lets it through at once as a burst: in the order it would have arrived, or shuffled.
    double stallEvery = 0.0; // 0: no stalls
    double stallLength = 0.0;
    bool shuffleBursts = false;
};

// ideal, lan, wifi, stalls, stalls-shuffled.
const std::vector<NetworkProfile>& networkPresets();

// The profile in words, for people: "delay 0-30 ms, 5% overtaken by the next, 15% lost".
std::string describe(const NetworkProfile& profile);

} // namespace orvsim
