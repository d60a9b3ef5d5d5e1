#include "harness/NumberText.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace orvharness
{

std::string numberText(double value)
{
    if (std::isnan(value))
        return "nan";
    if (std::isinf(value))
        return value > 0 ? "inf" : "-inf";
    char buffer[32];
    // 17 significant digits always read back exactly; try fewer first for a readable text.
    for (int precision = 1; precision <= 17; ++precision)
    {
        std::snprintf(buffer, sizeof buffer, "%.*g", precision, value);
        if (std::strtod(buffer, nullptr) == value)
            break;
    }
    return buffer;
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
