// The beat clock against the simulated DJ's own beat grid, in real time on loopback, under
// network and sender profiles.
//
// For each profile, a network preset and a sender preset of the orv tool's simulator,
// BeatScenario runs the four decks (started one after the other, a 5% tempo change, a cue) and
// sends them through the network's model; the host side is the headless host with the real
// OrvDat and OrvBeat bundles ("Deck" All, "BPM Includes Pitch" on, 4 beats a bar), fresh for
// each profile and cooked 60 times a second; BeatScore compares every cook's channels with the
// truth, and each deck's first lock with the moment its datagrams first allowed it (the oracle of
// support/sim/BeatOracle.h). Printed: one JSON object on standard output, a line per profile;
// progress on standard error.
//
//   orv_bench_beat_phase [--seconds=S] [--seed=N] [--offset-ms=MS] [--profile=NETWORK/SENDER]...
//
// S is the length of each profile's run (default 20, at least 12). Without --profile it runs the
// profiles docs/performance.md lists, ideal/default first as the reference. MS sets the beat
// node's "Offset (ms)": each cook is then scored at its time plus MS, so the errors say how far
// the pulses are from MS ahead of the true boundaries.
#include "BeatNodes.h"
#include "BeatScenario.h"
#include "BeatScore.h"

#include "harness/Bundle.h"
#include "harness/Network.h"
#include "support/NodeWiring.h"
#include "support/Percentile.h"
#include "support/UdpPorts.h"
#include "support/sim/Presets.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace
{

using orvbench::SteadyClock;
using Json = nlohmann::ordered_json; // keeps the figures in the order written

using orvbench::kChannelsPerDeck;
constexpr double kCookRate = 60.0;
constexpr double kShortestRun = 12.0;

// The profiles docs/performance.md lists: the reference, each network with the default sender,
// and each other sender on the LAN of the earlier benchmark.
const char* const kStandardProfiles[] = {
    "ideal/default",           "lan/default", "wifi/default", "stalls/default",
    "stalls-shuffled/default", "lan/coarse",  "lan/slow",     "lan/offset-grid",
    "lan/bpm-no-pitch",        "lan/beat0",
};

struct Profile
{
    std::string name;
    orvsim::NetworkProfile network;
    orvsim::SenderProfile sender;
};

Profile findProfile(const std::string& name)
{
    Profile profile{name, {}, {}};
    const size_t slash = name.find('/');
    if (slash == std::string::npos ||
        !orvsim::findPreset(orvsim::networkPresets(), name.substr(0, slash), profile.network) ||
        !orvsim::findPreset(orvsim::senderPresets(), name.substr(slash + 1), profile.sender))
    {
        throw std::invalid_argument(
            "unknown profile \"" + name + "\": NETWORK/SENDER, NETWORK one of " +
            orvsim::presetNames(orvsim::networkPresets()) + ", SENDER one of " +
            orvsim::presetNames(orvsim::senderPresets()));
    }
    return profile;
}

// null for a figure that does not exist (no boundary measured, never locked).
Json milliseconds(const std::vector<double>& seconds, double share)
{
    if (seconds.empty())
        return nullptr;
    return std::round(orvsupport::percentile(seconds, share) * 1e6) / 1e3;
}

// A figure to two decimals, or null where it does not exist.
Json orNull(double value, bool exists)
{
    return exists ? Json(std::round(value * 100.0) / 100.0) : Json(nullptr);
}

// A count of beats, or null for "never".
Json beatsOrNever(int beats)
{
    return beats >= 0 ? Json(beats) : Json(nullptr);
}

using DeckViews = std::vector<orvbench::CookView>[orvbench::kScenarioDecks];

// Cooks 60 times a second while the scenario sends, keeping each deck's view of every cook.
void cookWhileSending(orvharness::Network& net, orvharness::NodeId beat,
                      orvbench::BeatScenario& scenario, double duration, double offsetSeconds,
                      DeckViews& seen)
{
    const SteadyClock::time_point start = SteadyClock::now();
    std::thread sending([&] { scenario.run(start); });
    const auto frame = std::chrono::duration_cast<SteadyClock::duration>(
        std::chrono::duration<double>(1.0 / kCookRate));
    for (SteadyClock::time_point next = start;
         next < start + std::chrono::duration<double>(duration); next += frame)
    {
        std::this_thread::sleep_until(next);
        const double t = orvbench::steadySeconds(SteadyClock::now()) + offsetSeconds;
        net.cookFrame();
        const std::vector<std::vector<float>> channels = net.channels(beat);
        if (channels.size() < static_cast<size_t>(orvbench::kScenarioDecks * kChannelsPerDeck))
            continue;
        for (int deck = 0; deck < orvbench::kScenarioDecks; ++deck)
        {
            const int first = deck * kChannelsPerDeck;
            seen[deck].push_back(orvbench::deckFrame(channels, first, t));
        }
    }
    sending.join();
}

// The figures of one profile over its four decks.
Json figures(const Profile& profile, double duration, double offsetMs,
             const orvbench::BeatScenario& scenario, const DeckViews& seen)
{
    const double least = std::max(0.0, profile.network.minDelay);
    std::vector<double> signedErrors;
    std::vector<double> errors;
    std::vector<double> lessLeast;
    Json lockBeats = Json::array();
    Json lockAfterOracle = Json::array();
    int locked = 0;
    double slowestLock = 0.0;
    int allowed = 0;
    int allowedAndLocked = 0;
    int lockedEarly = 0; // before the oracle allowed it, or where it never did
    std::optional<double> slowestAfterOracle;
    std::optional<double> oracleLeast;
    double widestPlace = -1.0;
    int backwards = 0, pulsesWithout = 0, boundariesWithout = 0, checked = 0, wrong = 0;
    orvbench::DeckScore changed;
    orvbench::DeckScore cued;
    for (int deck = 1; deck <= orvbench::kScenarioDecks; ++deck)
    {
        const std::vector<orvbench::CookView>& views = seen[deck - 1];
        const double lastCook = views.empty() ? 0.0 : views.back().time;
        // A cue shows as soon as its datagrams arrive, also on a clock read behind the cook
        // (a negative offset): its one pulse comes that much earlier on the scored time.
        orvbench::DeckTruth truth = scenario.truth(deck);
        if (truth.seekAt >= 0.0)
            truth.seekAt += std::min(0.0, offsetMs / 1000.0);
        // The cooks are scored at their time plus the offset; the oracle's moment moves with them.
        orvbench::DeckOracle oracle = scenario.oracle(deck);
        if (oracle.lockAllowedAt)
            *oracle.lockAllowedAt += offsetMs / 1000.0;
        const orvbench::DeckScore score =
            orvbench::scoreDeck(truth, views, least, lastCook, oracle.lockAllowedAt);
        for (const double error : score.errors)
        {
            signedErrors.push_back(error);
            errors.push_back(std::fabs(error));
            lessLeast.push_back(std::fabs(error - least));
        }
        lockBeats.push_back(orNull(score.lockBeats, score.lockBeats >= 0.0));
        locked += score.lockBeats >= 0.0 ? 1 : 0;
        slowestLock = std::max(slowestLock, score.lockBeats);
        const std::optional<double>& afterOracle = score.lockAfterOracleBeats;
        lockAfterOracle.push_back(orNull(afterOracle.value_or(0.0), afterOracle.has_value()));
        allowed += oracle.lockAllowedAt ? 1 : 0;
        allowedAndLocked += afterOracle ? 1 : 0;
        if (afterOracle)
            slowestAfterOracle = std::max(slowestAfterOracle.value_or(*afterOracle), *afterOracle);
        const bool early = score.lockedAt >= 0.0 && (!afterOracle || *afterOracle < 0.0);
        lockedEarly += early ? 1 : 0;
        oracleLeast = std::min(oracleLeast.value_or(oracle.leastDelay), oracle.leastDelay);
        widestPlace = std::max(widestPlace, oracle.finalWidth);
        backwards += score.backwards;
        pulsesWithout += score.pulsesWithoutBoundary;
        boundariesWithout += score.boundariesWithoutPulse;
        checked += score.beatsChecked;
        wrong += score.wrongBeats;
        if (deck == orvbench::kTempoChangeDeck)
            changed = score;
        if (deck == orvbench::kSeekDeck)
            cued = score;
    }
    const orvsim::NetworkCounts& counts = scenario.networkCounts();
    const bool allLocked = locked == orvbench::kScenarioDecks;
    return {
        {"profile", profile.name},
        {"network", orvsim::describe(profile.network)},
        {"sender", orvsim::describe(profile.sender)},
        {"seconds", duration},
        {"offset_ms", offsetMs},
        {"least_delay_ms", least * 1e3},
        {"boundaries", errors.size()},
        {"p50_ms", milliseconds(errors, 0.5)},
        {"p99_ms", milliseconds(errors, 0.99)},
        {"max_ms", milliseconds(errors, 1.0)},
        {"median_signed_ms", milliseconds(signedErrors, 0.5)}, // > 0: the clock is late
        {"p50_less_delay_ms", milliseconds(lessLeast, 0.5)},
        {"p99_less_delay_ms", milliseconds(lessLeast, 0.99)},
        {"max_less_delay_ms", milliseconds(lessLeast, 1.0)},
        {"backwards", backwards},
        {"pulses_without_boundary", pulsesWithout},
        {"boundaries_without_pulse", boundariesWithout},
        {"beats_checked", checked},
        {"wrong_beats", wrong},
        {"lock_beats", lockBeats},
        {"decks_locked", locked},
        {"lock_beats_max", orNull(slowestLock, allLocked)},
        {"lock_after_oracle_beats", lockAfterOracle},
        {"lock_after_oracle_beats_max",
         orNull(slowestAfterOracle.value_or(0.0), allowed > 0 && allowedAndLocked == allowed)},
        {"oracle_allowed", allowed},
        {"decks_locked_early", lockedEarly},
        {"oracle_least_delay_ms", orNull(oracleLeast.value_or(0.0) * 1e3, oracleLeast.has_value())},
        // Where the datagrams place the lines at the end, the widest deck: with the lock never
        // allowed, half of it is as close as any clock can be sure to keep.
        {"oracle_final_width_ms", orNull(widestPlace * 1e3, widestPlace >= 0.0)},
        {"tempo_recovery_beats", beatsOrNever(changed.recoveryBeats)},
        {"after_recovery_max_ms",
         orNull(changed.afterRecoveryMax * 1e3, changed.recoveryBeats >= 0)},
        {"seek_lock_beats", beatsOrNever(cued.recoveryBeats)},
        {"datagrams",
         {{"sent", counts.sent},
          {"lost", counts.lost},
          {"duplicated", counts.duplicated},
          {"swapped", counts.swapped},
          {"stalled", counts.stalled}}},
    };
}

Json runProfile(const Profile& profile, const orvharness::Bundle& datBundle,
                const orvharness::Bundle& beatBundle, double duration, double offsetMs,
                std::uint32_t seed)
{
    orvharness::Network net;
    // The beat node first, so that it cooks first and the time taken before a frame is its own.
    std::string error;
    const orvharness::NodeId beat = orvsupport::addReader(net, beatBundle, "beat1", "orv1",
                                                          {{"Deck", "all"},
                                                           {"Bpmincludespitch", 1},
                                                           {"Beatsperbar", orvsim::kBeatsPerBar},
                                                           {"Offset", offsetMs}},
                                                          error);
    const std::uint16_t port = orvsupport::freeUdpPort();
    const orvharness::NodeId orv =
        beat == orvharness::noNode ? orvharness::noNode
                                   : orvsupport::addNode(net, datBundle, "orv1",
                                                         {{"Port", static_cast<int>(port)}}, error);
    if (port == 0 || orv == orvharness::noNode || !orvsupport::reconnect(net, orv, error))
        throw std::runtime_error("cannot set up the nodes: " + error);

    orvbench::BeatScenario scenario(profile.network, profile.sender, port, duration, seed);
    DeckViews seen;
    cookWhileSending(net, beat, scenario, duration, offsetMs / 1000.0, seen);
    return figures(profile, duration, offsetMs, scenario, seen);
}

} // namespace

int main(int argc, char** argv)
{
    double duration = 20.0;
    std::uint32_t seed = 7;
    double offsetMs = 0.0;
    std::vector<Profile> profiles;
    try
    {
        for (int i = 1; i < argc; ++i)
        {
            const std::string argument = argv[i];
            if (argument.rfind("--seconds=", 0) == 0)
                duration = std::stod(argument.substr(10));
            else if (argument.rfind("--offset-ms=", 0) == 0)
                offsetMs = std::stod(argument.substr(12));
            else if (argument.rfind("--seed=", 0) == 0)
                seed = static_cast<std::uint32_t>(std::stoul(argument.substr(7)));
            else if (argument.rfind("--profile=", 0) == 0)
                profiles.push_back(findProfile(argument.substr(10)));
            else
                throw std::invalid_argument("unknown argument: " + argument);
        }
        if (!(duration >= kShortestRun))
            throw std::invalid_argument("--seconds wants at least 12 (a tempo change and a cue "
                                        "need room)");
    }
    catch (const std::exception& e)
    {
        std::fprintf(stderr, "orv_bench_beat_phase: %s\n", e.what());
        return 2;
    }
    if (profiles.empty())
    {
        for (const char* name : kStandardProfiles)
            profiles.push_back(findProfile(name));
    }

    try
    {
        const auto datBundle = orvbench::loadBundle(ORV_DAT_BUNDLE);
        const auto beatBundle = orvbench::loadBundle(ORV_BEAT_BUNDLE);
        std::cout << "{\"seconds\": " << duration << ", \"seed\": " << seed
                  << ", \"profiles\": [\n";
        for (size_t i = 0; i < profiles.size(); ++i)
        {
            std::fprintf(stderr, "   %s (%.0f s)\n", profiles[i].name.c_str(), duration);
            const Json result =
                runProfile(profiles[i], *datBundle, *beatBundle, duration, offsetMs, seed);
            std::cout << "  " << result.dump() << (i + 1 < profiles.size() ? ",\n" : "\n");
            std::cout.flush();
        }
        std::cout << "]}\n";
    }
    catch (const std::exception& e)
    {
        std::fprintf(stderr, "orv_bench_beat_phase: %s\n", e.what());
        return 1;
    }
    return 0;
}
