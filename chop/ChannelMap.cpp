#include "ChannelMap.h"

#include <limits>

namespace orvchannels
{

// Halfway between the largest float and 2^128: from here on (the tie included, since 2^128
// has the even significand) a double rounds to infinity.
static constexpr double kFloatOverflowEdge = 0x1.ffffffp+127;

float nearestFloat(double value)
{
    if (value >= kFloatOverflowEdge)
    {
        return std::numeric_limits<float>::infinity();
    }
    if (value <= -kFloatOverflowEdge)
    {
        return -std::numeric_limits<float>::infinity();
    }
    return static_cast<float>(value);
}

float nearestFloat(int32_t value)
{
    return static_cast<float>(value);
}

void writeControl(float* const* channels, const Control& control)
{
    channels[kUpfaderAChannel][0] = nearestFloat(control.upfaderA);
    channels[kUpfaderBChannel][0] = nearestFloat(control.upfaderB);
    channels[kCrossfaderChannel][0] = nearestFloat(control.crossfader);
}

void writeDeck(float* const* channels, int32_t deck, const Deck& record)
{
    float* const* first = channels + deckBase(deck);
    first[PitchOffset][0] = nearestFloat(record.pitch);
    first[PositionOffset][0] = nearestFloat(record.position);
    first[Position2Offset][0] = nearestFloat(record.position2);
    first[NormalizedPositionOffset][0] = nearestFloat(record.normalizedPosition);
    first[BpmOffset][0] = nearestFloat(record.bpm);
    first[LengthOffset][0] = nearestFloat(record.length);
    first[EqLowOffset][0] = record.eqLow;
    first[EqMidOffset][0] = record.eqMid;
    first[EqHighOffset][0] = record.eqHigh;
    first[DeckOffset][0] = nearestFloat(record.deck);
    first[BeatOffset][0] = nearestFloat(record.beat);
}

} // namespace orvchannels
