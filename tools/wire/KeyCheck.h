// How a node reads the keys of a payload, beyond the record it builds: the keys it ignores
// (not the protocol's, of another case, of another record, not text) and the values it reads
// as something else than was written (text under a number key reads as 0, a fraction under a
// whole-number key is cut). What `orv send` warns about and `orv decode` lists.
#pragma once

#include "msgpack/MsgPack.h"
#include "protocol/WireSchema.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvtool
{

struct KeyFinding
{
    std::string label; // "ignored" (a key the node skips), "kind" (a value read otherwise),
                       // "payload" (no map at all)
    std::string text;  // "\"bpm\" is no Deck key: a node ignores it (the key is \"BPM\")"
};

// The kind of `key` in the record of message type `type`; false when the record has no such
// key or the type no record.
bool keyKind(uint8_t type, std::string_view key, orvprotocol::ValueKind& kind);

// What a node reads otherwise than written in the decoded payload of a datagram of type
// `type`; nothing for a type without a record.
std::vector<KeyFinding> checkKeys(uint8_t type, const orvpack::MsgPack& payload);

// Everything about a whole datagram (type byte first) that a node does not take as written:
// no type byte, a type it ignores, a payload that does not decode, checkKeys' findings, a
// record it drops. Empty when a node takes the datagram as it is.
std::vector<std::string> datagramWarnings(const std::string& datagram);

} // namespace orvtool
