#pragma once
// Byte strings written as hex text in tests ("c4 02 01 02"), and back.

#include <cstdio>
#include <stdexcept>
#include <string>
#include <string_view>

inline std::string hex(std::string_view text)
{
    std::string bytes;
    int high = -1;
    for (char c : text)
    {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else if (c == ' ')
            continue;
        else
            throw std::invalid_argument("bad hex text");
        if (high < 0)
        {
            high = digit;
        }
        else
        {
            bytes.push_back(static_cast<char>(high * 16 + digit));
            high = -1;
        }
    }
    if (high >= 0)
        throw std::invalid_argument("odd number of hex digits");
    return bytes;
}

inline std::string to_hex(const std::string& bytes)
{
    std::string text;
    char pair[4];
    for (unsigned char byte : bytes)
    {
        std::snprintf(pair, sizeof pair, "%s%02x", text.empty() ? "" : " ", byte);
        text += pair;
    }
    return text;
}
