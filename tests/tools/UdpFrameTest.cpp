// Finding the UDP datagram in capture frames of each link type, and the packets that
// orv record writes.
#include "pcap/UdpFrame.h"

#include <gtest/gtest.h>

namespace orvtool
{
namespace
{

std::string packet(const std::string& payload, uint16_t toPort = 3650)
{
    orv::net::Endpoint from;
    orv::net::Endpoint to;
    orv::net::makeEndpoint("192.0.2.10", 50000, from);
    orv::net::makeEndpoint("192.0.2.20", toPort, to);
    return buildIpv4UdpPacket(from, to, payload, 7);
}

TEST(UdpFrame, ARecordedPacketReadsBackWithAddressesAndAValidChecksum)
{
    const std::string raw = packet("hello");
    ASSERT_EQ(raw.size(), 20u + 8u + 5u);
    uint32_t sum = 0;
    for (size_t i = 0; i < 20; i += 2)
        sum += (static_cast<uint8_t>(raw[i]) << 8) | static_cast<uint8_t>(raw[i + 1]);
    while (sum >> 16)
        sum = (sum & 0xffff) + (sum >> 16);
    EXPECT_EQ(sum, 0xffffu) << "IPv4 header checksum";

    UdpPacket found;
    ASSERT_EQ(parseFrame(LinkType::Raw, raw, found), FrameResult::Udp);
    EXPECT_EQ(found.from.text(), "192.0.2.10:50000");
    EXPECT_EQ(found.to.text(), "192.0.2.20:3650");
    EXPECT_EQ(found.payload, "hello");

    ASSERT_EQ(parseFrame(LinkType::Raw, packet(""), found), FrameResult::Udp);
    EXPECT_EQ(found.payload, "");
}

TEST(UdpFrame, EveryLinkTypeOfTcpdumpAndWireshark)
{
    const std::string ip = packet("x");
    const std::string ipv4Type("\x08\x00", 2);
    UdpPacket found;

    const std::string mac(12, '\x02');
    EXPECT_EQ(parseFrame(LinkType::Ethernet, mac + ipv4Type + ip, found), FrameResult::Udp);
    const std::string vlan =
        mac + std::string("\x81\x00\x00\x07", 4) + std::string("\x88\xa8\x00\x01", 4);
    EXPECT_EQ(parseFrame(LinkType::Ethernet,
                         mac + std::string("\x81\x00\x00\x07", 4) + ipv4Type + ip, found),
              FrameResult::Udp);
    EXPECT_EQ(parseFrame(LinkType::Ethernet, vlan + ipv4Type + ip, found), FrameResult::Udp);
    EXPECT_EQ(found.payload, "x");

    std::string sll(16, '\0');
    sll.replace(14, 2, ipv4Type);
    EXPECT_EQ(parseFrame(LinkType::LinuxSll, sll + ip, found), FrameResult::Udp);
    std::string sll2(20, '\0');
    sll2.replace(0, 2, ipv4Type);
    EXPECT_EQ(parseFrame(LinkType::LinuxSll2, sll2 + ip, found), FrameResult::Udp);
    EXPECT_EQ(parseFrame(LinkType::Null, std::string("\x02\0\0\0", 4) + ip, found),
              FrameResult::Udp);
    EXPECT_EQ(parseFrame(LinkType::Loop, std::string("\0\0\0\x02", 4) + ip, found),
              FrameResult::Udp);
    EXPECT_EQ(parseFrame(LinkType::Null, std::string("\x18\0\0\0", 4) + ip, found),
              FrameResult::NotIpv4)
        << "address family 24 is IPv6";
    EXPECT_EQ(parseFrame(LinkType::Other, ip, found), FrameResult::NotIpv4);
}

TEST(UdpFrame, FramesWithoutAWholeUdpDatagramAreTold)
{
    UdpPacket found;
    const std::string ip = packet("payload");
    EXPECT_EQ(parseFrame(LinkType::Ethernet, std::string(12, '\0') + "\x86\xdd" + ip, found),
              FrameResult::NotIpv4);
    EXPECT_EQ(parseFrame(LinkType::Raw, "", found), FrameResult::NotIpv4);

    std::string tcp = ip;
    tcp[9] = 6;
    EXPECT_EQ(parseFrame(LinkType::Raw, tcp, found), FrameResult::NotUdp);

    std::string fragment = ip;
    fragment[6] = 0x20; // more fragments follow
    EXPECT_EQ(parseFrame(LinkType::Raw, fragment, found), FrameResult::Fragment);

    EXPECT_EQ(parseFrame(LinkType::Raw, ip.substr(0, ip.size() - 2), found), FrameResult::Truncated)
        << "a snap length shorter than the packet";
    EXPECT_EQ(parseFrame(LinkType::Raw, ip.substr(0, 12), found), FrameResult::Truncated);

    std::string shortHeader = ip;
    shortHeader[0] = 0x44; // a header of 16 bytes
    EXPECT_EQ(parseFrame(LinkType::Raw, shortHeader, found), FrameResult::Malformed);
    std::string longUdp = ip;
    longUdp[25] = static_cast<char>(0xff); // UDP length beyond the IP packet
    EXPECT_EQ(parseFrame(LinkType::Raw, longUdp, found), FrameResult::Malformed);
}

} // namespace
} // namespace orvtool
