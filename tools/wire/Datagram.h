// A state datagram: one type byte, then one MessagePack value (a map with string keys).
#pragma once

#include "msgpack/MsgPack.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace orvtool
{

using Entries = std::vector<std::pair<std::string, orvpack::MsgPack>>;

// The type byte followed by the encoding of a map of `entries`, in their order.
std::string makeDatagram(uint8_t type, const Entries& entries);
// The type byte followed by the encoding of any value.
std::string makeDatagram(uint8_t type, const orvpack::MsgPack& payload);

// "Control", "Deck", "Meta", "Event" for the handled type bytes; "" for the others.
std::string messageTypeName(uint8_t type);
// "control", "Deck", ... (any case) or a number from 0 to 255.
bool parseMessageType(const std::string& text, uint8_t& out);

// "01 82 a4 ..." for display.
std::string toHex(const std::string& bytes);
// The same in lines of 16 bytes, each starting with `indent` and ending in a line break.
std::string hexLines(const std::string& bytes, const std::string& indent);
// Hex digits with optional spaces, colons, commas, dashes and "0x" prefixes between bytes.
// False, with the reason in `error`, for other characters or an odd number of digits.
bool fromHex(const std::string& text, std::string& out, std::string& error);

} // namespace orvtool
