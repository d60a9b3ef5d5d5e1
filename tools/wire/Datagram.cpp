#include "wire/Datagram.h"

#include "protocol/RecordEncoding.h"
#include "protocol/WireSchema.h"

#include <algorithm>
#include <cctype>
#include <sstream>

namespace orvtool
{

std::string makeDatagram(uint8_t type, const orvpack::MsgPack& payload)
{
    return orvprotocol::datagram(type, payload.dump());
}

std::string makeDatagram(uint8_t type, const Entries& entries)
{
    // The entries go on the wire in the order given, duplicates included, as a sender would
    // write them.
    return orvprotocol::datagram(type, orvprotocol::encodeEntries(entries));
}

std::string messageTypeName(uint8_t type)
{
    const orvprotocol::MessageInfo* message = orvprotocol::findMessage(type);
    return message != nullptr ? message->name : "";
}

bool parseMessageType(const std::string& text, uint8_t& out)
{
    const auto lowered = [](std::string word)
    {
        std::transform(word.begin(), word.end(), word.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return word;
    };
    const std::string lower = lowered(text);
    for (const orvprotocol::MessageInfo& message : orvprotocol::kMessageTypes)
    {
        if (lower == lowered(message.name))
        {
            out = static_cast<uint8_t>(message.type);
            return true;
        }
    }
    if (lower.empty() || lower.size() > 3 ||
        !std::all_of(lower.begin(), lower.end(), [](unsigned char c) { return std::isdigit(c); }))
        return false;
    const int value = std::stoi(lower);
    if (value > 255)
        return false;
    out = static_cast<uint8_t>(value);
    return true;
}

std::string toHex(const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 3);
    for (size_t i = 0; i < bytes.size(); ++i)
    {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (i > 0)
            text += ' ';
        text += digits[byte >> 4];
        text += digits[byte & 0x0f];
    }
    return text;
}

std::string hexLines(const std::string& bytes, const std::string& indent)
{
    constexpr size_t kBytesPerLine = 16;
    std::string text;
    for (size_t begin = 0; begin < bytes.size(); begin += kBytesPerLine)
        text += indent + toHex(bytes.substr(begin, kBytesPerLine)) + "\n";
    return text;
}

namespace
{

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool isSeparator(char c)
{
    return std::isspace(static_cast<unsigned char>(c)) || c == ':' || c == ',' || c == '-';
}

} // namespace

bool fromHex(const std::string& text, std::string& out, std::string& error)
{
    std::string bytes;
    int high = -1;
    for (size_t i = 0; i < text.size(); ++i)
    {
        const char c = text[i];
        if (isSeparator(c))
        {
            if (high >= 0)
            {
                error = "a byte needs two hex digits (near offset " + std::to_string(i) + ")";
                return false;
            }
            continue;
        }
        if (high < 0 && c == '0' && i + 1 < text.size() &&
            (text[i + 1] == 'x' || text[i + 1] == 'X'))
        {
            ++i; // "0x" before a byte
            continue;
        }
        const int digit = hexDigit(c);
        if (digit < 0)
        {
            error = std::string("'") + c + "' is no hex digit (offset " + std::to_string(i) + ")";
            return false;
        }
        if (high < 0)
        {
            high = digit;
        }
        else
        {
            bytes += static_cast<char>((high << 4) | digit);
            high = -1;
        }
    }
    if (high >= 0)
    {
        error = "odd number of hex digits";
        return false;
    }
    out = bytes;
    return true;
}

} // namespace orvtool
