// orv send: one datagram built from the command line.
#include "commands/Command.h"

#include "protocol/WireSchema.h"

#include "net/UdpSocket.h"
#include "wire/Datagram.h"
#include "wire/KeyCheck.h"
#include "wire/ValueText.h"

#include <iostream>

namespace orvtool
{

namespace
{

bool buildDatagram(const ParsedOptions& options, std::string& datagram, std::string& error)
{
    if (options.has("--hex"))
    {
        if (!options.positional().empty())
        {
            error = "--hex sends the given bytes as they are; leave out TYPE and KEY=VALUE";
            return false;
        }
        return fromHex(options.text("--hex"), datagram, error);
    }
    const std::vector<std::string>& args = options.positional();
    if (args.empty())
    {
        error = "name a TYPE (control, deck, meta, event or 0 to 255), then KEY=VALUE pairs";
        return false;
    }
    uint8_t type = 0;
    if (!parseMessageType(args[0], type))
    {
        error = "\"" + args[0] + "\" is no message type (control, deck, meta, event or 0 to 255)";
        return false;
    }
    Entries entries;
    for (size_t i = 1; i < args.size(); ++i)
    {
        std::string key;
        std::string value;
        if (!splitAssignment(args[i], key, value))
        {
            error = "\"" + args[i] + "\" is no KEY=VALUE pair";
            return false;
        }
        // A key that carries text takes the value as text, whatever it reads as: a title of
        // "1999" is text, not a number.
        orvprotocol::ValueKind kind = orvprotocol::ValueKind::Text;
        const bool textKey = keyKind(type, key, kind) && kind == orvprotocol::ValueKind::Text;
        entries.emplace_back(key, textKey ? stringFromText(value) : valueFromText(value));
    }
    datagram = makeDatagram(type, entries);
    return true;
}

int runSend(const ParsedOptions& options)
{
    std::string error;
    std::string datagram;
    if (!buildDatagram(options, datagram, error))
    {
        std::cerr << "orv send: " << error << "\n";
        return kExitUsage;
    }

    orv::net::Endpoint to;
    const std::string defaultHost =
        options.has("--multicast") ? orvprotocol::kMulticastGroup : orvprotocol::kDefaultIp;
    if (!orv::net::parseEndpoint(options.text("--to", defaultHost), defaultHost,
                                 orvprotocol::kDefaultPort, to, error))
    {
        std::cerr << "orv send: " << error << "\n";
        return kExitUsage;
    }
    if (options.has("--multicast") && !to.isMulticast())
    {
        std::cerr << "orv send: --multicast sends to the group " << orvprotocol::kMulticastGroup
                  << "; give --to :PORT to change only the port\n";
        return kExitUsage;
    }

    // Sent all the same (a test may want a node to see it), but not without a word.
    for (const std::string& warning : datagramWarnings(datagram))
        std::cerr << "orv send: warning: " << warning << "\n";

    orv::net::UdpSocket socket;
    if (!socket.open(error) || (to.isMulticast() && !socket.setMulticastSending(error)) ||
        !socket.sendTo(to, datagram.data(), datagram.size(), error))
    {
        std::cerr << "orv send: " << error << "\n";
        return kExitFailure;
    }
    if (!options.has("--quiet"))
        std::cout << "sent " << datagram.size() << (datagram.size() == 1 ? " byte" : " bytes")
                  << " to " << to.text() << ": " << toHex(datagram) << "\n";
    return kExitOk;
}

} // namespace

const Command& sendCommand()
{
    static const Command command{
        "send",
        "send one datagram built from the command line",
        "orv send TYPE KEY=VALUE... [--to HOST:PORT] [--multicast]\n"
        "       orv send --hex BYTES [--to HOST:PORT]",
        "Builds one state datagram, a type byte and a MessagePack map, and sends it once.\n"
        "TYPE is control (0), deck (1), meta (2), event (4) or any number from 0 to 255.\n"
        "Values are read from their text: 124 is an integer, 124.0 or 1e3 a float 64, 0.5f\n"
        "a float 32, true/false a boolean, nil a nil, and anything else a string; quotes\n"
        "keep a number as a string: Album='\"1999\"'. A key that carries text (Title,\n"
        "Artist, Album, Filepath, Event) takes any value as text: Title=1999 is \"1999\".\n"
        "A warning on standard error names what a node would read otherwise than written:\n"
        "a key it does not know (bpm for BPM), a value of another kind than the key's, a\n"
        "payload that does not decode, a deck number out of range. It is sent all the same.",
        {
            {"--to", "HOST:PORT", "where to send (default 127.0.0.1:3650)"},
            {"--multicast", "", "send to the group 239.0.0.1 (port from --to :PORT)"},
            {"--hex", "BYTES", "send these bytes as they are, e.g. \"01 82 a4 ...\""},
            {"--quiet", "", "print nothing when the datagram went out"},
        },
        "  orv send deck Deck=2 BPM=124.0 Beat=3\n"
        "  orv send meta Deck=1 Title=\"Glass Harbour\" Artist=\"Mira Okonkwo\"\n"
        "  orv send control UpfaderA=0.8 UpfaderB=0.5 Crossfader=0.25 Active=1\n"
        "  orv send event Event=Drop Value=1 --to 127.0.0.1:3651\n"
        "  orv send --hex \"04 82 a5 45 76 65 6e 74 a4 44 72 6f 70 a5 56 61 6c 75 65 01\"\n",
        runSend,
    };
    return command;
}

} // namespace orvtool
