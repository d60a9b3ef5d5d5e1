// A decoded MessagePack value written as an indented tree, one value a line, each with its
// kind: what `orv decode` shows of a payload.
#pragma once

#include "msgpack/MsgPack.h"

#include <ostream>
#include <string>

namespace orvtool
{

// "nil", "float32", "uint8", "string", "map", ...
std::string kindName(orvpack::MsgPack::Type type);

// A value on one line, its kind first: "float64 124", "string \"Drop\"", "map, 2 entries".
std::string valueHeadline(const orvpack::MsgPack& value);

// One line per value; containers list their items below, indented two more spaces.
void writeValueTree(const orvpack::MsgPack& value, std::ostream& out, int indent = 0);

} // namespace orvtool
