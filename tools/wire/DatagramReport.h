// One datagram as `orv decode` shows it: the type byte, the MessagePack value tree with each
// value's kind, the record a node builds from it, field by field, with the table row and
// channel where each field shows, and what a node reads otherwise than written; or the
// decoder's error text and whether a node shows it as its error or its warning.
#pragma once

#include <ostream>
#include <string>

namespace orvtool
{

// Writes the report; false when a node would drop the datagram (no type byte, a type it
// ignores, a payload that does not decode, a deck number out of range).
bool writeDatagramReport(std::string datagram, std::ostream& out);

} // namespace orvtool
