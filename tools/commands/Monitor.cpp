// orv monitor: the live view for a real sender, through the real bundles, with help when
// nothing arrives.
#include "commands/Command.h"

#include "protocol/WireSchema.h"

#include "live/BundleLocator.h"
#include "live/LiveLoop.h"
#include "live/LiveNodes.h"
#include "net/Endpoint.h"
#include "net/Interfaces.h"
#include "net/Udp.h"
#include "platform/Platform.h"
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

// How often a node with "Active" on tries to connect again (dat/Active.cpp).
constexpr double kRetrySeconds = 2.0;

// While the node is not connected: why, who holds its port when that is the reason, and that
// it keeps trying. First among the notes, from the first snapshot on.
class RetryNote
{
public:
    void annotate(Snapshot& snapshot)
    {
        if (snapshot.connected || snapshot.error.empty())
        {
            lookedAt_ = -kRetrySeconds;
            owner_.clear();
            return;
        }
        const std::string inUse = ": " + std::to_string(orv::udp::kAddressInUseError);
        const bool portTaken =
            snapshot.error.size() > inUse.size() &&
            snapshot.error.compare(snapshot.error.size() - inUse.size(), inUse.size(), inUse) == 0;
        if (portTaken && snapshot.seconds - lookedAt_ >= kRetrySeconds)
        {
            owner_ = udpPortOwner(snapshot.node.port);
            lookedAt_ = snapshot.seconds;
        }
        std::string note = "Not connected: " + withErrorMeaning(snapshot.error);
        if (portTaken)
            note += "; port " + std::to_string(snapshot.node.port) + " is taken" +
                    (owner_.empty() ? "" : " by " + owner_);
        note += ". The node tries again every " + fixedText(kRetrySeconds, 0) +
                " s, as one with \"Active\" on does, and connects once " +
                (portTaken ? "the port is free." : "it can.");
        snapshot.notes.insert(snapshot.notes.begin(), note);
    }

private:
    double lookedAt_ = -kRetrySeconds;
    std::string owner_;
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
    if (!nodes || !nodes->activate(node, error))
    {
        std::cerr << "orv monitor: " << error << "\n";
        return kExitFailure;
    }

    SilenceWatch watch(patience);
    RetryNote retry;
    return runLiveLoop(*nodes, loop,
                       [&](Snapshot& snapshot)
                       {
                           watch.annotate(snapshot);
                           retry.annotate(snapshot);
                       });
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
        "Loads the real bundles (" + bundleNamesText() +
            ")\n"
            "in the headless host, sets the table node's parameters from the options, turns\n"
            "its \"Active\" on and shows the table, the 48 channels, each deck's beat clock,\n"
            "the On Air deck (decks 1 and 3 on channel A, 2 and 4 on B, crossfader 0 to 1),\n"
            "the event counts, the node's error and warning texts and its Info CHOP and Info\n"
            "DAT (datagrams accepted and dropped, how long ago, from whom, where it is bound)\n"
            "live. A node that cannot bind (the port is taken) tries again every 2 s, as\n"
            "\"Active\" does, and connects once the port is free. When nothing has arrived\n"
            "after a few seconds it lists this machine's IPv4 interfaces, what the node is\n"
            "bound to, and the usual causes.",
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
