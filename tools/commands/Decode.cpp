// orv decode: a datagram's bytes, or every datagram of a capture, decoded the way a receiver
// node decodes them.
#include "commands/Command.h"

#include "cli/StopSignal.h"
#include "pcap/CaptureFile.h"
#include "pcap/FrameSkips.h"
#include "pcap/UdpFrame.h"
#include "view/TextFormat.h"
#include "wire/Datagram.h"
#include "wire/DatagramReport.h"

#include "platform/Platform.h"
#include "platform/WholeFile.h"

#include <algorithm>
#include <ctime>
#include <iostream>
#include <iterator>

namespace orvtool
{

namespace
{

// What to decode: the bytes of one datagram, or a capture (a file, or bytes read from
// standard input).
struct DecodeInput
{
    std::string bytes;
    std::string capturePath; // a capture file named on the command line
    bool capture = false;    // `bytes` or `capturePath` hold a capture
    std::string name;        // the file's name, or "standard input"
};

// One argument that is no hex names a file: a capture, or the raw bytes of a datagram.
bool readFile(const std::string& path, DecodeInput& input, std::string& error)
{
    if (!readWholeFile(path, input.bytes, error))
        return false;
    input.name = path;
    input.capture = looksLikeCapture(input.bytes);
    if (input.capture)
    {
        input.capturePath = path;
        input.bytes.clear();
    }
    return true;
}

// False with the reason in `error`; `usage` tells a usage error from a file that cannot be read.
bool readInput(const ParsedOptions& options, DecodeInput& input, bool& usage, std::string& error)
{
    usage = true;
    const std::vector<std::string>& args = options.positional();
    const bool fromStdin = args.empty() || (args.size() == 1 && args[0] == "-");
    if (!fromStdin)
    {
        std::string text;
        for (const std::string& arg : args)
            text += arg + " ";
        std::string notHex;
        if (fromHex(text, input.bytes, notHex))
            return true;
        if (args.size() != 1 || options.has("--text"))
        {
            error = notHex;
            return false;
        }
        if (!fileExists(args[0]))
        {
            error = quotedText(args[0]) + " is no hex (" + notHex + ") and names no file";
            return false;
        }
        usage = false;
        return readFile(args[0], input, error);
    }
    if (stdinIsTerminal())
    {
        error = "give the datagram as hex (orv decode 01 82 a4 ...), name a capture file, or pipe "
                "bytes in";
        return false;
    }
    readStdinAsBytes();
    std::string bytes((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
    input.name = "standard input";
    if (options.has("--text"))
        return fromHex(bytes, input.bytes, error);
    input.capture = looksLikeCapture(bytes);
    // Hex text read as bytes starts with a type byte no node handles ('0' is 0x30): say why.
    std::string asHex;
    std::string notHex;
    if (!input.capture && fromHex(bytes, asHex, notHex) && !asHex.empty())
        std::cerr << "orv decode: note: standard input reads as hex text, which is decoded here as "
                     "the bytes of its characters; orv decode --text reads it as hex\n";
    input.bytes = std::move(bytes);
    return true;
}

// "2024-05-01 21:14:03.250117 UTC": a capture's time of day, the same wherever it is read.
std::string utcText(double seconds)
{
    const auto whole = static_cast<std::time_t>(seconds);
    const long micros = static_cast<long>((seconds - static_cast<double>(whole)) * 1e6 + 0.5);
    char day[32] = {};
    const std::tm* utc = std::gmtime(&whole);
    if (utc == nullptr || std::strftime(day, sizeof day, "%Y-%m-%d %H:%M:%S", utc) == 0)
        return fixedText(seconds, 6) + " s";
    std::string fraction = std::to_string(std::clamp(micros, 0L, 999999L));
    fraction.insert(0, 6 - fraction.size(), '0');
    return std::string(day) + "." + fraction + " UTC";
}

// Every UDP datagram of a capture (to `port`, or any for 0) in turn, with its time, sender
// and destination. Exit code 1 when a node would drop one, or there is none.
int decodeCapture(CaptureReader& reader, const std::string& name, long long port)
{
    std::ostream& out = std::cout;
    if (reader.linkType() == LinkType::Other)
    {
        std::cerr << "orv decode: " << name << " holds " << reader.linkTypeName()
                  << " frames; decode reads Ethernet, raw IP, Linux cooked (SLL, SLL2) and "
                     "loopback captures\n";
        return kExitFailure;
    }
    FrameSkips skips;
    long long decoded = 0;
    long long dropped = 0;
    double first = 0.0;
    CapturedFrame frame;
    std::string error;
    int status = kExitOk;
    while (!stopRequested())
    {
        const int got = reader.next(frame, error);
        if (got == 0)
            break;
        if (got < 0)
        {
            std::cerr << "orv decode: " << error << "\n";
            status = kExitFailure;
            break;
        }
        UdpPacket packet;
        if (!skips.take(parseFrame(reader.linkType(), frame.bytes, packet)))
            continue;
        if (port != 0 && packet.to.port != port)
        {
            skips.countOtherPort();
            continue;
        }
        if (decoded++ == 0)
            first = frame.seconds;
        out << (decoded == 1 ? "" : "\n") << "#" << decoded << (decoded < 10 ? "        " : " ")
            << utcText(frame.seconds) << " (+" << fixedText(frame.seconds - first, 6)
            << " s), from " << packet.from.text() << " to " << packet.to.text() << "\n";
        dropped += writeDatagramReport(packet.payload, out) ? 0 : 1;
    }
    out << (decoded == 0 ? "" : "\n") << "capture   " << countText(decoded, "datagram")
        << " decoded from " << name;
    if (dropped > 0)
        out << ", " << dropped << " of them dropped by a node";
    if (skips.total() > 0)
        out << "; " << skips.text();
    out << "\n";
    if (decoded == 0 && status == kExitOk)
    {
        std::cerr << "orv decode: no UDP datagram"
                  << (port == 0 ? "" : " to port " + std::to_string(port)) << " in " << name
                  << "\n";
        return kExitFailure;
    }
    return dropped > 0 ? kExitFailure : status;
}

int runDecode(const ParsedOptions& options)
{
    DecodeInput input;
    std::string error;
    bool usage = true;
    long long port = 0;
    if (!options.integer("--port", 0, 0, 65535, port, error))
    {
        std::cerr << "orv decode: " << error << "\n";
        return kExitUsage;
    }
    if (!readInput(options, input, usage, error))
    {
        std::cerr << "orv decode: " << error << "\n";
        return usage ? kExitUsage : kExitFailure;
    }
    if (!input.capture)
        return writeDatagramReport(input.bytes, std::cout) ? kExitOk : kExitFailure;

    std::unique_ptr<CaptureReader> reader =
        input.capturePath.empty() ? CaptureReader::fromBytes(std::move(input.bytes), error)
                                  : CaptureReader::open(input.capturePath, error);
    if (!reader)
    {
        std::cerr << "orv decode: " << error << "\n";
        return kExitFailure;
    }
    return decodeCapture(*reader, input.name, port);
}

} // namespace

const Command& decodeCommand()
{
    static const Command command{
        "decode",
        "decode a datagram's bytes, or a capture's datagrams, the way a receiver node does",
        "orv decode HEX...   |   orv decode FILE   |   orv decode [--text] < FILE",
        "Shows the datagram's bytes, the type byte, the MessagePack value tree with each\n"
        "value's kind, and the record a node builds from it, field by field, with the table\n"
        "row and channel where each field shows; or the decoder's error text (\"end of\n"
        "buffer.\", \"format error.\") and whether a node shows it as its error or its\n"
        "warning. Then the keys a node ignores (not the protocol's, or of another case) and\n"
        "the values it reads otherwise than written. The exit code is 1 when a node drops\n"
        "the datagram (no type byte, a type it ignores, a payload that does not decode, a\n"
        "deck number out of range).\n"
        "A capture (pcap or pcapng, as `orv record`, tcpdump and Wireshark write it), named\n"
        "or on standard input, is decoded datagram by datagram, each with its time, sender\n"
        "and destination; the exit code is 1 when a node drops any of them. Another file,\n"
        "or standard input without --text, holds the raw bytes of one datagram.",
        {
            {"--text", "", "standard input holds hex text, not raw bytes"},
            {"--port", "PORT", "of a capture, only the datagrams sent to this port (default: all)"},
        },
        "  orv decode 01 82 a4 44 65 63 6b 02 a3 42 50 4d cb 40 5f 00 00 00 00 00 00\n"
        "  orv decode 04 82 a5 45 76 65 6e 74 a4 44 72 6f 70 a5 56 61 6c 75 65 01\n"
        "  orv decode set.pcap\n"
        "  orv decode < datagram.bin\n",
        runDecode,
    };
    return command;
}

} // namespace orvtool
