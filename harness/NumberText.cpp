#include "harness/NumberText.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace orvharness
{

std::string numberText(double value)
{
    if (std::isnan(value))
        return "nan";
    if (std::isinf(value))
        return value > 0 ? "inf" : "-inf";
    // The shortest text that reads back exactly, in plain or exponent form, whichever is
    // shorter ("3650", "0.25", "1e+300").
    char buffer[32];
    const std::to_chars_result result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

bool parseNumber(const std::string& text, double& value)
{
    // strtod would skip leading blanks; a parameter text with them is no number.
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0])))
        return false;
    const char* begin = text.c_str();
    char* end = nullptr;
    const double parsed = std::strtod(begin, &end);
    if (end != begin + text.size())
        return false;
    value = parsed;
    return true;
}

} // namespace orvharness
