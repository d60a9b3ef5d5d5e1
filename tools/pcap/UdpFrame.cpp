#include "pcap/UdpFrame.h"

#include <cstring>

namespace orvtool
{

namespace
{

constexpr uint16_t kEtherTypeIpv4 = 0x0800;
constexpr uint16_t kEtherTypeVlan = 0x8100;
constexpr uint16_t kEtherTypeQinQ = 0x88a8;
constexpr uint8_t kProtocolUdp = 17;
constexpr size_t kUdpHeaderSize = 8;

uint16_t read16(const std::string& bytes, size_t offset)
{
    return static_cast<uint16_t>((static_cast<uint8_t>(bytes[offset]) << 8) |
                                 static_cast<uint8_t>(bytes[offset + 1]));
}

void write16(std::string& bytes, size_t offset, uint16_t value)
{
    bytes[offset] = static_cast<char>(value >> 8);
    bytes[offset + 1] = static_cast<char>(value & 0xff);
}

uint32_t read32(const std::string& bytes, size_t offset)
{
    return (static_cast<uint32_t>(read16(bytes, offset)) << 16) | read16(bytes, offset + 2);
}

void write32(std::string& bytes, size_t offset, uint32_t value)
{
    write16(bytes, offset, static_cast<uint16_t>(value >> 16));
    write16(bytes, offset + 2, static_cast<uint16_t>(value & 0xffff));
}

// Where the IPv4 packet starts in the frame; false when the frame carries no IPv4.
bool ipv4Offset(LinkType link, const std::string& frame, size_t& offset)
{
    switch (link)
    {
    case LinkType::Raw:
        offset = 0;
        return true;
    case LinkType::Null:
    case LinkType::Loop:
    {
        if (frame.size() < 4)
            return false;
        // AF_INET is 2 everywhere; the byte order is the capturing machine's for Null.
        const auto b = [&](size_t i) { return static_cast<uint8_t>(frame[i]); };
        const bool little = b(0) == 2 && b(1) == 0 && b(2) == 0 && b(3) == 0;
        const bool big = b(0) == 0 && b(1) == 0 && b(2) == 0 && b(3) == 2;
        offset = 4;
        return little || big;
    }
    case LinkType::Ethernet:
    {
        size_t typeAt = 12;
        while (frame.size() >= typeAt + 2)
        {
            const uint16_t type = read16(frame, typeAt);
            if (type == kEtherTypeVlan || type == kEtherTypeQinQ)
            {
                typeAt += 4; // a tag: type and tag control
                continue;
            }
            offset = typeAt + 2;
            return type == kEtherTypeIpv4;
        }
        return false;
    }
    case LinkType::LinuxSll:
        offset = 16;
        return frame.size() >= 16 && read16(frame, 14) == kEtherTypeIpv4;
    case LinkType::LinuxSll2:
        offset = 20;
        return frame.size() >= 20 && read16(frame, 0) == kEtherTypeIpv4;
    case LinkType::Other:
        return false;
    }
    return false;
}

uint16_t headerChecksum(const std::string& header)
{
    uint32_t sum = 0;
    for (size_t i = 0; i + 1 < header.size(); i += 2)
        sum += read16(header, i);
    while (sum >> 16)
        sum = (sum & 0xffff) + (sum >> 16);
    return static_cast<uint16_t>(~sum & 0xffff);
}

} // namespace

FrameResult parseFrame(LinkType link, const std::string& frame, UdpPacket& packet)
{
    size_t ip = 0;
    if (!ipv4Offset(link, frame, ip) || frame.size() < ip + 1)
        return FrameResult::NotIpv4;
    if ((static_cast<uint8_t>(frame[ip]) >> 4) != 4)
        return FrameResult::NotIpv4;
    const size_t headerLength = static_cast<size_t>(static_cast<uint8_t>(frame[ip]) & 0x0f) * 4;
    if (headerLength < 20)
        return FrameResult::Malformed;
    if (frame.size() < ip + headerLength)
        return FrameResult::Truncated;

    const size_t totalLength = read16(frame, ip + 2);
    if (totalLength < headerLength)
        return FrameResult::Malformed;
    if (static_cast<uint8_t>(frame[ip + 9]) != kProtocolUdp)
        return FrameResult::NotUdp;
    const uint16_t fragment = read16(frame, ip + 6);
    if ((fragment & 0x2000) != 0 || (fragment & 0x1fff) != 0)
        return FrameResult::Fragment;

    const size_t udp = ip + headerLength;
    if (totalLength < headerLength + kUdpHeaderSize)
        return FrameResult::Malformed;
    if (frame.size() < udp + kUdpHeaderSize)
        return FrameResult::Truncated;
    const size_t udpLength = read16(frame, udp + 4);
    // Some stacks hand captures with the UDP length of a large offloaded datagram; the IP
    // total length is what the packet really holds.
    if (udpLength < kUdpHeaderSize || udpLength > totalLength - headerLength)
        return FrameResult::Malformed;
    const size_t payloadLength = udpLength - kUdpHeaderSize;
    if (frame.size() < udp + kUdpHeaderSize + payloadLength)
        return FrameResult::Truncated;

    UdpPacket found;
    found.from = orv::net::Endpoint{read32(frame, ip + 12), read16(frame, udp)};
    found.to = orv::net::Endpoint{read32(frame, ip + 16), read16(frame, udp + 2)};
    found.payload = frame.substr(udp + kUdpHeaderSize, payloadLength);
    packet = std::move(found);
    return FrameResult::Udp;
}

std::string buildIpv4UdpPacket(const orv::net::Endpoint& from, const orv::net::Endpoint& to,
                               const std::string& payload, uint16_t id)
{
    const size_t total = 20 + kUdpHeaderSize + payload.size();
    std::string packet(20 + kUdpHeaderSize, '\0');
    packet[0] = 0x45; // version 4, 5 words of header
    write16(packet, 2, static_cast<uint16_t>(total > 0xffff ? 0xffff : total));
    write16(packet, 4, id);
    write16(packet, 6, 0x4000); // don't fragment
    packet[8] = 64;             // time to live
    packet[9] = static_cast<char>(kProtocolUdp);
    write32(packet, 12, from.ip);
    write32(packet, 16, to.ip);
    write16(packet, 10, headerChecksum(packet.substr(0, 20)));

    write16(packet, 20, from.port);
    write16(packet, 22, to.port);
    const size_t udpLength = kUdpHeaderSize + payload.size();
    write16(packet, 24, static_cast<uint16_t>(udpLength > 0xffff ? 0xffff : udpLength));
    // UDP checksum 0: "none", allowed over IPv4.
    packet += payload;
    return packet;
}

} // namespace orvtool
