#include "BeatChannels.h"

#include "plugin/DeckChannelName.h"
#include "plugin/NearestFloat.h"
#include "protocol/NodeLayout.h"

#include <array>
#include <string>

namespace orvbeat
{

namespace
{

constexpr const char* kNames[kChannelsPerDeck] = {
    "beat_ramp", "bar_ramp", "beat_pulse", "beat", "beats", "bpm", "playing", "position", "locked"};

using AllNames = std::array<std::string, kChannelsPerDeck * orvlayout::kDeckCount>;

AllNames makeAllNames()
{
    AllNames names;
    for (int deck = 0; deck < orvlayout::kDeckCount; ++deck)
    {
        for (int k = 0; k < kChannelsPerDeck; ++k)
        {
            names[static_cast<std::size_t>(deck * kChannelsPerDeck + k)] =
                orvplugin::deckChannelName(deck + 1, kNames[k]);
        }
    }
    return names;
}

} // namespace

const char* channelName(int32_t index, bool allDecks)
{
    // Built once, on the first call (thread-safe), and only read afterwards.
    static const AllNames all = makeAllNames();
    if (index < 0 || index >= (allDecks ? static_cast<int32_t>(all.size()) : kChannelsPerDeck))
        return "chan1";
    return allDecks ? all[static_cast<std::size_t>(index)].c_str() : kNames[index];
}

void writeChannels(float* const* channels, int32_t first, const BeatOutput& beat)
{
    const double values[kChannelsPerDeck] = {beat.beatRamp, beat.barRamp,  beat.beatPulse,
                                             beat.beat,     beat.beats,    beat.bpm,
                                             beat.playing,  beat.position, beat.locked};
    for (int k = 0; k < kChannelsPerDeck; ++k)
        channels[first + k][0] = orvplugin::nearestFloat(values[k]);
}

} // namespace orvbeat
