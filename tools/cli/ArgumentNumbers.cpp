#include "cli/ArgumentNumbers.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace orvtool
{

bool parseInteger(const std::string& text, long long& out)
{
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0])))
        return false;
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || end != text.c_str() + text.size())
        return false;
    out = value;
    return true;
}

bool parseReal(const std::string& text, double& out)
{
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0])))
        return false;
    // strtod also reads hexadecimal floats, "inf" and "nan"; none of them is meant here.
    for (char c : text)
    {
        if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '+' ||
              c == 'e' || c == 'E'))
            return false;
    }
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (errno == ERANGE || end != text.c_str() + text.size() || !std::isfinite(value))
        return false;
    out = value;
    return true;
}

std::string plainNumber(double value)
{
    // The shortest fixed-point text that reads back as the same number.
    char buffer[400];
    const std::to_chars_result result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    return result.ec == std::errc() ? std::string(buffer, result.ptr) : std::to_string(value);
}

} // namespace orvtool
