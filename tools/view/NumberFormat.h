// Numbers as the tool prints them.
#pragma once

#include <string>

namespace orvtool
{

// The shortest text that reads back as the same double ("124", "0.1", "1e+300", "nan").
std::string shortestText(double value);
// A fixed number of decimals, for columns ("124.000").
std::string fixedText(double value, int decimals);
// Printable text: bytes below 0x20 and 0x7f as \n, \t or \xNN, quotes and backslashes
// escaped; other bytes as they are.
std::string quotedText(const std::string& text);

} // namespace orvtool
