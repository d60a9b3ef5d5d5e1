// Numbers in columns and texts as the tool prints them. The shortest text of a number, as the
// host shows it in a cell, is harness/NumberText.h's numberText.
#pragma once

#include <string>

namespace orvtool
{

// A fixed number of decimals, for columns ("124.000").
std::string fixedText(double value, int decimals);
// "1 datagram", "2 datagrams": the count and the noun, with an "s" unless the count is 1.
std::string countText(long long count, const std::string& noun);
// Printable text: bytes below 0x20 and 0x7f as \n, \t or \xNN, quotes and backslashes
// escaped; other bytes as they are.
std::string quotedText(const std::string& text);
// `text` with `path` named once: a later "PATH: " is taken out. libpcap and the dynamic loader
// start their messages with the file's path, which the text around them names already.
std::string pathNamedOnce(const std::string& text, const std::string& path);

} // namespace orvtool
