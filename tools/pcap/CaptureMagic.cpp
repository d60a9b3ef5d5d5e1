// The first four bytes of a capture file, plain byte work that needs no libpcap.
#include "pcap/CaptureFile.h"

#include <cstdint>

namespace orvtool
{

bool looksLikeCapture(const std::string& bytes)
{
    if (bytes.size() < 4)
        return false;
    uint32_t magic = 0;
    for (int k = 0; k < 4; ++k)
        magic = (magic << 8) | static_cast<unsigned char>(bytes[static_cast<size_t>(k)]);
    // pcap with microseconds and with nanoseconds, each in both byte orders; a pcapng file
    // starts with its section header block, whose type reads the same either way.
    for (const uint32_t known : {0xa1b2c3d4u, 0xd4c3b2a1u, 0xa1b23c4du, 0x4d3cb2a1u, 0x0a0d0d0au})
    {
        if (magic == known)
            return true;
    }
    return false;
}

} // namespace orvtool
