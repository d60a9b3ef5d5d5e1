#include "view/TextWidth.h"

#include <cstdint>
#include <iterator>
#include <vector>

namespace orvtool
{

namespace
{

struct Character
{
    std::string text; // its UTF-8 bytes, or "?"
    size_t columns = 1;
};

// Inclusive code point ranges.
struct Range
{
    uint32_t first;
    uint32_t last;
};

// Drawn two columns wide: Hangul Jamo, CJK, kana, Hangul syllables, full-width forms, emoji.
constexpr Range kWide[] = {
    {0x1100, 0x115f}, {0x2e80, 0x303e},   {0x3041, 0x33ff},   {0x3400, 0x4dbf},   {0x4e00, 0x9fff},
    {0xa000, 0xa4cf}, {0xac00, 0xd7a3},   {0xf900, 0xfaff},   {0xfe30, 0xfe4f},   {0xff00, 0xff60},
    {0xffe0, 0xffe6}, {0x1f300, 0x1f64f}, {0x1f900, 0x1f9ff}, {0x20000, 0x3fffd},
};
// Drawn on the character before: combining marks, zero-width spaces, variation selectors.
constexpr Range kZeroWidth[] = {
    {0x0300, 0x036f}, {0x200b, 0x200f}, {0x20d0, 0x20ff}, {0xfe00, 0xfe0f}, {0xfe20, 0xfe2f},
};

bool inRanges(uint32_t code, const Range* begin, const Range* end)
{
    for (const Range* range = begin; range != end; ++range)
    {
        if (code >= range->first && code <= range->last)
            return true;
    }
    return false;
}

size_t columnsOf(uint32_t code)
{
    if (inRanges(code, std::begin(kWide), std::end(kWide)))
        return 2;
    if (inRanges(code, std::begin(kZeroWidth), std::end(kZeroWidth)))
        return 0;
    return 1;
}

// The characters of `text`, each printable; controls (C0, DEL, C1) and bytes that start no
// valid character become "?".
std::vector<Character> printableCharacters(const std::string& text)
{
    std::vector<Character> characters;
    size_t i = 0;
    while (i < text.size())
    {
        const auto lead = static_cast<unsigned char>(text[i]);
        size_t length = 1;
        uint32_t code = lead;
        if (lead >= 0xc2 && lead <= 0xdf)
            length = 2;
        else if (lead >= 0xe0 && lead <= 0xef)
            length = 3;
        else if (lead >= 0xf0 && lead <= 0xf4)
            length = 4;
        else if (lead >= 0x80)
            length = 0; // a continuation byte or an invalid lead
        if (length > 1)
            code = lead & (0x7f >> length); // the lead's bits of the code point
        bool valid = length > 0 && i + length <= text.size();
        for (size_t k = 1; valid && k < length; ++k)
        {
            const auto next = static_cast<unsigned char>(text[i + k]);
            valid = (next & 0xc0) == 0x80;
            code = (code << 6) | (next & 0x3f);
        }
        if (!valid)
        {
            characters.push_back({"?", 1});
            ++i;
            continue;
        }
        const bool control = code < 0x20 || (code >= 0x7f && code < 0xa0);
        if (control)
            characters.push_back({"?", 1});
        else
            characters.push_back({text.substr(i, length), columnsOf(code)});
        i += length;
    }
    return characters;
}

} // namespace

size_t displayColumns(const std::string& text)
{
    size_t columns = 0;
    for (const Character& c : printableCharacters(text))
        columns += c.columns;
    return columns;
}

std::string fitText(const std::string& text, size_t width, bool keepEnd)
{
    const std::vector<Character> characters = printableCharacters(text);
    size_t total = 0;
    for (const Character& c : characters)
        total += c.columns;
    std::string fitted;
    if (total <= width)
    {
        for (const Character& c : characters)
            fitted += c.text;
        return fitted;
    }
    if (width == 0)
        return "";
    // The '~' takes one column; a wide character that would straddle the edge goes too.
    size_t used = 1;
    if (keepEnd)
    {
        size_t first = characters.size();
        while (first > 0 && used + characters[first - 1].columns <= width)
            used += characters[--first].columns;
        fitted = "~";
        for (size_t k = first; k < characters.size(); ++k)
            fitted += characters[k].text;
        return fitted;
    }
    for (const Character& c : characters)
    {
        if (used + c.columns > width)
            break;
        fitted += c.text;
        used += c.columns;
    }
    return fitted + "~";
}

} // namespace orvtool
