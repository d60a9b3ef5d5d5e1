// orv record and orv replay through the built executable: a capture of real arrivals sent
// again in order with its timing, and captures in the link types tcpdump and Wireshark write.
#include "ToolProcess.h"

#include "pcap/UdpFrame.h"

#include "support/LoopbackSocket.h"
#include "support/UdpPorts.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <thread>
#include <unistd.h>

namespace orvtooltest
{

using orvsupport::freeUdpPort;
using orvsupport::LoopbackSocket;
using orvsupport::loopbackText;

namespace
{

using Clock = std::chrono::steady_clock;
using orv::net::Endpoint;
using orv::net::UdpSocket;

struct Arrival
{
    std::string bytes;
    double seconds = 0.0; // since the first arrival
};

// Up to `count` datagrams, waiting at most `timeout` in all.
std::vector<Arrival> receive(orv::net::UdpSocket& socket, size_t count, Millis timeout)
{
    std::vector<Arrival> arrivals;
    const Clock::time_point deadline = Clock::now() + timeout;
    Clock::time_point first;
    char buffer[2048];
    while (arrivals.size() < count && Clock::now() < deadline)
    {
        orv::net::ReceivedDatagram datagram;
        std::string error;
        if (socket.receive(buffer, sizeof buffer, 50, datagram, error) != 1)
            continue;
        const Clock::time_point now = Clock::now();
        if (arrivals.empty())
            first = now;
        arrivals.push_back({std::string(buffer, datagram.size),
                            std::chrono::duration<double>(now - first).count()});
    }
    return arrivals;
}

std::string tempPath(const std::string& name)
{
    return testing::TempDir() + "orv-" + std::to_string(::getpid()) + "-" + name;
}

class RecordReplay : public testing::Test
{
protected:
    void SetUp() override
    {
        if (!ORV_TOOL_HAS_PCAP)
            GTEST_SKIP() << "orv was built without libpcap";
    }
};

TEST_F(RecordReplay, ReplaySendsTheRecordedDatagramsInOrderWithTheirTiming)
{
    const std::string capture = tempPath("recorded.pcap");
    const uint16_t recorded = freeUdpPort();
    ToolProcess record({"record", capture, "--port", std::to_string(recorded), "--count", "6",
                        "--duration", "20"});
    ASSERT_TRUE(record.waitForText("recording UDP " + loopbackText(recorded), Millis(8000)))
        << record.err();

    // Gaps of 0 to 300 ms between six different datagrams.
    const double gaps[] = {0.0, 0.08, 0.2, 0.05, 0.3, 0.12};
    std::vector<std::string> sent;
    std::vector<double> sentAt; // seconds since the first send
    Clock::time_point firstSend;
    LoopbackSocket sender;
    orv::net::Endpoint to;
    orv::net::makeEndpoint("127.0.0.1", recorded, to);
    for (size_t i = 0; i < 6; ++i)
    {
        std::this_thread::sleep_for(std::chrono::duration<double>(gaps[i]));
        std::string datagram = "\x04\x82\xa5"
                               "Event\xa4"
                               "Drop\xa5"
                               "Value";
        datagram += static_cast<char>(i);
        std::string error;
        ASSERT_TRUE(sender.sendTo(to, datagram.data(), datagram.size(), error)) << error;
        if (i == 0)
            firstSend = Clock::now();
        sentAt.push_back(std::chrono::duration<double>(Clock::now() - firstSend).count());
        sent.push_back(datagram);
    }
    ASSERT_EQ(record.finish(Millis(8000)), 0) << record.err();
    EXPECT_TRUE(record.waitForText("recorded 6 datagrams", Millis(100))) << record.out();

    for (const double speed : {1.0, 2.0})
    {
        SCOPED_TRACE("speed " + std::to_string(speed));
        LoopbackSocket listener;
        ToolProcess replay({"replay", capture, "--port", std::to_string(recorded), "--to",
                            listener.localEndpoint().text(), "--speed", std::to_string(speed)});
        const std::vector<Arrival> arrivals = receive(listener, 6, Millis(8000));
        EXPECT_EQ(replay.finish(Millis(8000)), 0) << replay.err();
        EXPECT_TRUE(replay.waitForText("replayed 6 datagrams", Millis(100))) << replay.out();
        ASSERT_EQ(arrivals.size(), 6u);
        for (size_t i = 0; i < 6; ++i)
        {
            EXPECT_EQ(arrivals[i].bytes, sent[i]) << "datagram " << i;
            EXPECT_NEAR(arrivals[i].seconds, sentAt[i] / speed, 0.04) << "datagram " << i;
        }
    }
    std::remove(capture.c_str());
}

// A classic pcap file written byte by byte, as another program would write it.
class PcapFile
{
public:
    PcapFile(const std::string& path, uint32_t linkType) : out_(path, std::ios::binary)
    {
        put32(0xa1b2c3d4);
        put16(2);
        put16(4);
        put32(0);
        put32(0);
        put32(262144);
        put32(linkType);
    }
    void frame(double seconds, const std::string& bytes)
    {
        put32(static_cast<uint32_t>(seconds));
        put32(static_cast<uint32_t>((seconds - static_cast<uint32_t>(seconds)) * 1e6));
        put32(static_cast<uint32_t>(bytes.size()));
        put32(static_cast<uint32_t>(bytes.size()));
        out_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

private:
    void put16(uint16_t v) { out_.write(reinterpret_cast<const char*>(&v), 2); }
    void put32(uint32_t v) { out_.write(reinterpret_cast<const char*>(&v), 4); }
    std::ofstream out_;
};

std::string udpPacket(uint16_t toPort, const std::string& payload)
{
    orv::net::Endpoint from;
    orv::net::Endpoint to;
    orv::net::makeEndpoint("192.0.2.10", 50000, from);
    orv::net::makeEndpoint("192.0.2.20", toPort, to);
    return orvtool::buildIpv4UdpPacket(from, to, payload, 1);
}

std::string ethernet(const std::string& etherType, const std::string& packet)
{
    return std::string(12, '\x02') + etherType + packet;
}

TEST_F(RecordReplay, ReplayReadsEthernetAndLinuxCookedCapturesOfOtherPrograms)
{
    const std::string ipv4("\x08\x00", 2);
    const std::string path = tempPath("ethernet.pcap");
    {
        PcapFile file(path, 1); // Ethernet
        file.frame(1000.00, ethernet(ipv4, udpPacket(3650, "first")));
        file.frame(1000.01, ethernet(ipv4, udpPacket(9999, "other port")));
        file.frame(1000.02, ethernet(std::string("\x08\x06", 2), std::string(28, '\0'))); // ARP
        file.frame(1000.03,
                   ethernet(std::string("\x81\x00\x00\x05", 4) + ipv4, udpPacket(3650, "tagged")));
        std::string tcp = udpPacket(3650, "tcp");
        tcp[9] = 6;
        file.frame(1000.04, ethernet(ipv4, tcp));
    }
    // The ports inside these captures are only read from the file: the datagrams go to the
    // test's own socket.
    LoopbackSocket listener;
    const std::string to = listener.localEndpoint().text();
    const ToolRun run = runTool({"replay", path, "--to", to, "--speed", "0"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<Arrival> arrivals = receive(listener, 3, Millis(1000));
    ASSERT_EQ(arrivals.size(), 2u);
    EXPECT_EQ(arrivals[0].bytes, "first");
    EXPECT_EQ(arrivals[1].bytes, "tagged");
    EXPECT_NE(run.out.find("replayed 2 datagrams"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("1 to other ports, 2 not IPv4 UDP"), std::string::npos) << run.out;

    // tcpdump -i any on newer Linux: cooked capture v2, protocol first.
    const std::string cooked = tempPath("cooked.pcap");
    {
        PcapFile file(cooked, 276);
        std::string header(20, '\0');
        header.replace(0, 2, ipv4);
        file.frame(5.0, header + udpPacket(3744, "cooked"));
    }
    const ToolRun sll = runTool({"replay", cooked, "--port", "3744", "--to", to});
    ASSERT_EQ(sll.status, 0) << sll.err;
    const std::vector<Arrival> again = receive(listener, 1, Millis(1000));
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(again[0].bytes, "cooked");

    // Without --port, a capture of one port other than 3650 is replayed from that port.
    const ToolRun onePort = runTool({"replay", cooked, "--to", to, "--speed", "0"});
    ASSERT_EQ(onePort.status, 0) << onePort.err;
    EXPECT_NE(onePort.out.find("to port 3744 (the only port in the capture)"), std::string::npos)
        << onePort.out;
    ASSERT_EQ(receive(listener, 1, Millis(1000)).size(), 1u);

    // Nothing to the port asked for is a failure, and so is a file that is no capture.
    EXPECT_EQ(runTool({"replay", cooked, "--port", "3650", "--to", to}).status, 1);
    const std::string missing = tempPath("missing.pcap");
    const ToolRun absent = runTool({"replay", missing});
    EXPECT_EQ(absent.status, 1);
    EXPECT_EQ(absent.err.find(missing), absent.err.rfind(missing)) << "named once: " << absent.err;
    std::ofstream(path, std::ios::binary) << "not a capture";
    const ToolRun damaged = runTool({"replay", path});
    EXPECT_EQ(damaged.status, 1);
    EXPECT_NE(damaged.err.find("cannot read"), std::string::npos) << damaged.err;
    EXPECT_EQ(runTool({"replay"}).status, 2);
    EXPECT_EQ(runTool({"record"}).status, 2);
    std::remove(path.c_str());
    std::remove(cooked.c_str());
}

} // namespace
} // namespace orvtooltest
