// orv replay: the UDP datagrams of a capture, sent again with their original timing.
#include "commands/Command.h"
#include "harness/NumberText.h"

#include "protocol/WireSchema.h"

#include "cli/StopSignal.h"
#include "net/UdpSocket.h"
#include "pcap/CaptureFile.h"
#include "pcap/FrameSkips.h"
#include "pcap/UdpFrame.h"
#include "view/TextFormat.h"
#include "wire/Datagram.h"

#include <algorithm>
#include <chrono>
#include <iostream>
#include <thread>
#include <vector>

namespace orvtool
{

namespace
{

using Clock = std::chrono::steady_clock;

// Sleeps until `when`, a little at a time so that Ctrl-C is seen; false when it was.
bool waitUntil(Clock::time_point when)
{
    while (!stopRequested())
    {
        const Clock::time_point now = Clock::now();
        if (now >= when)
            return true;
        std::this_thread::sleep_for(
            std::min<Clock::duration>(when - now, std::chrono::milliseconds(50)));
    }
    return false;
}

// Why a replay sent nothing: an empty capture, one without UDP datagrams, or one whose
// datagrams all go to other ports than the one asked for.
std::string nothingSentText(const std::string& path, long long frames, const FrameSkips& skips,
                            long long port)
{
    if (frames == 0)
        return path + " holds no datagrams: the capture is empty";
    if (skips.total() - skips.otherPorts() == frames)
        return path + " holds no IPv4 UDP datagram (" + skips.text() + ")";
    return "no UDP datagram to port " + std::to_string(port) + " in " + path +
           " (--port chooses another, 0 any)";
}

// The destination ports of a capture's UDP datagrams, each once, in the order first seen;
// none for a file it cannot read (the replay says why when it opens the file again).
std::vector<uint16_t> capturedPorts(const std::string& path)
{
    std::vector<uint16_t> ports;
    std::string error;
    std::unique_ptr<CaptureReader> reader = CaptureReader::open(path, error);
    if (!reader)
        return ports;
    CapturedFrame frame;
    while (!stopRequested() && reader->next(frame, error) == 1)
    {
        UdpPacket packet;
        if (parseFrame(reader->linkType(), frame.bytes, packet) == FrameResult::Udp &&
            std::find(ports.begin(), ports.end(), packet.to.port) == ports.end())
            ports.push_back(packet.to.port);
    }
    return ports;
}

// Without --port: 3650 when the capture has datagrams to it (or none at all), else the one
// port it holds. False, with the ports in `error`, when it holds several others.
bool choosePort(const std::string& path, long long& port, std::string& why, std::string& error)
{
    port = orvprotocol::kDefaultPort;
    // Standard input ("-") cannot be read twice.
    const std::vector<uint16_t> ports = path == "-" ? std::vector<uint16_t>{} : capturedPorts(path);
    if (ports.empty() || std::find(ports.begin(), ports.end(), port) != ports.end())
        return true;
    if (ports.size() == 1)
    {
        port = ports[0];
        why = " (the only port in the capture)";
        return true;
    }
    error = "no UDP datagram to port " + std::to_string(port) + " in " + path +
            "; it holds datagrams to ports";
    for (size_t i = 0; i < ports.size() && i < 8; ++i)
        error += (i == 0 ? " " : ", ") + std::to_string(ports[i]);
    error += ports.size() > 8 ? " and more" : "";
    error += ": choose one with --port (0: all)";
    return false;
}

int runReplay(const ParsedOptions& options)
{
    if (!havePcap())
    {
        std::cerr << "orv replay: " << pcapMissingText() << "\n";
        return kExitFailure;
    }
    if (options.positional().size() != 1)
    {
        std::cerr << "orv replay: name one FILE.pcap to read\n";
        return kExitUsage;
    }
    const std::string path = options.positional()[0];

    std::string error;
    long long port = orvprotocol::kDefaultPort;
    double speed = 1.0;
    double maxGap = 0.0;
    if (!options.integer("--port", orvprotocol::kDefaultPort, 0, 65535, port, error) ||
        !options.real("--speed", 1.0, 0.0, 1e6, speed, error) ||
        !options.real("--max-gap", 0.0, 0.0, 1e9, maxGap, error))
    {
        std::cerr << "orv replay: " << error << "\n";
        return kExitUsage;
    }
    std::string portReason;
    if (!options.has("--port") && !choosePort(path, port, portReason, error))
    {
        std::cerr << "orv replay: " << error << "\n";
        return kExitFailure;
    }
    const uint16_t defaultPort =
        port == 0 ? orvprotocol::kDefaultPort : static_cast<uint16_t>(port);
    orv::net::Endpoint to;
    if (!orv::net::parseEndpoint(options.text("--to", orvprotocol::kDefaultIp),
                                 orvprotocol::kDefaultIp, defaultPort, to, error))
    {
        std::cerr << "orv replay: " << error << "\n";
        return kExitUsage;
    }

    std::unique_ptr<CaptureReader> reader = CaptureReader::open(path, error);
    if (!reader)
    {
        std::cerr << "orv replay: " << error << "\n";
        return kExitFailure;
    }
    if (reader->linkType() == LinkType::Other)
    {
        std::cerr << "orv replay: " << path << " holds " << reader->linkTypeName()
                  << " frames; replay reads Ethernet, raw IP, Linux cooked (SLL, SLL2) and "
                     "loopback captures\n";
        return kExitFailure;
    }
    orv::net::UdpSocket socket;
    if (!socket.open(error) || (to.isMulticast() && !socket.setMulticastSending(error)))
    {
        std::cerr << "orv replay: " << error << "\n";
        return kExitFailure;
    }

    std::cout << "replaying UDP " << (port == 0 ? "to any port" : "to port " + std::to_string(port))
              << portReason << " from " << path << " to " << to.text() << " at speed "
              << orvharness::numberText(speed) << std::endl;

    const bool verbose = options.has("--verbose");
    FrameSkips skips;
    long long frames = 0;
    long long sent = 0;
    long long failed = 0;
    bool haveFirst = false;
    double previousCapture = 0.0;
    double timeline = 0.0; // capture seconds since the first datagram, gaps capped
    const Clock::time_point start = Clock::now();
    int status = kExitOk;
    CapturedFrame frame;
    while (!stopRequested())
    {
        const int got = reader->next(frame, error);
        if (got == 0)
            break;
        if (got < 0)
        {
            std::cerr << "orv replay: " << error << "\n";
            status = kExitFailure;
            break;
        }
        ++frames;
        UdpPacket packet;
        if (!skips.take(parseFrame(reader->linkType(), frame.bytes, packet)))
            continue;
        if (port != 0 && packet.to.port != port)
        {
            skips.countOtherPort();
            continue;
        }

        if (haveFirst)
        {
            // Captures merged from several files can step back in time: send at once then.
            double gap = std::max(0.0, frame.seconds - previousCapture);
            if (maxGap > 0.0)
                gap = std::min(gap, maxGap);
            timeline += gap;
        }
        haveFirst = true;
        previousCapture = frame.seconds;
        if (speed > 0.0)
        {
            const auto offset = std::chrono::duration_cast<Clock::duration>(
                std::chrono::duration<double>(timeline / speed));
            if (!waitUntil(start + offset))
                break;
        }
        if (socket.sendTo(to, packet.payload.data(), packet.payload.size(), error))
        {
            ++sent;
            if (verbose)
                std::cout << "datagram " << sent << ": " << packet.payload.size()
                          << " bytes (captured from " << packet.from.text() << ")\n"
                          << hexLines(packet.payload, "  ") << std::flush;
        }
        else if (failed++ == 0)
        {
            std::cerr << "orv replay: " << error << " (later failures are only counted)\n";
        }
    }

    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    std::cout << "replayed " << countText(sent, "datagram") << " in " << fixedText(elapsed, 1)
              << " s";
    if (failed > 0)
        std::cout << ", " << failed << " sends failed";
    if (skips.total() > 0)
        std::cout << "; " << skips.text();
    std::cout << std::endl;
    if (sent == 0 && failed == 0 && status == kExitOk && !stopRequested())
    {
        std::cerr << "orv replay: " << nothingSentText(path, frames, skips, port) << "\n";
        status = kExitFailure;
    }
    return status;
}

} // namespace

const Command& replayCommand()
{
    static const Command command{
        "replay",
        "send the datagrams of a pcap capture again with their original timing",
        "orv replay FILE.pcap [--to HOST:PORT] [--port PORT] [--speed X] [--max-gap S]",
        "Reads a capture made by `orv record`, tcpdump or Wireshark (Ethernet, raw IP,\n"
        "Linux cooked and loopback link types), picks the IPv4 UDP datagrams sent to PORT\n"
        "and sends their payloads to HOST:PORT, keeping the gaps between them. Without\n"
        "--port a capture whose datagrams all go to one port is replayed from that port.",
        {
            {"--to", "HOST:PORT", "where to send (default 127.0.0.1, port as replayed or 3650)"},
            {"--port", "PORT",
             "replay the datagrams sent to this port (default 3650, or the one port the "
             "capture holds; 0: any)"},
            {"--speed", "X",
             "2 plays twice as fast, 0.5 half as fast, 0 without waiting "
             "(default 1)"},
            {"--max-gap", "SECONDS", "shorten longer pauses of the capture to this"},
            {"--verbose", "", "each datagram: its size, its sender and its bytes in hex"},
        },
        "  orv replay set.pcap\n"
        "  orv replay tcpdump.pcap --port 3650 --to 127.0.0.1:3651 --speed 2\n",
        runReplay,
    };
    return command;
}

} // namespace orvtool
