// MessagePack bytes built by hand, written independently of the decoder under test, malformed
// ones included: Payload().map(2).str("Deck").integer(2).str("BPM").float64(124.0).datagram(1).
#pragma once

#include "protocol/RecordEncoding.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace orvsupport
{

class Payload
{
public:
    Payload& map(std::uint32_t entries)
    {
        if (entries < 16)
        {
            return byte(0x80 | entries);
        }
        return byte(0xde).big(entries, 2);
    }
    Payload& array(std::uint32_t items) { return byte(0x90 | items); }
    Payload& str(const std::string& text)
    {
        if (text.size() < 32)
        {
            byte(0xa0 | text.size());
        }
        else if (text.size() < 256)
        {
            byte(0xd9).big(text.size(), 1);
        }
        else
        {
            byte(0xda).big(text.size(), 2);
        }
        bytes += text;
        return *this;
    }
    // A str 16 header that declares `length` bytes, without the bytes.
    Payload& str16Header(std::uint16_t length) { return byte(0xda).big(length, 2); }
    Payload& bin(const std::string& data)
    {
        byte(0xc4).big(data.size(), 1);
        bytes += data;
        return *this;
    }
    Payload& integer(std::int64_t value)
    {
        if (value >= 0 && value < 128)
        {
            return byte(static_cast<std::uint64_t>(value));
        }
        if (value < 0 && value >= -32)
        {
            return byte(static_cast<std::uint8_t>(value));
        }
        return byte(0xd3).big(static_cast<std::uint64_t>(value), 8);
    }
    Payload& float32(float value)
    {
        std::uint32_t bits;
        std::memcpy(&bits, &value, 4);
        return byte(0xca).big(bits, 4);
    }
    Payload& float64(double value)
    {
        std::uint64_t bits;
        std::memcpy(&bits, &value, 8);
        return byte(0xcb).big(bits, 8);
    }
    Payload& boolean(bool value) { return byte(value ? 0xc3 : 0xc2); }
    Payload& nil() { return byte(0xc0); }
    Payload& raw(const std::string& data)
    {
        bytes += data;
        return *this;
    }

    // The payload behind a type byte (any byte, the ignored ones included).
    std::string datagram(std::uint8_t type) const { return orvprotocol::datagram(type, bytes); }

    std::string bytes;

private:
    Payload& byte(std::uint64_t value)
    {
        bytes += static_cast<char>(value & 0xff);
        return *this;
    }
    Payload& big(std::uint64_t value, int width)
    {
        for (int shift = 8 * (width - 1); shift >= 0; shift -= 8)
        {
            byte(value >> shift);
        }
        return *this;
    }
};

} // namespace orvsupport
