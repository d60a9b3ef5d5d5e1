#include "sim/SimDatagrams.h"

#include "protocol/RecordEncoding.h"

namespace orvsim
{

std::string deckDatagram(const DeckState& deck)
{
    Deck record;
    record.deck = deck.number;
    record.pitch = deck.pitch;
    record.position = deck.position;
    record.position2 = deck.remaining();
    record.normalizedPosition = deck.normalizedPosition();
    record.bpm = deck.bpm();
    record.length = deck.track.lengthSeconds;
    record.eqLow = deck.eqLow;
    record.eqMid = deck.eqMid;
    record.eqHigh = deck.eqHigh;
    record.beat = deck.beat();
    return orvprotocol::recordDatagram(MessageType::Deck, record);
}

std::string metaDatagram(const DeckState& deck)
{
    Meta record;
    record.deck = deck.number;
    record.title = deck.track.title;
    record.artist = deck.track.artist;
    record.album = deck.track.album;
    record.filepath = deck.track.filepath;
    return orvprotocol::recordDatagram(MessageType::Meta, record);
}

std::string controlDatagram(const MixerState& mixer)
{
    Control record;
    record.upfaderA = mixer.upfaderA;
    record.upfaderB = mixer.upfaderB;
    record.crossfader = mixer.crossfader;
    record.active = mixer.active;
    return orvprotocol::recordDatagram(MessageType::Control, record);
}

std::string eventDatagram(const DjEvent& event)
{
    Event record;
    record.name = event.name;
    record.value = static_cast<uint8_t>(event.value & 0xff);
    return orvprotocol::recordDatagram(MessageType::Event, record);
}

} // namespace orvsim
