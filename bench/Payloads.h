// The state datagram payloads the benchmarks decode, written the way a DJ-side sender writes
// them (every key of the record in the protocol's order, floats as float 64 except the
// equaliser's float 32, small integers as fixints), so every peer decodes the same bytes. The
// datagram around one: orvprotocol::datagram.
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
std::string deckPayload(double position = 61.523, int deckNumber = 2);
// A Meta with four strings of realistic length.
std::string metaPayload(int deckNumber = 1);
std::string controlPayload();
std::string eventPayload(const std::string& name = "Drop", unsigned value = 1);

// The four above, in that order.
std::vector<Payload> typicalPayloads();

} // namespace orvbench
