// orv simulate: a believable DJ sender, and a listener for the discovery byte.
#include "commands/Command.h"
#include "commands/ProfileOptions.h"
#include "harness/NumberText.h"

#include "protocol/WireSchema.h"

#include "cli/StopSignal.h"
#include "net/Endpoint.h"
#include "sim/Simulator.h"
#include "sim/SweepReplay.h"
#include "view/TextFormat.h"

#include <chrono>
#include <iostream>

namespace orvtool
{

namespace
{

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// --sweep-seed: deck 1 as the beat clock's sweep draws that seed, sender and network included.
int runSweepSeed(const ParsedOptions& options, const orv::net::Endpoint& to, double duration)
{
    std::string error;
    long long seed = 0;
    if (!options.integer("--sweep-seed", 1, 0, 9007199254740991LL, seed, error))
    {
        std::cerr << "orv simulate: " << error << "\n";
        return kExitUsage;
    }
    for (const char* drawn :
         {"--network", "--sender", "--delay", "--loss", "--duplicate", "--rate"})
    {
        if (options.has(drawn))
        {
            std::cerr << "orv simulate: --sweep-seed draws the sender and the network itself; "
                         "leave out "
                      << drawn << "\n";
            return kExitUsage;
        }
    }
    orvsim::SweepReplay replay(static_cast<std::uint64_t>(seed));
    const orvsim::SweepCase& drawn = replay.sweepCase();
    const double seconds = duration > 0.0 && duration < drawn.duration ? duration : drawn.duration;
    std::cout << "sweep case " << describe(drawn) << "\n"
              << "sending it as deck 1 to " << to.text() << " for " << fixedText(seconds, 1)
              << " s; set the beat node's Deck to 1 and BPM Includes Pitch "
              << (drawn.nodeBpmIncludesPitch ? "on" : "off") << " (Ctrl-C stops)" << std::endl;
    const auto start = std::chrono::steady_clock::now();
    if (!replay.send(
            to, seconds, [] { return !stopRequested(); },
            [&](const std::string& line) {
                std::cout << "[" << fixedText(secondsSince(start), 1) << " s] " << line
                          << std::endl;
            },
            error))
    {
        std::cerr << "orv simulate: " << error << "\n";
        return kExitFailure;
    }
    const orvsim::SweepReplayCounts& counts = replay.counts();
    std::cout << "sent " << counts.datagrams << " datagrams in "
              << fixedText(secondsSince(start), 1) << " s";
    if (counts.sendFailures > 0)
        std::cout << ", " << counts.sendFailures << " sends failed";
    std::cout << std::endl;
    return counts.datagrams > 0 || counts.sendFailures == 0 ? kExitOk : kExitFailure;
}

int runSimulate(const ParsedOptions& options)
{
    std::string error;
    orvsim::SimulatorSettings settings;
    long long discoveryPort = orvprotocol::kDiscoveryPort;
    long long seed = 1;
    if (!readProfileOptions(options, settings, error) ||
        !options.real("--duration", 0.0, 0.0, 1e9, settings.duration, error) ||
        !options.integer("--discovery-port", orvprotocol::kDiscoveryPort, 0, 65535, discoveryPort,
                         error) ||
        !options.integer("--seed", 1, 0, 4294967295LL, seed, error))
    {
        std::cerr << "orv simulate: " << error << "\n";
        return kExitUsage;
    }
    settings.discoveryPort = static_cast<uint16_t>(discoveryPort);
    settings.seed = static_cast<uint32_t>(seed);

    const bool multicast = options.has("--multicast");
    const std::string defaultHost =
        multicast ? orvprotocol::kMulticastGroup : orvprotocol::kDefaultIp;
    if (!orv::net::parseEndpoint(options.text("--to", defaultHost), defaultHost,
                                 orvprotocol::kDefaultPort, settings.to, error))
    {
        std::cerr << "orv simulate: " << error << "\n";
        return kExitUsage;
    }
    if (multicast && !settings.to.isMulticast())
    {
        std::cerr << "orv simulate: --multicast sends to the group " << orvprotocol::kMulticastGroup
                  << "; give --to :PORT to change only the port\n";
        return kExitUsage;
    }

    if (options.has("--sweep-seed"))
        return runSweepSeed(options, settings.to, settings.duration);

    orvsim::Simulator simulator(settings);
    if (!simulator.open(error))
    {
        std::cerr << "orv simulate: " << error << "\n";
        return kExitFailure;
    }

    std::cout << "simulating 4 decks: " << orvharness::numberText(settings.rate)
              << " datagrams a second per deck to " << settings.to.text();
    if (settings.duration > 0.0)
        std::cout << " for " << orvharness::numberText(settings.duration) << " s\n";
    else
        std::cout << " (Ctrl-C stops)\n";
    const std::string profiles = profileSummary(settings);
    if (!profiles.empty())
        std::cout << profiles << "\n";
    if (!simulator.discovery().isOpen())
        std::cout << simulator.discoveryNote() << "\n";
    else if (settings.discoveryPort == orvprotocol::kDiscoveryPort)
        std::cout << "listening for the discovery byte on " << simulator.discovery().local().text()
                  << "\n";
    else
        std::cout << "listening for the discovery byte on " << simulator.discovery().local().text()
                  << " (nodes send it to port 7000: only what is sent to this port shows here)\n";
    std::cout.flush();

    const auto start = std::chrono::steady_clock::now();
    simulator.run(
        [] { return !stopRequested(); },
        [&](const std::string& line)
        {
            const double at =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            std::cout << "[" << fixedText(at, 1) << " s] " << line << std::endl;
        });

    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const orvsim::SimulatorCounts& counts = simulator.counts();
    std::cout << "sent " << counts.datagrams << " datagrams in " << fixedText(elapsed, 1) << " s";
    if (counts.sendFailures > 0)
        std::cout << ", " << counts.sendFailures << " sends failed";
    const orvsim::NetworkCounts& network = simulator.networkCounts();
    if (network.lost + network.duplicated + network.swapped + network.stalled > 0)
        std::cout << " (the network lost " << network.lost << ", duplicated " << network.duplicated
                  << ", swapped " << network.swapped << ", held " << network.stalled
                  << " in stalls)";
    std::cout << std::endl;
    return counts.datagrams > 0 || counts.sendFailures == 0 ? kExitOk : kExitFailure;
}

} // namespace

const Command& simulateCommand()
{
    static const Command command{
        "simulate",
        "a believable DJ: four decks, mixer, tracks and events, sent over UDP",
        "orv simulate [--to HOST:PORT] [--multicast] [--rate N] [--duration SECONDS]\n"
        "             [--network NAME] [--sender NAME] | [--sweep-seed N]",
        "A DJ plays a set on four decks: one track on air, the next deck started in time\n"
        "with it (its beats a fraction of a beat behind) and brought in over 4 to 16 bars\n"
        "with the channel faders and the crossfader (decks 1 and 3 on channel A, the\n"
        "crossfader's 0 end; 2 and 4 on B, its 1 end), then the old deck stops and loads\n"
        "the next track. Positions run in real time and beats count 1 to 4 in time. Named\n"
        "events on the beat: Cue (a deck starts), TrackChange (a deck loads), Break, Drop\n"
        "(the track's phrases), Loop (a loop roll into a drop) and HotCue (a jump back to\n"
        "a drop), each sent every time it happens.\n"
        "Each tick sends one Deck datagram per deck and one Control datagram; each deck's\n"
        "Meta goes out once a second and on every track change.\n"
        "It also listens on UDP port 7000 (all interfaces) for the discovery byte 0x09\n"
        "that a node sends when it connects, and says who sent it.\n"
        "--network and --sender choose how the network treats the datagrams (delay,\n"
        "reordering, loss, stalls) and how the DJ reports its decks (Beat numbering, BPM,\n"
        "beat grid, Position steps, rate); by default nothing is delayed or lost.\n"
        "--sweep-seed N sends instead deck 1 alone as the beat clock's random sweep draws\n"
        "seed N (sender, network and the deck's plan: cues, pauses, pitch moves, new\n"
        "tracks, garbage), to watch a case of the sweep on a real node.",
        withProfileOptions({
            {"--to", "HOST:PORT", "where to send (default 127.0.0.1:3650)"},
            {"--multicast", "", "send to the group 239.0.0.1 (port from --to :PORT)"},
            {"--rate", "N", "datagrams a second per deck (default 60, or the sender profile's)"},
            {"--duration", "SECONDS", "stop after this long (default: until Ctrl-C)"},
            {"--discovery-port", "PORT",
             "where to listen for the discovery byte (default 7000, where "
             "nodes send it; 0: do not listen)"},
            {"--seed", "N", "another seed gives another set and other network draws (default 1)"},
            {"--sweep-seed", "N",
             "send deck 1 as the beat clock's sweep draws seed N, sender and network "
             "included"},
        }),
        "  orv simulate\n"
        "  orv simulate --to 192.168.1.20:3650 --rate 30\n"
        "  orv simulate --multicast --duration 60\n"
        "  orv simulate --network wifi --sender beat0\n"
        "  orv simulate --sweep-seed 17\n",
        runSimulate,
    };
    return command;
}

} // namespace orvtool
