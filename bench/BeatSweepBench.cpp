// The beat clock's random sweep end to end: the real OrvDat and OrvBeat bundles in the headless
// host, in real time on loopback, four decks at once, each deck its own seed of the sweep.
//
// Per round of four seeds: one OrvDat node and one OrvBeat node per deck ("Deck" 1 to 4, "BPM
// Includes Pitch" as the seed draws it, 4 beats a bar), fresh for the round and cooked 60 times
// a second; each deck's Deck datagrams go to the OrvDat node's port on 127.0.0.1 when the
// seed's network model delivers them. Each deck's cooks are judged as the suite judges the pure
// clock (support/sim: the oracle of what that deck's datagrams allow, the same properties).
// Printed: one JSON object per seed on standard output; progress on standard error.
//
//   orv_bench_beat_sweep [--seeds=A-B]      (default 1-32)
//
// bench/report.py --sweep-table FILE turns the output into the table of worst, 95th
// percentile and median over seeds of each figure.
#include "BeatNodes.h"

#include "harness/Network.h"
#include "support/LoopbackSocket.h"
#include "support/UdpPorts.h"
#include "support/sim/BeatOracle.h"
#include "support/sim/ClockJudge.h"
#include "support/sim/Playback.h"
#include "support/sim/SweepTraffic.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace
{

using Clock = std::chrono::steady_clock;
using Json = nlohmann::ordered_json; // keeps the figures in the order written

constexpr int kDecks = 4;
constexpr double kCookRate = 60.0;
// How late a datagram may reach the node after the model's arrival: the sending thread's wake-up
// and loopback. A cook that close after a new track's first datagram may still show the old one.
constexpr double kDeliveryLatency = 0.002;

struct DeckRun
{
    orvsim::SweepCase sweepCase;
    orvsim::SweepTraffic traffic;
    std::vector<orvsim::ClockFrame> frames;
};

// Every deck's arrivals in one stream, in the order they arrive.
std::vector<orvsim::Arrival> merged(const std::vector<DeckRun>& decks)
{
    std::vector<orvsim::Arrival> all;
    for (const DeckRun& deck : decks)
        all.insert(all.end(), deck.traffic.arrivals.begin(), deck.traffic.arrivals.end());
    std::stable_sort(all.begin(), all.end(),
                     [](const orvsim::Arrival& a, const orvsim::Arrival& b)
                     { return a.time < b.time; });
    return all;
}

// Runs the decks' cases at once through the real bundles, keeping each deck's cooks.
void runRound(std::vector<DeckRun>& decks, const orvharness::Bundle& datBundle,
              const orvharness::Bundle& beatBundle)
{
    orvharness::Network net;
    // The beat nodes first, so that they cook first in each frame.
    std::vector<orvharness::NodeId> beats;
    for (size_t d = 0; d < decks.size(); ++d)
        beats.push_back(net.createNode(beatBundle, "beat" + std::to_string(d + 1)));
    const orvharness::NodeId orv = net.createNode(datBundle, "orv1");
    const std::uint16_t port = orvsupport::freeUdpPort();
    if (port == 0)
        throw std::runtime_error("no free port on 127.0.0.1");
    bool set = net.setParameter(orv, "Port", static_cast<int>(port));
    for (size_t d = 0; d < decks.size(); ++d)
    {
        set = set && net.setParameter(beats[d], "Orvdat", "orv1") &&
              net.setParameter(beats[d], "Deck", "deck" + std::to_string(d + 1)) &&
              net.setParameter(beats[d], "Bpmincludespitch",
                               decks[d].sweepCase.nodeBpmIncludesPitch ? 1 : 0) &&
              net.setParameter(beats[d], "Beatsperbar", orvsim::kBeatsPerBar);
    }
    if (!set)
        throw std::runtime_error("cannot set up the nodes: " + net.lastError());
    net.cookFrame();
    net.pulse(orv, "Reconnect");

    double duration = 0.0;
    for (const DeckRun& deck : decks)
        duration = std::max(duration, deck.sweepCase.duration);
    const std::vector<orvsim::Arrival> arrivals = merged(decks);
    std::atomic<bool> stop{false};
    const Clock::time_point start = Clock::now();
    std::thread sending(
        [&]
        {
            orvsupport::LoopbackSocket socket;
            orvsim::playArrivals(
                arrivals, start, [&](const orvsim::Arrival& a) { socket.send(port, a.datagram); },
                [&] { return !stop.load(); });
        });
    const auto frame =
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / kCookRate));
    for (Clock::time_point next = start + frame;
         next < start + std::chrono::duration<double>(duration); next += frame)
    {
        std::this_thread::sleep_until(next);
        const double t = std::chrono::duration<double>(Clock::now() - start).count();
        net.cookFrame();
        for (size_t d = 0; d < decks.size(); ++d)
        {
            const std::vector<std::vector<float>> channels = net.channels(beats[d]);
            if (channels.size() >= static_cast<size_t>(orvbench::kChannelsPerDeck) &&
                t < decks[d].sweepCase.duration)
                decks[d].frames.push_back(orvbench::deckFrame(channels, 0, t));
        }
    }
    stop = true;
    sending.join();
}

Json orNull(const std::optional<double>& value, double scale)
{
    return value ? Json(std::round(*value * scale * 1000.0) / 1000.0) : Json(nullptr);
}

Json figures(const DeckRun& deck, int number)
{
    const orvsim::SweepCase& sweepCase = deck.sweepCase;
    const orvsim::OracleVerdict oracle = orvsim::consultOracle(deck.traffic);
    const orvsim::ClockVerdict verdict =
        orvsim::judgeClock(sweepCase, deck.traffic, oracle, deck.frames, kDeliveryLatency);
    const orvsim::ClockFigures& f = verdict.figures;
    Json passed = Json::object();
    Json failures = Json::array();
    for (const orvsim::PropertyVerdict& property : verdict.properties)
    {
        passed[property.name] = property.applies ? Json(property.passed) : Json(nullptr);
        if (property.applies && !property.passed)
            failures.push_back(property.name + ": " + property.reason);
    }
    Json lockAllowed = Json::array();
    for (const orvsim::TrackOracle& track : oracle.tracks)
        lockAllowed.push_back(orNull(track.lockAllowedAt, 1.0));
    return {
        {"seed", sweepCase.seed},
        {"deck", number},
        {"case", orvsim::describe(sweepCase)},
        {"cooks", deck.frames.size()},
        {"least_delay_ms", std::round(f.leastDelay * 1e6) / 1e3},
        {"oracle_lock_s", lockAllowed},
        {"pulses_between_beats", f.pulsesBetweenBeats},
        {"missed_boundaries", f.missedBoundaries},
        {"boundaries_judged", f.boundariesJudged},
        {"back_steps", f.backSteps},
        {"wrong_bars", f.wrongBars},
        {"lock_beats", orNull(f.lockBeats, 1.0)},
        {"early_locks", f.earlyLocks},
        {"locked_p99_ms", orNull(f.lockedP99, 1e3)},
        {"locked_worst_ms", orNull(f.lockedWorst, 1e3)},
        {"coarse_worst_ms", orNull(f.coarseWorst, 1e3)},
        {"garbage_recovered", f.garbageRecovered ? Json(*f.garbageRecovered) : Json(nullptr)},
        {"passed", passed},
        {"failures", failures},
    };
}

bool readSeeds(const std::string& text, std::uint64_t& first, std::uint64_t& last)
{
    const size_t dash = text.find('-');
    try
    {
        first = std::stoull(text.substr(0, dash));
        last = dash == std::string::npos ? first : std::stoull(text.substr(dash + 1));
    }
    catch (const std::exception&)
    {
        return false;
    }
    return last >= first;
}

} // namespace

int main(int argc, char** argv)
{
    std::uint64_t first = 1;
    std::uint64_t last = 32;
    for (int i = 1; i < argc; ++i)
    {
        const std::string argument = argv[i];
        if (argument.rfind("--seeds=", 0) != 0 || !readSeeds(argument.substr(8), first, last))
        {
            std::fprintf(stderr,
                         "orv_bench_beat_sweep: cannot read \"%s\"\n"
                         "usage: orv_bench_beat_sweep [--seeds=A-B]\n",
                         argument.c_str());
            return 2;
        }
    }
    try
    {
        const auto datBundle = orvbench::loadBundle(ORV_DAT_BUNDLE);
        const auto beatBundle = orvbench::loadBundle(ORV_BEAT_BUNDLE);
        for (std::uint64_t seed = first; seed <= last; seed += kDecks)
        {
            std::vector<DeckRun> decks;
            for (std::uint64_t s = seed; s <= last && s < seed + kDecks; ++s)
            {
                orvsim::SweepCase sweepCase = orvsim::drawCase(s);
                const int number = static_cast<int>(decks.size()) + 1;
                orvsim::SweepTraffic traffic = orvsim::sweepTraffic(sweepCase, number);
                decks.push_back({std::move(sweepCase), std::move(traffic), {}});
            }
            std::fprintf(stderr, "   seeds %llu to %llu\n", static_cast<unsigned long long>(seed),
                         static_cast<unsigned long long>(seed + decks.size() - 1));
            runRound(decks, *datBundle, *beatBundle);
            for (size_t d = 0; d < decks.size(); ++d)
                std::cout << figures(decks[d], static_cast<int>(d) + 1).dump() << "\n";
            std::cout.flush();
        }
    }
    catch (const std::exception& e)
    {
        std::fprintf(stderr, "orv_bench_beat_sweep: %s\n", e.what());
        return 1;
    }
    return 0;
}
