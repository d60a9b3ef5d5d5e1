#include "receiver/Messages.h"

#include <string_view>

namespace
{

// Hands every entry of a map payload whose key is a string to `assign`, in one walk of the
// map. Map keys are unique, so each field gets exactly the value under its key, as a lookup
// per field would give it, without a tree search for each of the record's keys. A payload
// that is no map has no entries: every field keeps its default.
template <class Assign> void forEachStringKey(const orvpack::MsgPack& value, Assign assign)
{
    for (const auto& [key, field] : value.object_items())
    {
        if (key.type() == orvpack::MsgPack::STRING)
        {
            assign(std::string_view(key.string_value()), field);
        }
    }
}

} // namespace

Control Control::fromMsgPack(const orvpack::MsgPack& value)
{
    Control record;
    forEachStringKey(value,
                     [&record](std::string_view key, const orvpack::MsgPack& field)
                     {
                         if (key == "UpfaderA")
                             record.upfaderA = field.float64_value();
                         else if (key == "UpfaderB")
                             record.upfaderB = field.float64_value();
                         else if (key == "Crossfader")
                             record.crossfader = field.float64_value();
                         else if (key == "Active")
                             record.active = field.int_value();
                     });
    return record;
}

Deck Deck::fromMsgPack(const orvpack::MsgPack& value)
{
    Deck record;
    forEachStringKey(value,
                     [&record](std::string_view key, const orvpack::MsgPack& field)
                     {
                         if (key == "Pitch")
                             record.pitch = field.float64_value();
                         else if (key == "Position")
                             record.position = field.float64_value();
                         else if (key == "Position2")
                             record.position2 = field.float64_value();
                         else if (key == "NormalizedPosition")
                             record.normalizedPosition = field.float64_value();
                         else if (key == "BPM")
                             record.bpm = field.float64_value();
                         else if (key == "Length")
                             record.length = field.float64_value();
                         else if (key == "EQLow")
                             record.eqLow = field.float32_value();
                         else if (key == "EQMid")
                             record.eqMid = field.float32_value();
                         else if (key == "EQHigh")
                             record.eqHigh = field.float32_value();
                         else if (key == "Deck")
                             record.deck = field.int_value();
                         else if (key == "Beat")
                             record.beat = field.int_value();
                     });
    return record;
}

Meta Meta::fromMsgPack(const orvpack::MsgPack& value)
{
    Meta record;
    forEachStringKey(value,
                     [&record](std::string_view key, const orvpack::MsgPack& field)
                     {
                         if (key == "Deck")
                             record.deck = field.int_value();
                         else if (key == "Title")
                             record.title = field.string_value();
                         else if (key == "Artist")
                             record.artist = field.string_value();
                         else if (key == "Album")
                             record.album = field.string_value();
                         else if (key == "Filepath")
                             record.filepath = field.string_value();
                     });
    return record;
}

Event Event::fromMsgPack(const orvpack::MsgPack& value)
{
    Event record;
    forEachStringKey(value,
                     [&record](std::string_view key, const orvpack::MsgPack& field)
                     {
                         if (key == "Event")
                             record.name = field.string_value();
                         else if (key == "Value")
                             record.value = field.uint8_value();
                     });
    return record;
}
