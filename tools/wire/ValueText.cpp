#include "wire/ValueText.h"

#include "cli/ArgumentNumbers.h"

#include <cstdint>

namespace orvtool
{

orvpack::MsgPack valueFromText(const std::string& text)
{
    using orvpack::MsgPack;
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        return MsgPack(text.substr(1, text.size() - 2));
    if (text == "true")
        return MsgPack(true);
    if (text == "false")
        return MsgPack(false);
    if (text == "nil")
        return MsgPack(nullptr);

    long long integer = 0;
    if (parseInteger(text, integer))
        return MsgPack(static_cast<int64_t>(integer));
    // Integers too long for 64 bits read as floats below, like any other number.
    double real = 0.0;
    if (text.size() > 1 && (text.back() == 'f' || text.back() == 'F') &&
        parseReal(text.substr(0, text.size() - 1), real))
        return MsgPack(static_cast<float>(real));
    if (parseReal(text, real))
        return MsgPack(real);
    return MsgPack(text);
}

orvpack::MsgPack stringFromText(const std::string& text)
{
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        return orvpack::MsgPack(text.substr(1, text.size() - 2));
    return orvpack::MsgPack(text);
}

bool splitAssignment(const std::string& text, std::string& key, std::string& value)
{
    const size_t equals = text.find('=');
    if (equals == std::string::npos || equals == 0)
        return false;
    key = text.substr(0, equals);
    value = text.substr(equals + 1);
    return true;
}

} // namespace orvtool
