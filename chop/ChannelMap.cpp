#include "ChannelMap.h"

#include "plugin/NearestFloat.h"

namespace orvchannels
{

namespace
{

// Doubles and integers are rounded to nearest, 32-bit floats copied.
float sampleOf(double value)
{
    return orvplugin::nearestFloat(value);
}
float sampleOf(std::int32_t value)
{
    return orvplugin::nearestFloat(value);
}
float sampleOf(float value)
{
    return value;
}

// Sample 0 of every channel of a record's fields, `first` the channel of offset 0. Each field
// is a compile-time constant: one conversion and one store per field.
template <class Record> void writeFields(float* const* channels, int first, const Record& record)
{
    orvlayout::forEachShownField<Record>(
        [&](auto field)
        {
            using Field = decltype(field);
            if constexpr (Field::place.channel != orvlayout::kNoChannel)
                channels[first + Field::place.channel][0] = sampleOf(record.*Field::member);
        });
}

} // namespace

void writeControl(float* const* channels, const Control& control)
{
    writeFields(channels, 0, control);
}

void writeDeck(float* const* channels, int32_t deck, const Deck& record)
{
    writeFields(channels, orvlayout::deckChannel(deck, 0), record);
}

} // namespace orvchannels
