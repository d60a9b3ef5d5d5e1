#include "beat/MixShares.h"

#include <cmath>

namespace orvbeat
{

MixFrame mixOf(const double levels[kMixerDecks], int followedSlot)
{
    MixFrame frame;
    double sum = 0.0;
    for (int slot = 0; slot < kMixerDecks; ++slot)
    {
        if (levels[slot] > 0.0 && std::isfinite(levels[slot]))
            sum += levels[slot];
    }
    double loudest = 0.0;
    for (int slot = 0; slot < kMixerDecks; ++slot)
    {
        const double level = levels[slot] > 0.0 && std::isfinite(levels[slot]) ? levels[slot] : 0.0;
        frame.shares[slot] = sum > 0.0 ? level / sum : 0.0;
        if (slot != followedSlot && level > loudest)
        {
            loudest = level;
            frame.nextDeck = slot + 1;
        }
    }
    return frame;
}

} // namespace orvbeat
