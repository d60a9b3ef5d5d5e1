#include "ChannelMap.h"

#include <limits>

namespace orvchannels
{

namespace
{

// Halfway between the largest float and 2^128: from here on (the tie included, since 2^128
// has the even significand) a double rounds to infinity.
constexpr double kFloatOverflowEdge = 0x1.ffffffp+127;

// Sample 0 of every channel of a record's fields, `first` the channel of offset 0. Each key
// is a compile-time constant: one conversion and one store per field.
template <class Record> void writeFields(float* const* channels, int first, const Record& record)
{
    orvprotocol::forEachKey<Record>(
        [&](auto index)
        {
            constexpr const auto& key = orvprotocol::KeysOf<Record>::keys[decltype(index)::value];
            if constexpr (key.channel != orvprotocol::noChannel)
            {
                float& sample = channels[first + key.channel][0];
                // Doubles and integers are rounded to nearest, 32-bit floats copied.
                if constexpr (key.kind == orvprotocol::ValueKind::Float32)
                    sample = record.*(key.float32);
                else if constexpr (key.kind == orvprotocol::ValueKind::Int32)
                    sample = nearestFloat(record.*(key.int32));
                else if constexpr (key.kind == orvprotocol::ValueKind::Float64)
                    sample = nearestFloat(record.*(key.float64));
            }
        });
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
    writeFields(channels, 0, control);
}

void writeDeck(float* const* channels, int32_t deck, const Deck& record)
{
    writeFields(channels, orvprotocol::deckChannel(deck, 0), record);
}

} // namespace orvchannels
