// The state datagram payloads the benchmarks decode, written byte by byte the way a DJ-side
// sender writes them (every key of the record in the protocol's order, floats as float 64
// except the equaliser's float 32, small integers as fixints), so every peer decodes the same
// bytes.
#pragma once

#include <string>
#include <vector>

namespace orvbench
{

struct Payload
{
    std::string name;  // "Deck", "Meta", "Control", "Event"
    std::string bytes; // one MessagePack map, without the datagram's type byte
};

// A Deck with all 11 keys.
std::string deckPayload(double position = 61.523);
// A Meta with four strings of realistic length.
std::string metaPayload();
std::string controlPayload();
std::string eventPayload(const std::string& name = "Drop", unsigned value = 1);

// The four above, in that order.
std::vector<Payload> typicalPayloads();

// A whole datagram: the type byte, then the payload.
std::string datagram(unsigned char type, const std::string& payload);

} // namespace orvbench
