// The ORV protocol as data: what a DJ-side sender puts on the wire, and where each received
// value shows on the nodes. Everything that reads or writes the wire, or lays out the table
// and the channels, reads these tables: the records' decoders, both bundles, the orv tool,
// the benchmarks and the tests. Adding a key means adding its record field (Messages.h) and
// one row in the key table of its record below.
//
//   datagram: one type byte (MessageType), then one MessagePack map with string keys
//   table:    18 fixed rows (header, 17 labelled rows) plus one row per event, 5 columns
//   channels: 48; 0 to 2 the mixer, then 11 per deck from deckChannel(deck, 0), 47 unused
#pragma once

#include "protocol/Messages.h"

#include "msgpack/MsgPack.h"

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

namespace orvprotocol
{

// Addresses, ports and limits.
inline constexpr const char* defaultIp = "127.0.0.1";
inline constexpr std::uint16_t defaultPort = 3650;
inline constexpr const char* multicastGroup = "239.0.0.1";
// The one datagram a receiver sends, once per connect: this byte, to this port.
inline constexpr std::uint8_t discoveryByte = 0x09;
inline constexpr std::uint16_t discoveryPort = 7000;
// A receiver handles at most this many bytes of a datagram (the type byte included).
inline constexpr std::size_t datagramLimit = 4096;

// The handled type bytes; every other value is ignored.
struct MessageInfo
{
    MessageType type;
    const char* name; // "Control"
};
inline constexpr MessageInfo messageTypes[] = {
    {MessageType::Control, "Control"},
    {MessageType::Deck, "Deck"},
    {MessageType::Meta, "Meta"},
    {MessageType::Event, "Event"},
};
// The message of a type byte, or nullptr for a byte that is ignored.
const MessageInfo* findMessage(std::uint8_t typeByte);

// The table operator's table. Column 0 holds the labels, columns 1 to 4 the decks 1 to 4.
inline constexpr int deckCount = 4;
inline constexpr const char* deckHeaders[deckCount] = {"Deck A", "Deck B", "Deck C", "Deck D"};
enum TableRow : int
{
    HeaderRow = 0,
    TitleRow,
    ArtistRow,
    AlbumRow,
    FilepathRow,
    LengthRow,
    VelocityRow,
    PositionRow,
    Position2Row,
    NormPosRow,
    BpmRow,
    EqLowRow,
    EqMidRow,
    EqHighRow,
    BeatRow,
    UpfaderARow,
    UpfaderBRow,
    CrossfaderRow,
    FirstEventRow, // one row per event name from here on
};
inline constexpr int fixedRows = FirstEventRow;
// Event names a node keeps (and rows it shows below the fixed ones); a new name beyond this
// is dropped with a warning.
inline constexpr std::size_t maxEventNames = 1024;
inline constexpr int tableColumns = 5;
inline constexpr int labelColumn = 0;
inline constexpr int eventValueColumn = 1;
// Indexed by TableRow; the header row has no label.
inline constexpr const char* rowLabels[fixedRows] = {
    nullptr,    "Title",    "Artist",    "Album",    "Filepath", "Length",
    "Velocity", "Position", "Position2", "NormPos",  "BPM",      "EQLow",
    "EQMid",    "EQHigh",   "Beat",      "UpfaderA", "UpfaderB", "Crossfader",
};

// The channel operator's channels, one sample each.
inline constexpr int channelCount = 48;
inline constexpr int channelsPerDeck = 11;
inline constexpr int firstDeckChannel = 3;
inline constexpr int unusedChannel = 47; // declared, never written
// The channel of a deck key (deck 1 to 4, `offset` its Key::channel).
constexpr int deckChannel(int deck, int offset)
{
    return firstDeckChannel + channelsPerDeck * (deck - 1) + offset;
}

inline constexpr int noRow = -1;
inline constexpr int noChannel = -1;

// How a key's value is read into its field.
enum class ValueKind
{
    Float64, // float64_value
    Float32, // float32_value
    Int32,   // int_value
    UInt8,   // uint8_value
    Text,    // string_value
};

// One wire key of a record: the field it fills and where that field shows. `row` is a
// TableRow (Meta and Deck fields in their deck's column, Control fields in all four) or
// noRow; `channel` is a Control field's channel, a Deck field's offset from its deck's first
// channel, or noChannel. `name` is the field's descriptive channel name ("upfader_a";
// "bpm", which a deck's channel prefixes with "deckN_").
template <class Record> struct Key
{
    std::string_view key;
    const char* field;
    ValueKind kind;
    double Record::*float64 = nullptr;
    float Record::*float32 = nullptr;
    std::int32_t Record::*int32 = nullptr;
    std::uint8_t Record::*uint8 = nullptr;
    std::string Record::*text = nullptr;
    int row = noRow;
    int channel = noChannel;
    const char* name = nullptr;

    constexpr Key(std::string_view k, const char* f, double Record::*m, int r = noRow,
                  int c = noChannel, const char* n = nullptr)
        : key(k), field(f), kind(ValueKind::Float64), float64(m), row(r), channel(c), name(n)
    {
    }
    constexpr Key(std::string_view k, const char* f, float Record::*m, int r = noRow,
                  int c = noChannel, const char* n = nullptr)
        : key(k), field(f), kind(ValueKind::Float32), float32(m), row(r), channel(c), name(n)
    {
    }
    constexpr Key(std::string_view k, const char* f, std::int32_t Record::*m, int r = noRow,
                  int c = noChannel, const char* n = nullptr)
        : key(k), field(f), kind(ValueKind::Int32), int32(m), row(r), channel(c), name(n)
    {
    }
    constexpr Key(std::string_view k, const char* f, std::uint8_t Record::*m, int r = noRow,
                  int c = noChannel, const char* n = nullptr)
        : key(k), field(f), kind(ValueKind::UInt8), uint8(m), row(r), channel(c), name(n)
    {
    }
    constexpr Key(std::string_view k, const char* f, std::string Record::*m, int r = noRow,
                  int c = noChannel, const char* n = nullptr)
        : key(k), field(f), kind(ValueKind::Text), text(m), row(r), channel(c), name(n)
    {
    }

    // The field's number (a Text field reads 0).
    double number(const Record& record) const
    {
        switch (kind)
        {
        case ValueKind::Float64:
            return record.*float64;
        case ValueKind::Float32:
            return record.*float32;
        case ValueKind::Int32:
            return record.*int32;
        case ValueKind::UInt8:
            return record.*uint8;
        case ValueKind::Text:
            break;
        }
        return 0.0;
    }

    // Reads the key's value into the record, with the accessor of the field's kind.
    void assign(Record& record, const orvpack::MsgPack& value) const
    {
        switch (kind)
        {
        case ValueKind::Float64:
            record.*float64 = value.float64_value();
            break;
        case ValueKind::Float32:
            record.*float32 = value.float32_value();
            break;
        case ValueKind::Int32:
            record.*int32 = value.int_value();
            break;
        case ValueKind::UInt8:
            record.*uint8 = value.uint8_value();
            break;
        case ValueKind::Text:
            record.*text = value.string_value();
            break;
        }
    }

    // The field's value as the sender encodes it.
    orvpack::MsgPack encode(const Record& record) const
    {
        switch (kind)
        {
        case ValueKind::Float64:
            return orvpack::MsgPack(record.*float64);
        case ValueKind::Float32:
            return orvpack::MsgPack(record.*float32);
        case ValueKind::Int32:
            return orvpack::MsgPack(record.*int32);
        case ValueKind::UInt8:
            return orvpack::MsgPack(record.*uint8);
        case ValueKind::Text:
            return orvpack::MsgPack(record.*text);
        }
        return orvpack::MsgPack();
    }
};

// The keys of each record, in the order of its fields.
inline constexpr Key<Control> controlKeys[] = {
    {"UpfaderA", "upfaderA", &Control::upfaderA, UpfaderARow, 0, "upfader_a"},
    {"UpfaderB", "upfaderB", &Control::upfaderB, UpfaderBRow, 1, "upfader_b"},
    {"Crossfader", "crossfader", &Control::crossfader, CrossfaderRow, 2, "crossfader"},
    {"Active", "active", &Control::active},
};

// In the order of the deck's channels.
inline constexpr Key<Deck> deckKeys[] = {
    {"Pitch", "pitch", &Deck::pitch, VelocityRow, 0, "pitch"},
    {"Position", "position", &Deck::position, PositionRow, 1, "position"},
    {"Position2", "position2", &Deck::position2, Position2Row, 2, "position2"},
    {"NormalizedPosition", "normalizedPosition", &Deck::normalizedPosition, NormPosRow, 3,
     "normpos"},
    {"BPM", "bpm", &Deck::bpm, BpmRow, 4, "bpm"},
    {"Length", "length", &Deck::length, LengthRow, 5, "length"},
    {"EQLow", "eqLow", &Deck::eqLow, EqLowRow, 6, "eqlow"},
    {"EQMid", "eqMid", &Deck::eqMid, EqMidRow, 7, "eqmid"},
    {"EQHigh", "eqHigh", &Deck::eqHigh, EqHighRow, 8, "eqhigh"},
    {"Deck", "deck", &Deck::deck, noRow, 9, "deck"},
    {"Beat", "beat", &Deck::beat, BeatRow, 10, "beat"},
};

inline constexpr Key<Meta> metaKeys[] = {
    {"Deck", "deck", &Meta::deck},
    {"Title", "title", &Meta::title, TitleRow},
    {"Artist", "artist", &Meta::artist, ArtistRow},
    {"Album", "album", &Meta::album, AlbumRow},
    {"Filepath", "filepath", &Meta::filepath, FilepathRow},
};

// Event rows are one per name: "Event" names the row (column 0), "Value" fills column 1.
inline constexpr Key<Event> eventKeys[] = {
    {"Event", "name", &Event::name},
    {"Value", "value", &Event::value},
};

// The key table of each record.
template <class Record> struct KeysOf;
template <> struct KeysOf<Control>
{
    static constexpr const auto& keys = controlKeys;
};
template <> struct KeysOf<Deck>
{
    static constexpr const auto& keys = deckKeys;
};
template <> struct KeysOf<Meta>
{
    static constexpr const auto& keys = metaKeys;
};
template <> struct KeysOf<Event>
{
    static constexpr const auto& keys = eventKeys;
};

// Calls visit(index) for every key of Record's table, where index is a std::integral_constant:
// `constexpr auto& key = KeysOf<Record>::keys[index];` is then a compile-time constant, so a
// loop on every frame compiles to one straight store per field.
template <class Visit, std::size_t... I> void visitIndices(Visit& visit, std::index_sequence<I...>)
{
    (visit(std::integral_constant<std::size_t, I>{}), ...);
}

template <class Record, class Visit> void forEachKey(Visit&& visit)
{
    visitIndices(visit, std::make_index_sequence<std::size(KeysOf<Record>::keys)>{});
}

// The key of a record field, or nullptr (for tests and tools that name a field).
template <class Record, class Field> const Key<Record>* keyOf(Field Record::*field)
{
    for (const Key<Record>& key : KeysOf<Record>::keys)
    {
        if constexpr (std::is_same_v<Field, double>)
        {
            if (key.float64 == field)
                return &key;
        }
        else if constexpr (std::is_same_v<Field, float>)
        {
            if (key.float32 == field)
                return &key;
        }
        else if constexpr (std::is_same_v<Field, std::int32_t>)
        {
            if (key.int32 == field)
                return &key;
        }
        else if constexpr (std::is_same_v<Field, std::uint8_t>)
        {
            if (key.uint8 == field)
                return &key;
        }
        else
        {
            if (key.text == field)
                return &key;
        }
    }
    return nullptr;
}

// Every wire key of every record, each once, for the decoder to share (MsgPack::parse).
const orvpack::KnownStrings& wireKeys();

// A record as a sender encodes it: a map holding every key of the record.
template <class Record> orvpack::MsgPack encodeRecord(const Record& record)
{
    orvpack::MsgPack::object entries;
    for (const Key<Record>& key : KeysOf<Record>::keys)
    {
        entries.emplace(std::string(key.key), key.encode(record));
    }
    return orvpack::MsgPack(std::move(entries));
}

// The datagram of a record: its type byte, then encodeRecord.
template <class Record> std::string recordDatagram(MessageType type, const Record& record)
{
    return std::string(1, static_cast<char>(type)) + encodeRecord(record).dump();
}

} // namespace orvprotocol
