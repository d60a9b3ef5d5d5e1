#include "StressTraffic.h"

#include "msgpack/MsgPack.h"
#include "net/Udp.h"
#include "protocol/NodeLayout.h"
#include "protocol/RecordEncoding.h"
#include "support/LoopbackSocket.h"

#include <cmath>
#include <stdexcept>
#include <type_traits>

namespace orvstress
{
namespace
{

using orvprotocol::recordDatagram;

// By channel offset: fractions with few bits, so that s + fraction is exact in a float for s
// below 2^20. The deck number and the beat (s itself) are whole.
constexpr double deckOffsets[orvlayout::kChannelsPerDeck] = {0.0, 0.5,  0.25, 0.75, 0.125, 0.375,
                                                             0.5, 0.25, 0.75, 0,    0};

// A datagram of a handled type whose payload never decodes: cut short, a refused byte, a
// declared size beyond the datagram, or nesting beyond the limit.
std::string malformed(const std::string& valid, std::mt19937& random)
{
    const char type = valid[0];
    switch (random() % 6)
    {
    case 0: // cut anywhere inside the map (the type byte alone included)
        return valid.substr(0, 1 + random() % (valid.size() - 1));
    case 1: // 0xc1 where the first key should be
        return valid.substr(0, 2) + '\xc1' + valid.substr(2);
    case 2: // a string of 4 GiB declared, a few bytes present
        return std::string(1, type) + "\x81\xa4"
                                      "Deck"
                                      "\xdb\xff\xff\xff\xff"
                                      "abc";
    case 3: // an array of 2^32 - 1 items, then 4000 nils
        return std::string(1, type) + "\xdd\xff\xff\xff\xff" + std::string(4000, '\xc0');
    case 4: // 300 nested arrays
        return std::string(1, type) + std::string(300, '\x91') + '\xc0';
    default: // a map of 65535 entries declared, 200 present
    {
        std::string bytes = std::string(1, type) + "\xde\xff\xff";
        for (int i = 0; i < 200; ++i)
        {
            bytes += '\x01';
            bytes += '\x02';
        }
        return bytes;
    }
    }
}

} // namespace

std::string deckDatagram(uint32_t s, int deck)
{
    Deck record;
    orvlayout::forEachShownField<Deck>(
        [&](auto field)
        {
            using Field = decltype(field);
            using Value = std::decay_t<decltype(record.*Field::member)>;
            record.*Field::member = static_cast<Value>(s + deckOffsets[Field::place.channel]);
        });
    record.deck = deck;
    record.beat = static_cast<int32_t>(s);
    return recordDatagram(MessageType::Deck, record);
}

DeckFields expectedDeck(uint32_t s, int deck)
{
    DeckFields fields;
    for (int i = 0; i < orvlayout::kChannelsPerDeck; ++i)
    {
        fields.values[i] = s + deckOffsets[i];
    }
    fields.values[orvlayout::placeOf(&Deck::deck).channel] = deck;
    fields.values[orvlayout::placeOf(&Deck::beat).channel] = s;
    return fields;
}

std::string metaDatagram(uint32_t s, int deck)
{
    const std::string n = std::to_string(s);
    Meta record;
    record.deck = deck;
    record.title = "T" + n;
    record.artist = "A" + n;
    record.album = "B" + n;
    record.filepath = "/F/" + n;
    return recordDatagram(MessageType::Meta, record);
}

std::string controlDatagram(uint32_t s)
{
    Control record;
    record.upfaderA = s + 0.0;
    record.upfaderB = s + 0.5;
    record.crossfader = s + 0.25;
    record.active = static_cast<int32_t>(s);
    return recordDatagram(MessageType::Control, record);
}

std::string eventDatagram(const std::string& name, uint8_t value)
{
    Event record;
    record.name = name;
    record.value = value;
    return recordDatagram(MessageType::Event, record);
}

std::string checkDeck(const DeckFields& shown, int slot)
{
    bool allZero = true;
    for (double value : shown.values)
    {
        allZero = allZero && value == 0.0;
    }
    if (allZero)
    {
        return "";
    }
    const double beat = shown.values[orvlayout::placeOf(&Deck::beat).channel];
    const double number = shown.values[orvlayout::placeOf(&Deck::deck).channel];
    if (beat < 0 || beat != std::floor(beat) || number != slot)
    {
        return "deck slot " + std::to_string(slot) + " shows deck " + std::to_string(number) +
               ", beat " + std::to_string(beat);
    }
    const DeckFields expected = expectedDeck(static_cast<uint32_t>(beat), slot);
    for (const auto& place : orvlayout::kDeckPlaces)
    {
        if (shown.values[place.channel] != expected.values[place.channel])
        {
            return "deck slot " + std::to_string(slot) +
                   " mixes datagrams: " + std::string(place.key) + " is " +
                   std::to_string(shown.values[place.channel]) + " beside beat " +
                   std::to_string(beat);
        }
    }
    return "";
}

std::string checkMeta(const std::string (&texts)[4])
{
    if (texts[0].empty() && texts[1].empty() && texts[2].empty() && texts[3].empty())
    {
        return "";
    }
    const std::string n = texts[0].substr(texts[0].empty() ? 0 : 1);
    if (texts[0] != "T" + n || texts[1] != "A" + n || texts[2] != "B" + n || texts[3] != "/F/" + n)
    {
        return "meta mixes datagrams: " + texts[0] + " " + texts[1] + " " + texts[2] + " " +
               texts[3];
    }
    return "";
}

std::string checkControl(double upfaderA, double upfaderB, double crossfader)
{
    if (upfaderA == 0.0 && upfaderB == 0.0 && crossfader == 0.0)
    {
        return "";
    }
    if (upfaderB != upfaderA + 0.5 || crossfader != upfaderA + 0.25)
    {
        return "control mixes datagrams: " + std::to_string(upfaderA) + " " +
               std::to_string(upfaderB) + " " + std::to_string(crossfader);
    }
    return "";
}

Flood::Flood(std::vector<uint16_t> ports, uint64_t count, uint32_t eventNames, uint32_t seed)
    : ports_(std::move(ports)), count_(count), eventNames_(eventNames), seed_(seed)
{
}

Flood::~Flood()
{
    stop();
    join();
}

void Flood::start()
{
    std::mt19937 random(seed_);
    pool_.reserve(poolSize);
    for (size_t i = 0; i < poolSize; ++i)
    {
        Entry entry;
        entry.bytes = next(random, entry.kind);
        entry.fromOther = random() % 5 == 0;
        pool_.push_back(std::move(entry));
    }
    thread_ = std::thread(&Flood::run, this);
}

void Flood::stop()
{
    stopping_.store(true);
}

void Flood::join()
{
    if (thread_.joinable())
    {
        thread_.join();
    }
}

std::string Flood::next(std::mt19937& random, Kind& sort)
{
    const uint32_t kind = random() % 100;
    const int deck = 1 + static_cast<int>(random() % 4);
    if (kind < 45)
    {
        sort = Kind::Valid;
        const uint32_t s = sequence_++;
        if (kind < 15)
        {
            return deckDatagram(s, deck);
        }
        if (kind < 20)
        {
            return metaDatagram(s, deck);
        }
        if (kind < 25)
        {
            return controlDatagram(s);
        }
        // One event in fifty has a new long name: the name bound must hold memory down.
        if (random() % 50 == 0)
        {
            return eventDatagram(std::string(2000, 'L') + std::to_string(s), s & 0xff);
        }
        return eventDatagram("E" + std::to_string(random() % eventNames_), s & 0xff);
    }
    if (kind < 75)
    {
        sort = Kind::Malformed;
        return malformed(kind % 2 == 0 ? deckDatagram(0, deck) : metaDatagram(0, deck), random);
    }
    sort = Kind::Random;
    std::string bytes(random() % 4200, '\0');
    for (char& byte : bytes)
    {
        byte = static_cast<char>(random());
    }
    return bytes;
}

void Flood::run()
{
    std::mt19937 random(seed_ + 1);
    orvsupport::LoopbackSocket main("127.0.0.1");
    orvsupport::LoopbackSocket other("127.0.0.2");
    size_t index = 0;
    while (!stopping_.load() && (count_ == 0 || sent_.load() < count_))
    {
        const Entry& entry = pool_[index++ % pool_.size()];
        const uint16_t port = ports_[random() % ports_.size()];
        // A full socket buffer or a port that is closed for a moment is part of the test.
        if (!(entry.fromOther ? other : main).send(port, entry.bytes))
        {
            ++counts_.sendFailures;
        }
        switch (entry.kind)
        {
        case Kind::Valid:
            ++counts_.valid;
            break;
        case Kind::Malformed:
            ++counts_.malformed;
            break;
        case Kind::Random:
            ++counts_.random;
            break;
        }
        sent_.fetch_add(1);
    }
    finished_.store(true);
}

} // namespace orvstress
