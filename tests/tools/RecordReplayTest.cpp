// orv record and orv replay through the built executable: a capture of real arrivals sent
// again in order with its timing, and captures in the link types tcpdump and Wireshark write.
#include "ToolProcess.h"

#include "pcap/UdpFrame.h"

#include "support/LoopbackSocket.h"
#include "support/UdpPorts.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <dirent.h>
#include <fstream>
#include <iterator>
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

std::string fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// The temporary files of unfinished captures of `target` ("TARGET.PID.partial").
std::vector<std::string> partialFiles(const std::string& target)
{
    const size_t slash = target.rfind('/');
    const std::string folder = target.substr(0, slash);
    const std::string prefix = target.substr(slash + 1) + ".";
    std::vector<std::string> found;
    if (DIR* dir = ::opendir(folder.c_str()))
    {
        while (const dirent* entry = ::readdir(dir))
        {
            const std::string name = entry->d_name;
            if (name.rfind(prefix, 0) == 0 && name.size() > prefix.size() + 8 &&
                name.compare(name.size() - 8, 8, ".partial") == 0)
                found.push_back(folder + "/" + name);
        }
        ::closedir(dir);
    }
    return found;
}

void sendDrops(uint16_t port, int count)
{
    LoopbackSocket sender;
    ASSERT_TRUE(sender.bound()) << sender.error();
    orv::net::Endpoint to;
    orv::net::makeEndpoint("127.0.0.1", port, to);
    const std::string drop("\x04\x82\xa5"
                           "Event\xa4"
                           "Drop\xa5"
                           "Value\x01");
    for (int i = 0; i < count; ++i)
    {
        std::string error;
        ASSERT_TRUE(sender.sendTo(to, drop.data(), drop.size(), error)) << error;
    }
}

// An existing capture is replaced only with --force and only by a complete capture: a run
// stopped early (Ctrl-C before its --duration, SIGKILL) leaves it byte for byte.
TEST_F(RecordReplay, AnExistingCaptureIsReplacedOnlyByACompleteRunWithForce)
{
    const std::string target = tempPath("keep.pcap");
    const std::string old = "an earlier capture, 277 KB in real life";
    writeFile(target, old);
    const std::string port = std::to_string(freeUdpPort());

    const ToolRun refused = runTool({"record", target, "--duration", "0.2", "--port", port});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find(target + " exists; --force replaces it"), std::string::npos)
        << refused.err;
    EXPECT_EQ(fileBytes(target), old);

    // Ctrl-C before the end of --duration: the old capture stays, the new one is kept aside.
    {
        ToolProcess record(
            {"record", target, "--force", "--duration", "30", "--verbose", "--port", port});
        ASSERT_TRUE(record.waitForText("recording UDP", Millis(8000))) << record.err();
        sendDrops(static_cast<uint16_t>(std::stoi(port)), 1);
        ASSERT_TRUE(record.waitForText("datagram 1:", Millis(8000))) << record.out();
        record.requestStop();
        EXPECT_EQ(record.finish(Millis(8000)), 1);
        EXPECT_EQ(fileBytes(target), old);
        const std::vector<std::string> partials = partialFiles(target);
        ASSERT_EQ(partials.size(), 1u);
        EXPECT_NE(record.err().find(target + " is left as it was; the 1 datagram recorded is in " +
                                    partials[0]),
                  std::string::npos)
            << record.err();
        std::remove(partials[0].c_str());
    }

    // Killed outright while recording: the old capture stays.
    {
        ToolProcess record({"record", target, "--force", "--verbose", "--port", port});
        ASSERT_TRUE(record.waitForText("recording UDP", Millis(8000))) << record.err();
        sendDrops(static_cast<uint16_t>(std::stoi(port)), 1);
        ASSERT_TRUE(record.waitForText("datagram 1: 20 bytes", Millis(8000))) << record.out();
        EXPECT_NE(record.out().find("\n  04 82 a5 45 76 65 6e 74"), std::string::npos)
            << "--verbose shows the bytes: " << record.out();
        record.kill();
        EXPECT_EQ(fileBytes(target), old);
        const std::vector<std::string> partials = partialFiles(target);
        ASSERT_EQ(partials.size(), 1u) << "the killed run's datagrams are kept aside";
        EXPECT_GT(fileBytes(partials[0]).size(), 24u);
        std::remove(partials[0].c_str());
    }

    // A complete run with --force replaces it; the count is not a line per datagram.
    {
        ToolProcess record(
            {"record", target, "--force", "--count", "40", "--duration", "30", "--port", port});
        ASSERT_TRUE(record.waitForText("recording UDP", Millis(8000))) << record.err();
        sendDrops(static_cast<uint16_t>(std::stoi(port)), 40);
        EXPECT_EQ(record.finish(Millis(8000)), 0) << record.err();
        EXPECT_NE(record.out().find("recorded 40 datagrams in "), std::string::npos)
            << record.out();
        EXPECT_LE(lines(record.out()).size(), 3u) << record.out();
    }
    const std::string replaced = fileBytes(target);
    EXPECT_EQ(replaced.size(), 24u + 40u * (16u + 20u + 28u));
    EXPECT_TRUE(partialFiles(target).empty());
    std::remove(target.c_str());
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

// orv decode of a capture: each datagram in turn with its time, sender and bytes, from the
// file or from standard input; replay of an empty capture says it is empty.
TEST_F(RecordReplay, DecodeReadsACaptureDatagramByDatagram)
{
    const std::string ipv4("\x08\x00", 2);
    const std::string deck("\x01\x81\xa4"
                           "Deck\x02");
    const std::string path = tempPath("decode.pcap");
    {
        PcapFile file(path, 1); // Ethernet
        file.frame(1000.0, ethernet(ipv4, udpPacket(3650, deck)));
        file.frame(1000.1, ethernet(std::string("\x08\x06", 2), std::string(28, '\0'))); // ARP
        file.frame(1000.25, ethernet(ipv4, udpPacket(3650, "\x04\xc1")));
    }
    const ToolRun named = runTool({"decode", path});
    EXPECT_EQ(named.status, 1) << "a node drops the second datagram\n" << named.err;
    const std::string first = "#1        1970-01-01 00:16:40.000000 UTC (+0.000000 s), from "
                              "192.0.2.10:50000 to 192.0.2.20:3650\n"
                              "datagram  8 bytes\n"
                              "  01 81 a4 44 65 63 6b 02\n"
                              "type      1 (Deck)\n";
    EXPECT_EQ(named.out.rfind(first, 0), 0u) << named.out;
    EXPECT_NE(named.out.find("\n#2        1970-01-01 00:16:40.250000 UTC (+0.250000 s)"),
              std::string::npos)
        << named.out;
    EXPECT_NE(named.out.find("format error."), std::string::npos);
    EXPECT_NE(named.out.find("capture   2 datagrams decoded from " + path +
                             ", 1 of them dropped by a node; skipped: 1 not IPv4 UDP\n"),
              std::string::npos)
        << named.out;

    // The same bytes on standard input: a capture, not a datagram of type 0xd4.
    const ToolRun piped = runTool({"decode"}, fileBytes(path));
    EXPECT_EQ(piped.status, 1);
    EXPECT_EQ(piped.out.rfind(first, 0), 0u) << piped.out;
    EXPECT_EQ(piped.err, "");

    const ToolRun otherPort = runTool({"decode", path, "--port", "9999"});
    EXPECT_EQ(otherPort.status, 1);
    EXPECT_NE(otherPort.err.find("no UDP datagram to port 9999 in " + path), std::string::npos)
        << otherPort.err;

    // A capture with its header only.
    {
        PcapFile empty(path, 1);
    }
    const ToolRun replay = runTool({"replay", path, "--speed", "0"});
    EXPECT_EQ(replay.status, 1);
    EXPECT_NE(replay.err.find(path + " holds no datagrams: the capture is empty"),
              std::string::npos)
        << replay.err;
    EXPECT_EQ(replay.err.find("--port"), std::string::npos) << replay.err;
    std::remove(path.c_str());
}

} // namespace
} // namespace orvtooltest
