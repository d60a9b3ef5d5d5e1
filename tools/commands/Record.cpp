// orv record: the datagrams arriving on a port, with their arrival times, into a pcap file.
#include "commands/Command.h"

#include "protocol/WireSchema.h"

#include "cli/StopSignal.h"
#include "net/UdpSocket.h"
#include "pcap/CaptureFile.h"
#include "pcap/UdpFrame.h"
#include "view/TextFormat.h"

#include <chrono>
#include <iostream>
#include <vector>

namespace orvtool
{

namespace
{

int runRecord(const ParsedOptions& options)
{
    if (!havePcap())
    {
        std::cerr << "orv record: " << pcapMissingText() << "\n";
        return kExitFailure;
    }
    if (options.positional().size() != 1)
    {
        std::cerr << "orv record: name one FILE.pcap to write\n";
        return kExitUsage;
    }
    const std::string path = options.positional()[0];

    std::string error;
    long long port = orvprotocol::kDefaultPort;
    long long count = 0;
    double duration = 0.0;
    if (!options.integer("--port", orvprotocol::kDefaultPort, 1, 65535, port, error) ||
        !options.integer("--count", 0, 0, 1LL << 40, count, error) ||
        !options.real("--duration", 0.0, 0.0, 1e9, duration, error))
    {
        std::cerr << "orv record: " << error << "\n";
        return kExitUsage;
    }
    const bool multicast = options.has("--multicast");
    const std::string ip = options.text("--ip", multicast ? "0.0.0.0" : orvprotocol::kDefaultIp);
    orv::net::Endpoint local;
    if (!orv::net::makeEndpoint(ip, static_cast<uint16_t>(port), local))
    {
        std::cerr << "orv record: --ip wants a dotted IPv4 address, not \"" << ip << "\"\n";
        return kExitUsage;
    }

    orv::net::UdpSocket socket;
    if (!socket.open(error) || !socket.bind(local, error))
    {
        std::cerr << "orv record: " << error << "\n";
        return kExitFailure;
    }
    if (multicast)
    {
        if (!socket.joinMulticast(orvprotocol::kMulticastGroup, ip, error))
        {
            std::cerr << "orv record: " << error << "\n";
            return kExitFailure;
        }
        if (ip != "0.0.0.0")
            std::cerr << "orv record: note: on Linux and macOS a socket bound to " << ip
                      << " sees no multicast datagrams; use --ip 0.0.0.0\n";
    }
    std::unique_ptr<CaptureWriter> writer = CaptureWriter::create(path, error);
    if (!writer)
    {
        std::cerr << "orv record: " << error << "\n";
        return kExitFailure;
    }

    std::cout << "recording UDP " << local.text() << (multicast ? " and group 239.0.0.1" : "")
              << " to " << path << " (Ctrl-C stops)" << std::endl;

    const bool verbose = options.has("--verbose");
    const auto start = std::chrono::steady_clock::now();
    std::vector<char> buffer(65536);
    long long recorded = 0;
    uint16_t id = 0;
    int status = kExitOk;
    while (!stopRequested() && (count == 0 || recorded < count))
    {
        if (duration > 0.0 &&
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() >=
                duration)
            break;
        orv::net::ReceivedDatagram datagram;
        const int got = socket.receive(buffer.data(), buffer.size(), 50, datagram, error);
        if (got < 0)
        {
            std::cerr << "orv record: " << error << "\n";
            status = kExitFailure;
            break;
        }
        if (got == 0)
            continue;
        const std::string payload(buffer.data(), datagram.size);
        if (!writer->write(datagram.arrivalSeconds,
                           buildIpv4UdpPacket(datagram.from, datagram.to, payload, id++), error))
        {
            std::cerr << "orv record: " << error << "\n";
            status = kExitFailure;
            break;
        }
        ++recorded;
        if (verbose)
            std::cout << "datagram " << recorded << ": " << datagram.size << " bytes from "
                      << datagram.from.text() << std::endl;
    }
    writer.reset(); // closes the file before the summary
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::cout << "recorded " << recorded << " datagrams in " << fixedText(elapsed, 1) << " s to "
              << path << std::endl;
    return status;
}

} // namespace

const Command& recordCommand()
{
    static const Command command{
        "record",
        "capture the datagrams arriving on a port to a pcap file",
        "orv record FILE.pcap [--ip IP] [--port PORT] [--multicast] [--duration S] [--count N]",
        "Binds the port as a receiver node would (so stop the node, or record on another\n"
        "port) and writes every datagram with its arrival time as a raw IPv4 packet into a\n"
        "pcap file that tcpdump, Wireshark and `orv replay` read. Datagrams are kept whole\n"
        "(a node reads only the first 4096 bytes).",
        {
            {"--ip", "IP", "address to bind (default 127.0.0.1; 0.0.0.0 with --multicast)"},
            {"--port", "PORT", "UDP port to bind (default 3650)"},
            {"--multicast", "", "also join the group 239.0.0.1"},
            {"--duration", "SECONDS", "stop after this long (default: until Ctrl-C)"},
            {"--count", "N", "stop after N datagrams"},
            {"--verbose", "", "one line per datagram"},
        },
        "  orv record set.pcap\n"
        "  orv record set.pcap --ip 0.0.0.0 --port 3650 --duration 600\n",
        runRecord,
    };
    return command;
}

} // namespace orvtool
