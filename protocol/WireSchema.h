// The wire schema: what a DJ-side sender puts on the wire and the records a receiver decodes
// from it. The records' decoders, the orv tool, the benchmarks and the tests read the key
// tables below; where each field shows on the nodes is protocol/NodeLayout.h's business.
// Adding a key means adding its record field and one line in the key table of its record.
//
//   datagram: one type byte (MessageType), then one MessagePack map with string keys
//
// Each record field is read from one key with a MessagePack accessor that never fails, so a
// missing key, a key of another case or a value of the wrong kind leaves the field at 0 or
// empty. fromMsgPack never throws for any input and reports nothing. The records are plain
// values; the receiver keeps them by value and hands out copies.
#pragma once

#include "msgpack/MsgPack.h"

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

// The first byte of a state datagram. Every other value (3, 5 to 255) is ignored.
enum class MessageType : std::uint8_t
{
    Control = 0,
    Deck = 1,
    Meta = 2,
    Event = 4,
};

// The mixer.
struct Control
{
    double upfaderA = 0.0;   // "UpfaderA"
    double upfaderB = 0.0;   // "UpfaderB"
    double crossfader = 0.0; // "Crossfader"
    std::int32_t active = 0; // "Active"

    static Control fromMsgPack(const orvpack::MsgPack& value);
};

// One deck's playback state. `deck` (1 to 4) names the slot it replaces.
struct Deck
{
    double pitch = 0.0;              // "Pitch"
    double position = 0.0;           // "Position"
    double position2 = 0.0;          // "Position2"
    double normalizedPosition = 0.0; // "NormalizedPosition"
    double bpm = 0.0;                // "BPM"
    double length = 0.0;             // "Length"
    float eqLow = 0.0f;              // "EQLow"
    float eqMid = 0.0f;              // "EQMid"
    float eqHigh = 0.0f;             // "EQHigh"
    std::int32_t deck = 0;           // "Deck"
    std::int32_t beat = 0;           // "Beat"

    static Deck fromMsgPack(const orvpack::MsgPack& value);
};

// The track loaded on one deck. `deck` (1 to 4) names the slot it replaces.
struct Meta
{
    std::int32_t deck = 0; // "Deck"
    std::string title;     // "Title"
    std::string artist;    // "Artist"
    std::string album;     // "Album"
    std::string filepath;  // "Filepath"

    static Meta fromMsgPack(const orvpack::MsgPack& value);
};

// One named event. The receiver stores only name -> value; the record lives between decoding
// and storing.
struct Event
{
    std::string name;       // "Event"
    std::uint8_t value = 0; // "Value": low 8 bits of an integer, a float truncated first

    static Event fromMsgPack(const orvpack::MsgPack& value);
};

namespace orvprotocol
{

// Addresses, ports and limits.
inline constexpr const char* kDefaultIp = "127.0.0.1";
inline constexpr std::uint16_t kDefaultPort = 3650;
inline constexpr const char* kMulticastGroup = "239.0.0.1";
// The one datagram a receiver sends, once per connect: this byte, to this port.
inline constexpr std::uint8_t kDiscoveryByte = 0x09;
inline constexpr std::uint16_t kDiscoveryPort = 7000;
// A receiver handles at most this many bytes of a datagram (the type byte included).
inline constexpr std::size_t kDatagramLimit = 4096;

// The handled type bytes; every other value is ignored.
struct MessageInfo
{
    MessageType type;
    const char* name; // "Control"
};
inline constexpr MessageInfo kMessageTypes[] = {
    {MessageType::Control, "Control"},
    {MessageType::Deck, "Deck"},
    {MessageType::Meta, "Meta"},
    {MessageType::Event, "Event"},
};
// The message of a type byte, or nullptr for a byte that is ignored.
const MessageInfo* findMessage(std::uint8_t typeByte);

// The field a key fills, typed: one of the five field types a record has. The alternative
// held says which MessagePack accessor reads the key's value (see ValueKind).
template <class Record>
using FieldPointer = std::variant<double Record::*, float Record::*, std::int32_t Record::*,
                                  std::uint8_t Record::*, std::string Record::*>;

// The kind of a key's field, in the order of FieldPointer's alternatives.
enum class ValueKind
{
    Float64, // float64_value
    Float32, // float32_value
    Int32,   // int_value
    UInt8,   // uint8_value
    Text,    // string_value
};

// One wire key of a record and the field it fills.
template <class Record> struct Key
{
    std::string_view key;        // on the wire: "NormalizedPosition"
    const char* field;           // the record's field: "normalizedPosition"
    FieldPointer<Record> member; // &Deck::normalizedPosition

    constexpr ValueKind kind() const { return static_cast<ValueKind>(member.index()); }
};

// The keys of each record, in the order of its fields.
inline constexpr Key<Control> kControlKeys[] = {
    {"UpfaderA", "upfaderA", &Control::upfaderA},
    {"UpfaderB", "upfaderB", &Control::upfaderB},
    {"Crossfader", "crossfader", &Control::crossfader},
    {"Active", "active", &Control::active},
};

inline constexpr Key<Deck> kDeckKeys[] = {
    {"Pitch", "pitch", &Deck::pitch},
    {"Position", "position", &Deck::position},
    {"Position2", "position2", &Deck::position2},
    {"NormalizedPosition", "normalizedPosition", &Deck::normalizedPosition},
    {"BPM", "bpm", &Deck::bpm},
    {"Length", "length", &Deck::length},
    {"EQLow", "eqLow", &Deck::eqLow},
    {"EQMid", "eqMid", &Deck::eqMid},
    {"EQHigh", "eqHigh", &Deck::eqHigh},
    {"Deck", "deck", &Deck::deck},
    {"Beat", "beat", &Deck::beat},
};

inline constexpr Key<Meta> kMetaKeys[] = {
    {"Deck", "deck", &Meta::deck},
    {"Title", "title", &Meta::title},
    {"Artist", "artist", &Meta::artist},
    {"Album", "album", &Meta::album},
    {"Filepath", "filepath", &Meta::filepath},
};

inline constexpr Key<Event> kEventKeys[] = {
    {"Event", "name", &Event::name},
    {"Value", "value", &Event::value},
};

// The key table of each record.
template <class Record> struct KeysOf;
template <> struct KeysOf<Control>
{
    static constexpr const auto& keys = kControlKeys;
};
template <> struct KeysOf<Deck>
{
    static constexpr const auto& keys = kDeckKeys;
};
template <> struct KeysOf<Meta>
{
    static constexpr const auto& keys = kMetaKeys;
};
template <> struct KeysOf<Event>
{
    static constexpr const auto& keys = kEventKeys;
};

// Key I of Record's table as a type, for walks at compile time: `key` is its descriptor,
// `member` the pointer to its field with the field's own type (double Deck::*, ...).
template <class Record, std::size_t I> struct KeyAt
{
    static constexpr const Key<Record>& key = KeysOf<Record>::keys[I];
    static constexpr auto member = std::get<key.member.index()>(key.member);
};

// Calls visit(Item<Record, I>{}) for every I of the sequence, in order: the walk at compile
// time of a table of Record's (forEachKey, and NodeLayout.h's forEachShownField).
template <template <class, std::size_t> class Item, class Record, class Visit, std::size_t... I>
void visitEach(Visit& visit, std::index_sequence<I...>)
{
    (visit(Item<Record, I>{}), ...);
}

// Calls visit(KeyAt<Record, I>{}) for every key of Record's table, in order. Every key is then
// a compile-time constant, so a loop on every frame compiles to one straight store per field.
template <class Record, class Visit> void forEachKey(Visit&& visit)
{
    visitEach<KeyAt, Record>(visit, std::make_index_sequence<std::size(KeysOf<Record>::keys)>{});
}

// The index in Record's table of a wire key, or the table's size when no key has that text.
template <class Record> constexpr std::size_t keyIndex(std::string_view key)
{
    std::size_t index = 0;
    while (index < std::size(KeysOf<Record>::keys) && KeysOf<Record>::keys[index].key != key)
    {
        ++index;
    }
    return index;
}

// The key of a record field, or nullptr (for tests and tools that name a field).
template <class Record, class Field> constexpr const Key<Record>* keyOf(Field Record::*field)
{
    for (const Key<Record>& key : KeysOf<Record>::keys)
    {
        const auto* member = std::get_if<Field Record::*>(&key.member);
        if (member != nullptr && *member == field)
        {
            return &key;
        }
    }
    return nullptr;
}

// Every wire key of every record, each once, for the decoder to share (MsgPack::parse).
const orvpack::KnownStrings& wireKeys();

} // namespace orvprotocol
