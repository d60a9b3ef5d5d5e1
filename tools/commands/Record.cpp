// orv record: the datagrams arriving on a port, with their arrival times, into a pcap file.
// The capture is written beside the file it is for and takes that file's place only when it
// is complete (PendingFile), so that no run that ends early costs an earlier capture.
#include "commands/Command.h"

#include "protocol/WireSchema.h"

#include "cli/StopSignal.h"
#include "net/UdpSocket.h"
#include "pcap/CaptureFile.h"
#include "pcap/PendingFile.h"
#include "pcap/UdpFrame.h"
#include "platform/Platform.h"
#include "view/RunningCount.h"
#include "view/TextFormat.h"
#include "wire/Datagram.h"

#include <chrono>
#include <iostream>
#include <vector>

namespace orvtool
{

namespace
{

// What ends a run besides Ctrl-C; without either, Ctrl-C is the way it ends.
struct RecordLimits
{
    double duration = 0.0;
    long long count = 0;

    bool any() const { return duration > 0.0 || count > 0; }
    bool reached(long long recorded, double seconds) const
    {
        return (count > 0 && recorded >= count) || (duration > 0.0 && seconds >= duration);
    }
    // " for 10 s", " for 6 datagrams or 10 s", or " until Ctrl-C".
    std::string text() const
    {
        if (!any())
            return " until Ctrl-C";
        std::string text = " for ";
        if (count > 0)
            text += countText(count, "datagram") + (duration > 0.0 ? " or " : "");
        if (duration > 0.0)
            text +=
                fixedText(duration, duration == static_cast<long long>(duration) ? 0 : 1) + " s";
        return text;
    }
};

// Gives the finished capture its name: over the old file when the run is complete, in place
// of none when there was none; otherwise the old file stays and the new data where it is.
// Prints `summary` ("recorded 6 datagrams in 1.2 s") with where they went; the exit code.
int settleCapture(const PendingFile& file, bool complete, bool replacing, long long recorded,
                  const std::string& summary, int status)
{
    const std::string& target = file.target();
    const std::string kept = "; the " + countText(recorded, "datagram") + " recorded " +
                             (recorded == 1 ? "is" : "are") + " in " + file.path() + "\n";
    if (!complete && replacing)
    {
        std::cout << summary << std::endl;
        std::cerr << "orv record: "
                  << (status == kExitOk ? "stopped before the end of the run: " : "") << target
                  << " is left as it was";
        if (recorded == 0)
        {
            file.discard();
            std::cerr << "\n";
        }
        else
        {
            std::cerr << kept;
        }
        return kExitFailure;
    }
    std::string error;
    switch (file.commit(replacing, error))
    {
    case MoveResult::Moved:
        std::cout << summary << " to " << target << std::endl;
        return status;
    case MoveResult::TargetExists:
        std::cout << summary << std::endl;
        std::cerr << "orv record: " << target << " appeared while recording and is left as it is"
                  << kept;
        return kExitFailure;
    case MoveResult::Failed:
        break;
    }
    std::cout << summary << std::endl;
    std::cerr << "orv record: " << error << kept;
    return kExitFailure;
}

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
    RecordLimits limits;
    if (!options.integer("--port", orvprotocol::kDefaultPort, 1, 65535, port, error) ||
        !options.integer("--count", 0, 0, 1LL << 40, limits.count, error) ||
        !options.real("--duration", 0.0, 0.0, 1e9, limits.duration, error))
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
    const bool replacing = fileExists(path);
    if (replacing && !options.has("--force"))
    {
        std::cerr << "orv record: " << path
                  << " exists; --force replaces it (once the new capture is complete), or name "
                     "another file\n";
        return kExitFailure;
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
    const PendingFile file(path);
    std::unique_ptr<CaptureWriter> writer = CaptureWriter::create(file.path(), error);
    if (!writer)
    {
        std::cerr << "orv record: " << error << "\n";
        return kExitFailure;
    }

    std::cout << "recording UDP " << local.text() << (multicast ? " and group 239.0.0.1" : "")
              << " to " << path << limits.text() << std::endl;

    const bool verbose = options.has("--verbose");
    // Each datagram's own lines count when --verbose prints them.
    RunningCount running(std::cout, stdoutIsTerminal(), "datagram");
    const auto start = std::chrono::steady_clock::now();
    const auto elapsed = [&]
    { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(); };
    std::vector<char> buffer(65536);
    long long recorded = 0;
    uint16_t id = 0;
    int status = kExitOk;
    while (!stopRequested() && !limits.reached(recorded, elapsed()))
    {
        if (!verbose)
            running.update(recorded, elapsed());
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
                      << datagram.from.text() << "\n"
                      << hexLines(payload, "  ") << std::flush;
    }
    running.finish();
    writer.reset(); // closes the file before it is renamed
    const bool complete =
        status == kExitOk && (!limits.any() || limits.reached(recorded, elapsed()));
    const std::string summary =
        "recorded " + countText(recorded, "datagram") + " in " + fixedText(elapsed(), 1) + " s";
    return settleCapture(file, complete, replacing, recorded, summary, status);
}

} // namespace

const Command& recordCommand()
{
    static const Command command{
        "record",
        "capture the datagrams arriving on a port to a pcap file",
        "orv record FILE.pcap [--ip IP] [--port PORT] [--multicast] [--duration S] [--count N]\n"
        "                  [--force] [--verbose]",
        "Binds the port as a receiver node would (so stop the node, or record on another\n"
        "port) and writes every datagram with its arrival time as a raw IPv4 packet into a\n"
        "pcap file that tcpdump, Wireshark and `orv replay` read. Datagrams are kept whole\n"
        "(a node reads only the first 4096 bytes).\n"
        "The capture is written to FILE.pcap.PID.partial beside FILE.pcap and renamed when\n"
        "it is complete: at the end of --duration or --count, or at Ctrl-C without them.\n"
        "An existing FILE.pcap is replaced only with --force and only by a complete\n"
        "capture; a run stopped early leaves it as it was and says where its datagrams are.",
        {
            {"--ip", "IP", "address to bind (default 127.0.0.1; 0.0.0.0 with --multicast)"},
            {"--port", "PORT", "UDP port to bind (default 3650)"},
            {"--multicast", "", "also join the group 239.0.0.1"},
            {"--duration", "SECONDS", "stop after this long (default: until Ctrl-C)"},
            {"--count", "N", "stop after N datagrams"},
            {"--force", "", "replace FILE.pcap if it exists"},
            {"--verbose", "", "each datagram: its size, its sender and its bytes in hex"},
        },
        "  orv record set.pcap\n"
        "  orv record set.pcap --ip 0.0.0.0 --port 3650 --duration 600\n",
        runRecord,
    };
    return command;
}

} // namespace orvtool
