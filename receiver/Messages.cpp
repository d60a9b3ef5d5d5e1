#include "receiver/Messages.h"

namespace
{

// The wire keys, built once: a lookup takes a std::string, and the longer keys would
// otherwise cost an allocation on every datagram.
struct Keys
{
    const std::string upfaderA{"UpfaderA"};
    const std::string upfaderB{"UpfaderB"};
    const std::string crossfader{"Crossfader"};
    const std::string active{"Active"};
    const std::string pitch{"Pitch"};
    const std::string position{"Position"};
    const std::string position2{"Position2"};
    const std::string normalizedPosition{"NormalizedPosition"};
    const std::string bpm{"BPM"};
    const std::string length{"Length"};
    const std::string eqLow{"EQLow"};
    const std::string eqMid{"EQMid"};
    const std::string eqHigh{"EQHigh"};
    const std::string deck{"Deck"};
    const std::string beat{"Beat"};
    const std::string title{"Title"};
    const std::string artist{"Artist"};
    const std::string album{"Album"};
    const std::string filepath{"Filepath"};
    const std::string event{"Event"};
    const std::string value{"Value"};
};

const Keys& keys()
{
    static const Keys instance; // thread-safe one-time initialisation
    return instance;
}

} // namespace

Control Control::fromMsgPack(const orvpack::MsgPack& value)
{
    const Keys& k = keys();
    Control record;
    record.upfaderA = value[k.upfaderA].float64_value();
    record.upfaderB = value[k.upfaderB].float64_value();
    record.crossfader = value[k.crossfader].float64_value();
    record.active = value[k.active].int_value();
    return record;
}

Deck Deck::fromMsgPack(const orvpack::MsgPack& value)
{
    const Keys& k = keys();
    Deck record;
    record.pitch = value[k.pitch].float64_value();
    record.position = value[k.position].float64_value();
    record.position2 = value[k.position2].float64_value();
    record.normalizedPosition = value[k.normalizedPosition].float64_value();
    record.bpm = value[k.bpm].float64_value();
    record.length = value[k.length].float64_value();
    record.eqLow = value[k.eqLow].float32_value();
    record.eqMid = value[k.eqMid].float32_value();
    record.eqHigh = value[k.eqHigh].float32_value();
    record.deck = value[k.deck].int_value();
    record.beat = value[k.beat].int_value();
    return record;
}

Meta Meta::fromMsgPack(const orvpack::MsgPack& value)
{
    const Keys& k = keys();
    Meta record;
    record.deck = value[k.deck].int_value();
    record.title = value[k.title].string_value();
    record.artist = value[k.artist].string_value();
    record.album = value[k.album].string_value();
    record.filepath = value[k.filepath].string_value();
    return record;
}

Event Event::fromMsgPack(const orvpack::MsgPack& value)
{
    const Keys& k = keys();
    Event record;
    record.name = value[k.event].string_value();
    record.value = value[k.value].uint8_value();
    return record;
}
