#include "view/TextFormat.h"

#include <cmath>
#include <cstdio>

namespace orvtool
{

std::string fixedText(double value, int decimals)
{
    if (std::isnan(value))
        return "nan";
    if (std::isinf(value))
        return value > 0 ? "inf" : "-inf";
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return buffer;
}

std::string countText(long long count, const std::string& noun)
{
    return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

std::string quotedText(const std::string& text)
{
    static const char digits[] = "0123456789abcdef";
    std::string quoted = "\"";
    for (char c : text)
    {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\')
        {
            quoted += '\\';
            quoted += c;
        }
        else if (c == '\n')
        {
            quoted += "\\n";
        }
        else if (c == '\t')
        {
            quoted += "\\t";
        }
        else if (byte < 0x20 || byte == 0x7f)
        {
            quoted += "\\x";
            quoted += digits[byte >> 4];
            quoted += digits[byte & 0x0f];
        }
        else
        {
            quoted += c;
        }
    }
    quoted += '"';
    return quoted;
}

std::string pathNamedOnce(const std::string& text, const std::string& path)
{
    const size_t first = path.empty() ? std::string::npos : text.find(path);
    if (first == std::string::npos)
        return text;
    const std::string again = path + ": ";
    const size_t second = text.find(again, first + path.size());
    if (second == std::string::npos)
        return text;
    return text.substr(0, second) + text.substr(second + again.size());
}

} // namespace orvtool
