// The datagrams a receiver accepts and the records their payloads decode into.
//
// A state datagram is one type byte (a MessageType) followed by one MessagePack map with
// string keys. Each record field is read from one key (protocol/Protocol.h names them) with a
// MessagePack accessor that never fails, so a missing key, a key of another case or a value of
// the wrong kind leaves the field at 0 or empty. fromMsgPack never throws for any input and
// reports nothing.
//
// The records are plain values; the receiver keeps them by value and hands out copies.

#ifndef ORV_PROTOCOL_MESSAGES_H
#define ORV_PROTOCOL_MESSAGES_H

#include "msgpack/MsgPack.h"

#include <cstdint>
#include <string>

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
    std::string name;        // "Event"
    std::uint8_t value = 0;  // "Value": low 8 bits of an integer, a float truncated first

    static Event fromMsgPack(const orvpack::MsgPack& value);
};

#endif
