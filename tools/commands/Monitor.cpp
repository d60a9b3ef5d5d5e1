// orv monitor: the live view for a real sender, through the real bundles, with help when
// nothing arrives.
#include "commands/Command.h"

#include "protocol/WireSchema.h"

#include "live/BundleLocator.h"
#include "live/LiveLoop.h"
#include "live/LiveNodes.h"
#include "net/Endpoint.h"
#include "net/Interfaces.h"
#include "view/Diagnostics.h"
#include "view/TextFormat.h"

#include <iostream>
#include <optional>

namespace orvtool
{

namespace
{

// Watches successive snapshots for the first sign of a datagram and for long stillness.
class SilenceWatch
{
public:
    explicit SilenceWatch(double patience) : patience_(patience) {}

    void annotate(Snapshot& snapshot)
    {
        if (!heardAnything_ && !nothingReceived(snapshot))
            heardAnything_ = true;
        if (!last_ || !sameContent(*last_, snapshot))
            lastChange_ = snapshot.seconds;
        last_ = snapshot;
        last_->notes.clear();

        const double still = snapshot.seconds - lastChange_;
        if (!heardAnything_ && snapshot.seconds >= patience_)
        {
            if (interfaces_.empty())
                interfaces_ = orv::udp::listIpv4Interfaces();
            for (const std::string& line :
                 silenceDiagnostics(snapshot, snapshot.seconds, interfaces_))
                snapshot.notes.push_back(line);
        }
        else if (heardAnything_ && still >= patience_)
        {
            snapshot.notes.push_back("Nothing has changed in " + fixedText(still, 0) +
                                     " s: the sender may have stopped.");
        }
    }

private:
    double patience_;
    bool heardAnything_ = false;
    double lastChange_ = 0.0;
    std::optional<Snapshot> last_;
    std::vector<orv::udp::Ipv4Interface> interfaces_;
};

int runMonitor(const ParsedOptions& options)
{
    std::string error;
    LiveLoopSettings loop;
    loop.command = "monitor";
    long long port = orvprotocol::kDefaultPort;
    double patience = 3.0;
    if (!readLiveLoopOptions(options, loop, error) ||
        !options.integer("--port", orvprotocol::kDefaultPort, 1, 65535, port, error) ||
        !options.real("--silence", 3.0, 0.1, 3600.0, patience, error))
    {
        std::cerr << "orv monitor: " << error << "\n";
        return kExitUsage;
    }
    NodeSettings node;
    node.multicast = options.has("--multicast");
    node.ip = options.text("--ip", orvprotocol::kDefaultIp);
    node.port = static_cast<uint16_t>(port);
    node.filter = options.text("--filter");
    orv::net::Endpoint check;
    if (!orv::net::makeEndpoint(node.ip, node.port, check))
        std::cerr << "orv monitor: note: \"" << node.ip
                  << "\" is no dotted IPv4 address; the node will bind 0.0.0.0 (every "
                     "interface)\n";

    BundlePaths bundles;
    if (!locateBundles(loop.bundles, bundles, error))
    {
        std::cerr << "orv monitor: " << error << "\n";
        return kExitFailure;
    }
    std::unique_ptr<LiveNodes> nodes = LiveNodes::create(bundles, error);
    if (!nodes || !nodes->connect(node, error))
    {
        std::cerr << "orv monitor: " << error << "\n";
        return kExitFailure;
    }

    SilenceWatch watch(patience);
    return runLiveLoop(*nodes, loop, [&](Snapshot& snapshot) { watch.annotate(snapshot); });
}

} // namespace

const Command& monitorCommand()
{
    std::vector<OptionSpec> options = {
        {"--ip", "IP", "the node's \"Ip\": address to bind (default 127.0.0.1; 0.0.0.0: all)"},
        {"--port", "PORT", "the node's \"Port\" (default 3650)"},
        {"--multicast", "", "the node's \"Multicast\": join 239.0.0.1 (use with --ip 0.0.0.0)"},
        {"--filter", "IP", "the node's \"Ipfilter\": accept only this sender"},
        {"--silence", "SECONDS", "explain after this long with nothing received (default 3)"},
    };
    for (const OptionSpec& option : liveLoopOptions())
        options.push_back(option);
    static const Command command{
        "monitor",
        "the live view for a real sender, with diagnostics when nothing arrives",
        "orv monitor [--ip IP] [--port PORT] [--multicast] [--filter IP] [--json] [--once]",
        "Loads the real bundles (OrvDat, OrvChannels, OrvBeat) in the headless host, sets\n"
        "the table node's parameters from the options, presses \"Reconnect\" and shows the\n"
        "table, the 48 channels, each deck's beat clock, the On Air deck (decks 1 and 3 on\n"
        "channel A, 2 and 4 on B, crossfader 0 to 1), the node's error and warning texts\n"
        "and its Info CHOP and Info DAT (datagrams accepted and dropped, how long ago, from\n"
        "whom, where it is bound) live. When nothing has arrived after a few seconds it\n"
        "lists this machine's IPv4 interfaces, what the node is bound to, and the usual\n"
        "causes.",
        options,
        "  orv monitor\n"
        "  orv monitor --ip 0.0.0.0 --port 3650\n"
        "  orv monitor --ip 0.0.0.0 --multicast --filter 192.168.1.30\n"
        "  orv monitor --json --duration 5\n",
        runMonitor,
    };
    return command;
}

} // namespace orvtool
