#include "sim/SimDatagrams.h"

#include "protocol/RecordEncoding.h"

namespace orvsim
{

std::string deckDatagram(const DeckState& deck, const SenderProfile& sender)
{
    // Everything the sender derives from Position, it derives from the Position it reports.
    DeckState seen = deck;
    seen.position = reportedPosition(deck, sender);
    Deck record;
    record.deck = deck.number;
    record.pitch = deck.pitch;
    record.position = seen.position;
    record.position2 = seen.remaining();
    record.normalizedPosition = seen.normalizedPosition();
    record.bpm = reportedBpm(seen, sender);
    record.length = deck.track.lengthSeconds;
    record.eqLow = deck.eqLow;
    record.eqMid = deck.eqMid;
    record.eqHigh = deck.eqHigh;
    record.beat = reportedBeat(seen, sender);
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
