#include "msgpack/Encoder.h"

#include "msgpack/MsgPackValue.h"

#include <cstring>
#include <ostream>
#include <stdexcept>

namespace orvpack::encoder
{
namespace
{

constexpr uint64_t kMaxLength = 0xffffffffu;

// The low `bytes` bytes of value, most significant first.
void put_big_endian(std::ostream& out, uint64_t value, int bytes)
{
    for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8)
    {
        out.put(static_cast<char>((value >> shift) & 0xff));
    }
}

// Writes the lead byte of the 8-, 16- or 32-bit length form (first_lead, +1, +2) and the length.
void put_length(std::ostream& out, uint64_t length, uint8_t first_lead)
{
    if (length <= 0xff)
    {
        out.put(static_cast<char>(first_lead));
        put_big_endian(out, length, 1);
    }
    else if (length <= 0xffff)
    {
        out.put(static_cast<char>(first_lead + 1));
        put_big_endian(out, length, 2);
    }
    else
    {
        out.put(static_cast<char>(first_lead + 2));
        put_big_endian(out, length, 4);
    }
}

// Arrays and maps have no 8-bit count form: 16 or 32 bits after their fix forms.
void put_count(std::ostream& out, uint64_t count, uint8_t lead16)
{
    if (count <= 0xffff)
    {
        out.put(static_cast<char>(lead16));
        put_big_endian(out, count, 2);
    }
    else
    {
        out.put(static_cast<char>(lead16 + 1));
        put_big_endian(out, count, 4);
    }
}

void check_length(uint64_t length, const char* message)
{
    if (length > kMaxLength)
    {
        throw std::runtime_error(message);
    }
}

void put_bytes(std::ostream& out, const void* data, size_t length)
{
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(length));
}

} // namespace

void write(std::ostream& out, const NullStruct&)
{
    out.put(static_cast<char>(0xc0));
}

void write(std::ostream& out, bool value)
{
    out.put(static_cast<char>(value ? 0xc3 : 0xc2));
}

void write(std::ostream& out, float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    out.put(static_cast<char>(0xca));
    put_big_endian(out, bits, 4);
}

void write(std::ostream& out, double value)
{
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    out.put(static_cast<char>(0xcb));
    put_big_endian(out, bits, 8);
}

void write_unsigned(std::ostream& out, uint64_t value)
{
    if (value <= 0x7f)
    {
        put_big_endian(out, value, 1);
    }
    else if (value <= 0xff)
    {
        out.put(static_cast<char>(0xcc));
        put_big_endian(out, value, 1);
    }
    else if (value <= 0xffff)
    {
        out.put(static_cast<char>(0xcd));
        put_big_endian(out, value, 2);
    }
    else if (value <= 0xffffffffu)
    {
        out.put(static_cast<char>(0xce));
        put_big_endian(out, value, 4);
    }
    else
    {
        out.put(static_cast<char>(0xcf));
        put_big_endian(out, value, 8);
    }
}

void write_signed(std::ostream& out, int64_t value)
{
    const auto bits = static_cast<uint64_t>(value);
    if (value >= 0)
    {
        write_unsigned(out, bits);
    }
    else if (value >= -32)
    {
        put_big_endian(out, bits, 1); // negative fixint: the low byte is 0xe0 to 0xff
    }
    else if (value >= INT8_MIN)
    {
        out.put(static_cast<char>(0xd0));
        put_big_endian(out, bits, 1);
    }
    else if (value >= INT16_MIN)
    {
        out.put(static_cast<char>(0xd1));
        put_big_endian(out, bits, 2);
    }
    else if (value >= INT32_MIN)
    {
        out.put(static_cast<char>(0xd2));
        put_big_endian(out, bits, 4);
    }
    else
    {
        out.put(static_cast<char>(0xd3));
        put_big_endian(out, bits, 8);
    }
}

void write_string_header(std::ostream& out, uint64_t length)
{
    check_length(length, "exceeded maximum data length");
    if (length < 32)
    {
        out.put(static_cast<char>(0xa0 | length));
    }
    else
    {
        put_length(out, length, 0xd9);
    }
}

void write_binary_header(std::ostream& out, uint64_t length)
{
    check_length(length, "exceeded maximum data length");
    put_length(out, length, 0xc4);
}

void write_extension_header(std::ostream& out, int8_t type, uint64_t length)
{
    check_length(length, "exceeded maximum data length");
    switch (length)
    {
    case 1:
        out.put(static_cast<char>(0xd4));
        break;
    case 2:
        out.put(static_cast<char>(0xd5));
        break;
    case 4:
        out.put(static_cast<char>(0xd6));
        break;
    case 8:
        out.put(static_cast<char>(0xd7));
        break;
    case 16:
        out.put(static_cast<char>(0xd8));
        break;
    default:
        put_length(out, length, 0xc7);
    }
    out.put(static_cast<char>(type));
}

void write_array_header(std::ostream& out, uint64_t count)
{
    check_length(count, "exceeded maximum data length");
    if (count <= 15)
    {
        out.put(static_cast<char>(0x90 | count));
    }
    else
    {
        put_count(out, count, 0xdc);
    }
}

void write_map_header(std::ostream& out, uint64_t count)
{
    check_length(count, "too long value.");
    if (count <= 15)
    {
        out.put(static_cast<char>(0x80 | count));
    }
    else
    {
        put_count(out, count, 0xde);
    }
}

void write(std::ostream& out, const std::string& value)
{
    write_string_header(out, value.size());
    put_bytes(out, value.data(), value.size());
}

void write(std::ostream& out, const std::vector<uint8_t>& value)
{
    write_binary_header(out, value.size());
    put_bytes(out, value.data(), value.size());
}

void write(std::ostream& out, const std::vector<MsgPack>& values)
{
    write_array_header(out, values.size());
    for (const MsgPack& value : values)
    {
        value.dump(out);
    }
}

void write(std::ostream& out, const MsgPack::object& values)
{
    write_map_header(out, values.size());
    for (const auto& [key, value] : values)
    {
        key.dump(out);
        value.dump(out);
    }
}

void write(std::ostream& out, const std::tuple<int8_t, std::vector<uint8_t>>& value)
{
    const auto& [type, data] = value;
    write_extension_header(out, type, data.size());
    put_bytes(out, data.data(), data.size());
}

} // namespace orvpack::encoder
