// Texts cut to the columns a terminal gives them. A character takes the columns a terminal
// draws it in: two for the wide characters of East Asian scripts and most emoji (an artist's
// name in kanji is twice as wide as its count of characters), none for a combining mark, one
// for the rest. Texts from the network are made safe to print: control characters (which
// could drive the terminal) and bytes that start no valid UTF-8 character become '?'.
#pragma once

#include <string>

namespace orvtool
{

// The columns `text` takes, once printable.
size_t displayColumns(const std::string& text);

// `text` made printable and cut to at most `width` columns; a cut text ends in '~'. With
// `keepEnd` the end of the text is kept instead of its start (and the '~' leads).
std::string fitText(const std::string& text, size_t width, bool keepEnd = false);

} // namespace orvtool
