#include "BeatNodes.h"

#include <stdexcept>
#include <string>

namespace orvbench
{

namespace
{

// Where a deck's channels lie from its first.
enum BeatChannel
{
    BeatRamp = 0,
    BeatPulse = 2,
    Beat = 3,
    Bpm = 5,
    Locked = 8,
};

} // namespace

std::unique_ptr<orvharness::Bundle> loadBundle(const char* path)
{
    std::string error;
    auto bundle = orvharness::Bundle::load(path, error);
    if (!bundle)
        throw std::runtime_error(std::string("cannot load ") + path + ": " + error);
    return bundle;
}

orvsim::ClockFrame deckFrame(const std::vector<std::vector<float>>& channels, int first,
                             double time)
{
    const auto at = [&](BeatChannel channel)
    { return static_cast<double>(channels[static_cast<size_t>(first + channel)][0]); };
    return {time, at(BeatRamp), at(BeatPulse), at(Beat), at(Bpm), at(Locked)};
}

} // namespace orvbench
