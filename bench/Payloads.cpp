#include "Payloads.h"

#include "protocol/RecordEncoding.h"

#include <cstdint>

namespace orvbench
{

std::string deckPayload(double position, int deckNumber)
{
    Deck deck;
    deck.deck = deckNumber;
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
    return orvprotocol::encodeRecordInKeyOrder(deck);
}

std::string metaPayload(int deckNumber)
{
    Meta meta;
    meta.deck = deckNumber;
    meta.title = "Night Drive (Extended Mix)";
    meta.artist = "Lena Okafor & The Tides";
    meta.album = "Coastal Lights, Vol. 2";
    meta.filepath =
        "/Users/dj/Music/Lena Okafor/Coastal Lights Vol 2/07 Night Drive (Extended Mix).flac";
    return orvprotocol::encodeRecordInKeyOrder(meta);
}

std::string controlPayload()
{
    Control control;
    control.upfaderA = 0.8;
    control.upfaderB = 1.0;
    control.crossfader = -0.25;
    control.active = 1;
    return orvprotocol::encodeRecordInKeyOrder(control);
}

std::string eventPayload(const std::string& name, unsigned value)
{
    Event event;
    event.name = name;
    event.value = static_cast<uint8_t>(value);
    return orvprotocol::encodeRecordInKeyOrder(event);
}

std::vector<Payload> typicalPayloads()
{
    return {{"Deck", deckPayload()},
            {"Meta", metaPayload()},
            {"Control", controlPayload()},
            {"Event", eventPayload()}};
}

} // namespace orvbench
