#include "beat/MixerLevels.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace orvbeat
{

namespace
{

double fader(double value)
{
    return std::isfinite(value) ? std::clamp(value, 0.0, 1.0) : 0.0;
}

bool holds(ChannelDecks decks, int slot)
{
    return (decks >> slot) & 1u;
}

} // namespace

ChannelDecks channelDecksOf(const char* text)
{
    ChannelDecks decks = 0;
    if (text == nullptr)
        return decks;
    // A number is a run of digits; only the runs 1 to 4 name decks ("12" is no deck).
    for (const char* c = text; *c != '\0';)
    {
        if (!std::isdigit(static_cast<unsigned char>(*c)))
        {
            ++c;
            continue;
        }
        const char* end = c;
        while (std::isdigit(static_cast<unsigned char>(*end)))
            ++end;
        if (end - c == 1 && *c >= '1' && *c <= '0' + kMixerDecks)
            decks |= 1u << (*c - '1');
        c = end;
    }
    return decks;
}

void deckLevels(const MixerState& mixer, CrossfaderRange range, ChannelDecks channelA,
                ChannelDecks channelB, const bool playing[kMixerDecks], double levels[kMixerDecks])
{
    double towardsB = 0.5;
    if (std::isfinite(mixer.crossfader))
        towardsB = range == CrossfaderRange::MinusOneToOne ? 0.5 * (mixer.crossfader + 1.0)
                                                           : mixer.crossfader;
    towardsB = std::clamp(towardsB, 0.0, 1.0);
    const double levelA = fader(mixer.upfaderA) * (1.0 - towardsB);
    const double levelB = fader(mixer.upfaderB) * towardsB;
    for (int slot = 0; slot < kMixerDecks; ++slot)
    {
        double level = 0.0;
        if (holds(channelA, slot))
            level = levelA;
        if (holds(channelB, slot))
            level = std::max(level, levelB);
        levels[slot] = playing[slot] ? level : 0.0;
    }
}

} // namespace orvbeat
