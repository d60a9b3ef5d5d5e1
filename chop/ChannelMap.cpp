#include "ChannelMap.h"

#include <limits>

namespace orvchannels
{

namespace
{

// Halfway between the largest float and 2^128: from here on (the tie included, since 2^128
// has the even significand) a double rounds to infinity.
constexpr double kFloatOverflowEdge = 0x1.ffffffp+127;

// A field as its channel holds it: doubles and integers rounded to nearest, 32-bit floats
// copied.
template <class Record> float sample(const orvprotocol::Key<Record>& key, const Record& record)
{
    switch (key.kind)
    {
    case orvprotocol::ValueKind::Float32:
        return record.*key.float32;
    case orvprotocol::ValueKind::Int32:
        return nearestFloat(record.*key.int32);
    default:
        return nearestFloat(key.number(record));
    }
}

} // namespace

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
    for (const auto& key : orvprotocol::controlKeys)
    {
        if (key.channel != orvprotocol::noChannel)
        {
            channels[key.channel][0] = sample(key, control);
        }
    }
}

void writeDeck(float* const* channels, int32_t deck, const Deck& record)
{
    for (const auto& key : orvprotocol::deckKeys)
    {
        if (key.channel != orvprotocol::noChannel)
        {
            channels[orvprotocol::deckChannel(deck, key.channel)][0] = sample(key, record);
        }
    }
}

} // namespace orvchannels
