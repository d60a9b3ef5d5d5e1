// A MessagePack value from command-line text, as `orv send` reads KEY=VALUE:
//   124, -3          integer (the shortest MessagePack integer form)
//   124.0, 1e-3      float 64
//   0.75f            float 32
//   true, false      boolean
//   nil              nil
//   "text" or text   string (quotes keep a number or keyword as text: '"1999"')
#pragma once

#include "msgpack/MsgPack.h"

#include <string>

namespace orvtool
{

orvpack::MsgPack valueFromText(const std::string& text);
// The text as a string value whatever it reads as, for a key that carries text: quotes
// around it are taken off ("Title=1999" and "Title='\"1999\"'" both give "1999").
orvpack::MsgPack stringFromText(const std::string& text);

// "KEY=VALUE" split at the first '='; false when there is none or the key is empty.
bool splitAssignment(const std::string& text, std::string& key, std::string& value);

} // namespace orvtool
