#include "support/sim/ProfileText.h"

#include <charconv>
#include <cmath>

namespace orvsim
{

std::string roundedText(double value, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    const double rounded = std::round(value * scale) / scale;
    if (!std::isfinite(rounded))
        return std::isnan(rounded) ? "nan" : (rounded > 0 ? "inf" : "-inf");
    // The shortest text that reads back as the rounded value: no trailing zeros.
    char buffer[32];
    const std::to_chars_result result = std::to_chars(buffer, buffer + sizeof buffer, rounded);
    return std::string(buffer, result.ptr);
}

std::string millisecondsText(double seconds)
{
    return roundedText(seconds * 1000.0, 1);
}

std::string percentText(double share)
{
    return roundedText(share * 100.0, 1) + "%";
}

std::string joinedOrNone(const std::vector<std::string>& parts, const std::string& none)
{
    if (parts.empty())
        return none;
    std::string text;
    for (const std::string& part : parts)
        text += (text.empty() ? "" : ", ") + part;
    return text;
}

} // namespace orvsim
