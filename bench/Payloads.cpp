#include "Payloads.h"

#include "protocol/RecordEncoding.h"

#include <cstdint>
#include <iterator>

namespace orvbench
{
namespace
{

// The few MessagePack forms a sender uses, big-endian as the format wants.
class Writer
{
public:
    Writer& map(unsigned entries)
    {
        bytes_ += static_cast<char>(0x80 | entries); // fixmap, up to 15 entries
        return *this;
    }

    Writer& text(const std::string& value)
    {
        if (value.size() < 32)
        {
            bytes_ += static_cast<char>(0xa0 | value.size());
        }
        else
        {
            bytes_ += static_cast<char>(0xd9); // str 8
            bytes_ += static_cast<char>(value.size());
        }
        bytes_ += value;
        return *this;
    }

    Writer& raw(const std::string& bytes)
    {
        bytes_ += bytes;
        return *this;
    }

    std::string bytes() const { return bytes_; }

private:
    std::string bytes_;
};

// Every key of the record in the protocol's order, each value in the shortest form of its
// kind (as the encoder writes it: float 64, float 32, fixints, str 8 for longer texts).
template <class Record> std::string payloadOf(const Record& record)
{
    Writer writer;
    writer.map(static_cast<unsigned>(std::size(orvprotocol::KeysOf<Record>::keys)));
    for (const auto& key : orvprotocol::KeysOf<Record>::keys)
    {
        writer.text(std::string(key.key)).raw(orvprotocol::encodeField(key, record).dump());
    }
    return writer.bytes();
}

} // namespace

std::string deckPayload(double position)
{
    Deck deck;
    deck.deck = 2;
    deck.pitch = 1.0213;
    deck.position = position;
    deck.position2 = position - 0.025;
    deck.normalizedPosition = position / 312.12;
    deck.bpm = 124.0;
    deck.length = 312.12;
    deck.eqLow = 0.75f;
    deck.eqMid = 0.5f;
    deck.eqHigh = 0.62f;
    deck.beat = 3;
    return payloadOf(deck);
}

std::string metaPayload()
{
    Meta meta;
    meta.deck = 1;
    meta.title = "Night Drive (Extended Mix)";
    meta.artist = "Lena Okafor & The Tides";
    meta.album = "Coastal Lights, Vol. 2";
    meta.filepath =
        "/Users/dj/Music/Lena Okafor/Coastal Lights Vol 2/07 Night Drive (Extended Mix).flac";
    return payloadOf(meta);
}

std::string controlPayload()
{
    Control control;
    control.upfaderA = 0.8;
    control.upfaderB = 1.0;
    control.crossfader = -0.25;
    control.active = 1;
    return payloadOf(control);
}

std::string eventPayload(const std::string& name, unsigned value)
{
    Event event;
    event.name = name;
    event.value = static_cast<uint8_t>(value);
    return payloadOf(event);
}

std::vector<Payload> typicalPayloads()
{
    return {{"Deck", deckPayload()},
            {"Meta", metaPayload()},
            {"Control", controlPayload()},
            {"Event", eventPayload()}};
}

std::string datagram(unsigned char type, const std::string& payload)
{
    return std::string(1, static_cast<char>(type)) + payload;
}

} // namespace orvbench
