#include "sim/ProfileText.h"

#include "harness/NumberText.h"

#include <cmath>

namespace orvsim
{

std::string roundedText(double value, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    return orvharness::numberText(std::round(value * scale) / scale);
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
