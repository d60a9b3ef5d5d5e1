#include "protocol/RecordEncoding.h"

namespace orvprotocol
{

std::string datagram(std::uint8_t type, const std::string& payload)
{
    std::string bytes(1, static_cast<char>(type));
    bytes += payload;
    return bytes;
}

std::string encodeEntries(const Entries& entries)
{
    std::string bytes;
    const std::size_t count = entries.size();
    if (count < 16)
    {
        bytes += static_cast<char>(0x80 | count); // fixmap
    }
    else
    {
        const int width = count <= 0xffff ? 2 : 4;
        bytes += static_cast<char>(width == 2 ? 0xde : 0xdf); // map 16, map 32
        for (int shift = 8 * (width - 1); shift >= 0; shift -= 8)
        {
            bytes += static_cast<char>((count >> shift) & 0xff);
        }
    }
    for (const auto& entry : entries)
    {
        bytes += orvpack::MsgPack(entry.first).dump();
        bytes += entry.second.dump();
    }
    return bytes;
}

} // namespace orvprotocol
