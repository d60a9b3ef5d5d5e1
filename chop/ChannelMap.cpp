#include "ChannelMap.h"

#include "plugin/NearestFloat.h"

namespace orvchannels
{

namespace
{

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
                    sample = orvplugin::nearestFloat(record.*(key.int32));
                else if constexpr (key.kind == orvprotocol::ValueKind::Float64)
                    sample = orvplugin::nearestFloat(record.*(key.float64));
            }
        });
}

} // namespace

void writeControl(float* const* channels, const Control& control)
{
    writeFields(channels, 0, control);
}

void writeDeck(float* const* channels, int32_t deck, const Deck& record)
{
    writeFields(channels, orvprotocol::deckChannel(deck, 0), record);
}

} // namespace orvchannels
