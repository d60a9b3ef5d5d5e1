// IPv4 UDP packets inside capture frames: building the raw IPv4 packet that `orv record`
// stores for a datagram, and finding the datagram again in a frame of any of the link types
// that tcpdump and Wireshark write on Linux and macOS. Plain byte work, no libpcap.
#pragma once

#include "net/Endpoint.h"

#include <cstdint>
#include <string>

namespace orvtool
{

// The framing of the packets in a capture file.
enum class LinkType
{
    Null,      // BSD loopback: 4-byte address family in the capturing machine's byte order
    Loop,      // OpenBSD loopback: the same in network byte order
    Ethernet,  // 14-byte header, VLAN tags allowed
    Raw,       // the IP packet itself
    LinuxSll,  // Linux cooked capture v1 (tcpdump -i any, older)
    LinuxSll2, // Linux cooked capture v2 (tcpdump -i any, newer)
    Other,
};

struct UdpPacket
{
    orv::net::Endpoint from;
    orv::net::Endpoint to;
    std::string payload;
};

enum class FrameResult
{
    Udp,       // `packet` filled
    NotIpv4,   // another protocol (IPv6, ARP, ...)
    NotUdp,    // IPv4 but not UDP
    Fragment,  // a piece of a fragmented datagram (the receiver would get the reassembled one)
    Truncated, // the capture kept fewer bytes than the datagram had (snap length)
    Malformed, // lengths that do not add up
};

// Finds the IPv4 UDP datagram in one captured frame.
FrameResult parseFrame(LinkType link, const std::string& frame, UdpPacket& packet);

// A raw IPv4 packet (header with checksum, UDP header without checksum, payload) for a
// datagram from `from` to `to`. `id` becomes the IPv4 identification.
std::string buildIpv4UdpPacket(const orv::net::Endpoint& from, const orv::net::Endpoint& to,
                               const std::string& payload, uint16_t id);

} // namespace orvtool
