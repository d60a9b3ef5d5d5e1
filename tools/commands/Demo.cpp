// orv demo: the whole chain in one process, on loopback only. A simulated DJ sends to
// 127.0.0.1, the real bundles receive in the headless host, and the terminal shows the table,
// the channels, the beat clocks, the On Air deck and the event counts as the host would.
#include "commands/Command.h"
#include "commands/ProfileOptions.h"
#include "harness/NumberText.h"

#include "protocol/WireSchema.h"

#include "cli/StopSignal.h"
#include "live/BundleLocator.h"
#include "live/LiveLoop.h"
#include "live/LiveNodes.h"
#include "net/Endpoint.h"
#include "platform/Platform.h"
#include "sim/Simulator.h"
#include "support/UdpPorts.h"
#include "view/Diagnostics.h"
#include "view/TextFormat.h"

#include <atomic>
#include <deque>
#include <iostream>
#include <mutex>
#include <thread>

namespace orvtool
{

namespace
{

// How many of the simulator's report lines the view keeps.
constexpr size_t kKeptReports = 4;

// Why the node is not on the default port, when it is not: said once the demo runs.
std::string movedPortNote(uint16_t used)
{
    const std::string owner = udpPortOwner(orvprotocol::kDefaultPort);
    return "Port " + std::to_string(orvprotocol::kDefaultPort) + " on " + orvprotocol::kDefaultIp +
           " is taken" + (owner.empty() ? "" : " by " + owner) + ", so the demo's node uses port " +
           std::to_string(used) + " (--port chooses one).";
}

// Lines from the simulator thread for the view on the main thread.
class ReportLines
{
public:
    void add(const std::string& line)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        lines_.push_back(line);
        if (lines_.size() > kKeptReports)
            lines_.pop_front();
    }
    std::vector<std::string> copy() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return {lines_.begin(), lines_.end()};
    }

private:
    mutable std::mutex mutex_;
    std::deque<std::string> lines_;
};

int runDemo(const ParsedOptions& options)
{
    std::string error;
    LiveLoopSettings loop;
    loop.command = "demo";
    long long port = 0;
    long long discoveryPort = orvprotocol::kDiscoveryPort;
    orvsim::SimulatorSettings simulation;
    if (!readLiveLoopOptions(options, loop, error) ||
        !readProfileOptions(options, simulation, error) ||
        !options.integer("--port", 0, 1, 65535, port, error) ||
        !options.integer("--discovery-port", orvprotocol::kDiscoveryPort, 0, 65535, discoveryPort,
                         error))
    {
        std::cerr << "orv demo: " << error << "\n";
        return kExitUsage;
    }

    BundlePaths bundles;
    if (!locateBundles(loop.bundles, bundles, error))
    {
        std::cerr << "orv demo: " << error << "\n";
        return kExitFailure;
    }
    std::unique_ptr<LiveNodes> nodes = LiveNodes::create(bundles, error);
    if (!nodes)
    {
        std::cerr << "orv demo: " << error << "\n";
        return kExitFailure;
    }

    // The simulator opens first, so that its discovery listener hears the node connect.
    simulation.discoveryPort = static_cast<uint16_t>(discoveryPort);
    orvsim::Simulator simulator(simulation);
    if (!simulator.open(error))
    {
        std::cerr << "orv demo: " << error << "\n";
        return kExitFailure;
    }

    // A port someone else holds makes the node's bind fail; then try another, unless the
    // user chose this one.
    NodeSettings node;
    const bool portChosen = options.has("--port");
    for (int attempt = 0;; ++attempt)
    {
        if (portChosen)
            node.port = static_cast<uint16_t>(port);
        else
            node.port =
                orvsupport::freeUdpPort(orvprotocol::kDefaultIp, orvprotocol::kDefaultPort, error);
        if (node.port == 0)
        {
            std::cerr << "orv demo: no free UDP port on " << orvprotocol::kDefaultIp << ": "
                      << error << "\n";
            return kExitFailure;
        }
        if (!nodes->connect(node, error))
        {
            std::cerr << "orv demo: " << error << "\n";
            return kExitFailure;
        }
        nodes->cookFrame(0.0);
        if (nodes->isConnected() || portChosen || attempt == 2)
            break;
    }
    // A demo whose node hears nothing shows nothing worth watching.
    if (!nodes->isConnected())
    {
        std::cerr << "orv demo: the node did not connect: " << withErrorMeaning(nodes->errorText())
                  << (portChosen ? "; choose another --port, or leave it out" : "") << "\n";
        return kExitFailure;
    }

    orv::net::Endpoint to;
    orv::net::makeEndpoint(orvprotocol::kDefaultIp, node.port, to);
    simulator.setDestination(to);
    // The node sends its discovery byte from its own socket, 127.0.0.1:PORT.
    simulator.setOwnNode(to, "the demo's node");

    ReportLines reports;
    if (!simulator.discoveryNote().empty())
        reports.add(simulator.discoveryNote());
    std::atomic<bool> sending{true};
    std::thread sender(
        [&]
        {
            simulator.run([&] { return sending.load(); },
                          [&](const std::string& line) { reports.add(line); });
        });
    // Whatever ends the live loop, an exception too, the sender stops and is joined.
    struct StopSender
    {
        std::atomic<bool>& sending;
        std::thread& sender;
        ~StopSender()
        {
            sending = false;
            sender.join();
        }
    } stopSender{sending, sender};

    const bool untilCtrlC = !loop.once && loop.duration == 0.0;
    const std::string header = "simulated DJ: " + orvharness::numberText(simulation.rate) +
                               " datagrams a second per deck to " + to.text() +
                               (untilCtrlC ? " (Ctrl-C ends it)" : "");
    const std::string portNote =
        portChosen || node.port == orvprotocol::kDefaultPort ? "" : movedPortNote(node.port);
    const std::string profiles = profileSummary(simulation);
    const int status = runLiveLoop(*nodes, loop,
                                   [&](Snapshot& snapshot)
                                   {
                                       if (!portNote.empty())
                                           snapshot.notes.push_back(portNote);
                                       snapshot.notes.push_back(header);
                                       if (!profiles.empty())
                                           snapshot.notes.push_back(profiles);
                                       for (const std::string& line : reports.copy())
                                           snapshot.notes.push_back(line);
                                   });

    return status;
}

} // namespace

const Command& demoCommand()
{
    std::vector<OptionSpec> options = withProfileOptions({
        {"--port", "PORT", "UDP port on 127.0.0.1 (default 3650, or a free one if it is taken)"},
        {"--rate", "N",
         "the simulated DJ's datagrams a second per deck (default 60, or the sender profile's)"},
        {"--discovery-port", "PORT",
         "where the simulated DJ listens for the node's discovery "
         "byte (default 7000, where nodes send it; 0: do not listen)"},
    });
    for (const OptionSpec& option : liveLoopOptions())
        options.push_back(option);
    static const Command command{
        "demo",
        "a simulated DJ, the real bundles and a live view, all on loopback",
        "orv demo [--duration SECONDS] [--json] [--once] [--port PORT]",
        "Runs, in one process: a simulated DJ sending to 127.0.0.1, the real bundles\n(" +
            bundleNamesText() +
            ") loaded in the headless host\n"
            "(an OrvDat table node with \"Reconnect\" pressed, and an OrvChannels node, two\n"
            "OrvBeat nodes, one for all decks and one On Air, and an OrvEvents node counting\n"
            "events, pointing at it), 60 frames cooked a second, and a live view of the\n"
            "node's Info CHOP and Info DAT, the table, the 48 channels, each deck's beat\n"
            "clock, the clock of the deck the audience hears and the event counts, refreshed\n"
            "ten times a second, until Ctrl-C or --duration. The DJ hands over from deck to\n"
            "deck with the faders, so the On Air deck changes every minute or so. Nothing\n"
            "leaves the machine. When port 3650 is taken and no --port is given, the node\n"
            "takes a free port and the view says why.",
        options,
        "  orv demo\n"
        "  orv demo --duration 10\n"
        "  orv demo --once --json --duration 1.5\n",
        runDemo,
    };
    return command;
}

} // namespace orvtool
