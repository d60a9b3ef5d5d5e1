#include "support/sim/SimDatagrams.h"

#include "protocol/RecordEncoding.h"

#include <algorithm>

namespace orvsim
{

namespace
{

// Position2 and NormalizedPosition follow from Position, as a sender derives them.
Deck deckRecord(const DeckReport& report, int number)
{
    Deck record;
    record.deck = number;
    record.pitch = report.pitch;
    record.position = report.position;
    record.position2 = std::max(0.0, report.length - report.position);
    record.normalizedPosition =
        report.length > 0.0 ? std::clamp(report.position / report.length, 0.0, 1.0) : 0.0;
    record.bpm = report.bpm;
    record.length = report.length;
    record.beat = report.beat;
    return record;
}

} // namespace

DeckReport deckReport(const DeckState& deck, const SenderProfile& sender, double time)
{
    // Everything the sender derives from Position, it derives from the Position it reports
    // (but Beat, when it comes from the engine's own position).
    DeckState seen = deck;
    seen.position = reportedPosition(deck, sender, time);
    DeckReport report;
    report.sendTime = time;
    report.position = seen.position;
    report.pitch = deck.pitch;
    report.bpm = reportedBpm(seen, sender);
    report.length = deck.track.lengthSeconds;
    report.beat = reportedBeat(sender.beatFromEngine ? deck : seen, sender);
    report.step = bufferSeconds(sender) * deck.pitch + sender.positionStep;
    return report;
}

std::string deckDatagram(const DeckState& deck, const SenderProfile& sender, double time)
{
    Deck record = deckRecord(deckReport(deck, sender, time), deck.number);
    record.eqLow = deck.eqLow;
    record.eqMid = deck.eqMid;
    record.eqHigh = deck.eqHigh;
    return orvprotocol::recordDatagram(MessageType::Deck, record);
}

std::string deckDatagram(const DeckReport& report, int number)
{
    return orvprotocol::recordDatagram(MessageType::Deck, deckRecord(report, number));
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

std::vector<StreamDatagram> stepDatagrams(const DjModel& model, const std::vector<int>& loadedDecks,
                                          const std::vector<DjEvent>& events,
                                          const SenderProfile& sender, bool metaDue)
{
    std::vector<StreamDatagram> datagrams;
    for (int number = 1; number <= kDeckCount; ++number)
    {
        const DeckState& deck = model.deck(number);
        if (metaDue ||
            std::find(loadedDecks.begin(), loadedDecks.end(), number) != loadedDecks.end())
            datagrams.push_back({metaDatagram(deck), number});
        datagrams.push_back({deckDatagram(deck, sender, model.time()), number});
    }
    datagrams.push_back({controlDatagram(model.mixer()), 0});
    for (const DjEvent& event : events)
        datagrams.push_back({eventDatagram(event), 0});
    return datagrams;
}

} // namespace orvsim
