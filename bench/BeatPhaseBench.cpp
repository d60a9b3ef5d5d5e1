// The beat clock against the simulated DJ's own beat grid, in real time on loopback.
//
// A sender thread moves the simulator's four decks on (tools/sim/DjModel) and sends one Deck
// datagram per deck 60 times a second, each held back by a random 0 to 5 ms and one in ten
// dropped, as a busy network would. The decks start paused and begin to play one after the
// other; halfway through, deck 2's pitch fader moves up by 5%. The host side is the headless
// host with the real OrvDat and OrvBeat bundles ("Deck" All), cooked 60 times a second.
//
// The truth: the simulator's grid (beat k at position k x 60 / the track's tempo), turned into
// sender times by interpolating between the sender's ticks, on the same steady clock the
// bundles read. The clock's boundary at a cook that shows beat_pulse is the cook's time minus
// beat_ramp beat lengths (60 / bpm). Printed: one JSON object on standard output.
//
//   orv_bench_beat_phase [--seconds=S] [--seed=N]
#include "LoopbackSender.h"

#include "harness/Bundle.h"
#include "harness/Network.h"
#include "sim/DjModel.h"
#include "sim/SimDatagrams.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <mutex>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace
{

using Clock = std::chrono::steady_clock;

constexpr int kDecks = 4;
constexpr int kChannelsPerDeck = 9;
enum BeatChannel
{
    BeatRamp = 0,
    BeatPulse = 2,
    Bpm = 5,
    Locked = 8,
};
constexpr double kRate = 60.0;        // datagrams per deck per second, and cooks per second
constexpr double kMostDelay = 0.005;  // seconds a datagram is held back at most
constexpr double kDropped = 0.1;      // share of datagrams never sent
constexpr double kTempoChange = 1.05; // deck 2's pitch, halfway
constexpr double kTargetMs = 2.0;

double seconds(Clock::time_point t)
{
    return std::chrono::duration<double>(t.time_since_epoch()).count();
}

// Where the simulator's decks were at each tick, for the truth afterwards.
struct TruthSample
{
    double time = 0.0;
    double beats = 0.0; // beats of the track played, beatsElapsed
    bool playing = false;
};

class Sender
{
public:
    Sender(std::uint16_t port, double duration, std::uint32_t seed)
        : port_(port), duration_(duration), model_(seed), random_(seed)
    {
        for (int deck = 1; deck <= kDecks; ++deck)
            model_.setPlaying(deck, false);
    }

    // Runs in its own thread until the duration is over.
    void run(Clock::time_point start)
    {
        std::uniform_real_distribution<double> delay(0.0, kMostDelay);
        std::uniform_real_distribution<double> chance(0.0, 1.0);
        std::multimap<Clock::time_point, std::string> queued; // send time -> datagram
        const auto period =
            std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / kRate));
        Clock::time_point nextTick = start;
        double lastTime = seconds(start);
        bool tempoChanged = false;
        while (Clock::now() < start + std::chrono::duration<double>(duration_))
        {
            const Clock::time_point nextSend =
                queued.empty() ? nextTick : std::min(nextTick, queued.begin()->first);
            std::this_thread::sleep_until(nextSend);
            const Clock::time_point now = Clock::now();
            const double t = seconds(now);
            while (!queued.empty() && queued.begin()->first <= now)
            {
                sender_.send(port_, queued.begin()->second);
                queued.erase(queued.begin());
            }
            if (now < nextTick)
                continue;
            nextTick += period;

            model_.advance(t - lastTime);
            lastTime = t;
            const double elapsed = t - seconds(start);
            for (int deck = 1; deck <= kDecks; ++deck)
            {
                if (!model_.deck(deck).playing && elapsed >= playStart(deck))
                {
                    model_.setPlaying(deck, true);
                    std::lock_guard<std::mutex> lock(mutex_);
                    startedAt_[deck - 1] = t;
                }
            }
            if (!tempoChanged && elapsed >= tempoChangeAt())
            {
                tempoChanged = true;
                model_.setPitch(2, model_.deck(2).pitch * kTempoChange);
                std::lock_guard<std::mutex> lock(mutex_);
                tempoChangedAt_ = t;
            }
            std::lock_guard<std::mutex> lock(mutex_);
            for (int deck = 1; deck <= kDecks; ++deck)
            {
                const orvsim::DeckState& state = model_.deck(deck);
                truth_[deck - 1].push_back({t, state.beatsElapsed(), state.playing});
                const auto heldBack = std::chrono::duration_cast<Clock::duration>(
                    std::chrono::duration<double>(delay(random_)));
                if (chance(random_) >= kDropped)
                    queued.emplace(now + heldBack, orvsim::deckDatagram(state));
            }
        }
    }

    double playStart(int deck) const { return 1.0 + 0.4 * (deck - 1); }
    double tempoChangeAt() const { return duration_ / 2.0; }

    std::vector<TruthSample> truth(int deck)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return truth_[deck - 1];
    }
    double startedAt(int deck)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return startedAt_[deck - 1];
    }
    double tempoChangedAt()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return tempoChangedAt_;
    }

private:
    std::uint16_t port_;
    double duration_;
    orvsim::DjModel model_;
    std::mt19937 random_;
    orvbench::LoopbackSender sender_;
    std::mutex mutex_;
    std::vector<TruthSample> truth_[kDecks];
    double startedAt_[kDecks] = {};
    double tempoChangedAt_ = 0.0;
};

// The true boundaries of a deck: the sender times at which its beats began.
std::vector<double> trueBoundaries(const std::vector<TruthSample>& samples)
{
    std::vector<double> boundaries;
    for (size_t i = 1; i < samples.size(); ++i)
    {
        const TruthSample& a = samples[i - 1];
        const TruthSample& b = samples[i];
        if (!a.playing || !b.playing || b.beats <= a.beats)
            continue;
        for (double k = std::floor(a.beats) + 1.0; k <= b.beats; k += 1.0)
            boundaries.push_back(a.time + (k - a.beats) / (b.beats - a.beats) * (b.time - a.time));
    }
    return boundaries;
}

double nearest(const std::vector<double>& sorted, double t)
{
    const auto after = std::lower_bound(sorted.begin(), sorted.end(), t);
    double best = after != sorted.end() ? *after : 1e300;
    if (after != sorted.begin() && std::fabs(*(after - 1) - t) < std::fabs(best - t))
        best = *(after - 1);
    return best;
}

double percentile(std::vector<double> values, double share)
{
    if (values.empty())
        return NAN;
    std::sort(values.begin(), values.end());
    const size_t index =
        std::min(values.size() - 1, static_cast<size_t>(std::ceil(share * values.size())) - 1);
    return values[index];
}

// One cook's view of a deck.
struct Seen
{
    double time = 0.0;
    float ramp = 0.0f;
    float pulse = 0.0f;
    float bpm = 0.0f;
    float locked = 0.0f;
};

std::unique_ptr<orvharness::Bundle> load(const char* path)
{
    std::string error;
    auto bundle = orvharness::Bundle::load(path, error);
    if (!bundle)
        throw std::runtime_error(std::string("cannot load ") + path + ": " + error);
    return bundle;
}

} // namespace

int main(int argc, char** argv)
{
    double duration = 45.0;
    std::uint32_t seed = 7;
    for (int i = 1; i < argc; ++i)
    {
        const std::string argument = argv[i];
        if (argument.rfind("--seconds=", 0) == 0)
            duration = std::stod(argument.substr(10));
        else if (argument.rfind("--seed=", 0) == 0)
            seed = static_cast<std::uint32_t>(std::stoul(argument.substr(7)));
        else
        {
            std::fprintf(stderr, "unknown argument: %s\n", argv[i]);
            return 2;
        }
    }

    const auto datBundle = load(ORV_DAT_BUNDLE);
    const auto beatBundle = load(ORV_BEAT_BUNDLE);
    orvharness::Network net;
    // The beat node first, so that it cooks first and the time taken before a frame is its own.
    const orvharness::NodeId beat = net.createNode(*beatBundle, "beat1");
    const orvharness::NodeId orv = net.createNode(*datBundle, "orv1");
    const std::uint16_t port = orvbench::freeLoopbackPort();
    if (!net.setParameter(beat, "Orvdat", "orv1") || !net.setParameter(beat, "Deck", "all") ||
        !net.setParameter(orv, "Port", static_cast<int>(port)))
    {
        std::fprintf(stderr, "cannot set up the nodes: %s\n", net.lastError().c_str());
        return 1;
    }
    net.cookFrame();
    net.pulse(orv, "Reconnect");

    Sender sender(port, duration, seed);
    const Clock::time_point start = Clock::now();
    std::thread sending([&] { sender.run(start); });

    std::vector<Seen> seen[kDecks];
    const auto frame =
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / kRate));
    for (Clock::time_point next = start; next < start + std::chrono::duration<double>(duration);
         next += frame)
    {
        std::this_thread::sleep_until(next);
        const double t = seconds(Clock::now());
        net.cookFrame();
        const std::vector<std::vector<float>> channels = net.channels(beat);
        if (channels.size() < static_cast<size_t>(kDecks * kChannelsPerDeck))
            continue;
        for (int deck = 0; deck < kDecks; ++deck)
        {
            const int first = deck * kChannelsPerDeck;
            seen[deck].push_back({t, channels[first + BeatRamp][0], channels[first + BeatPulse][0],
                                  channels[first + Bpm][0], channels[first + Locked][0]});
        }
    }
    sending.join();

    std::vector<double> steadyErrorsMs;
    std::vector<double> lockBeats;
    int backwards = 0;
    int recoveryBeats = -1;
    double worstAfterRecoveryMs = 0.0;
    const double changedAt = sender.tempoChangedAt();
    for (int deck = 1; deck <= kDecks; ++deck)
    {
        const std::vector<double> truth = trueBoundaries(sender.truth(deck));
        const double started = sender.startedAt(deck);
        const std::vector<Seen>& views = seen[deck - 1];
        std::vector<std::pair<double, double>> afterChange; // (boundary, error ms) on deck 2
        bool locked = false;
        float lastRamp = 0.0f;
        for (size_t i = 0; i < views.size(); ++i)
        {
            const Seen& view = views[i];
            if (!locked && view.locked == 1.0f && view.time > started)
            {
                locked = true;
                const double beatLength = 60.0 / view.bpm;
                lockBeats.push_back((view.time - started) / beatLength);
            }
            if (i > 0 && view.pulse == 0.0f && view.ramp < lastRamp && view.time > started)
                ++backwards;
            lastRamp = view.ramp;
            if (!locked || view.pulse != 1.0f || !(view.bpm > 0.0f))
                continue;
            const double boundary = view.time - view.ramp * 60.0 / view.bpm;
            const double errorMs = (boundary - nearest(truth, boundary)) * 1e3;
            if (deck == 2 && boundary > changedAt)
                afterChange.emplace_back(boundary, errorMs);
            else
                steadyErrorsMs.push_back(std::fabs(errorMs));
        }
        if (deck == 2)
        {
            // Beats after the change until every later boundary is within the target.
            int lastBad = -1;
            for (size_t k = 0; k < afterChange.size(); ++k)
            {
                if (std::fabs(afterChange[k].second) >= kTargetMs)
                    lastBad = static_cast<int>(k);
            }
            recoveryBeats = lastBad + 1;
            for (size_t k = static_cast<size_t>(recoveryBeats); k < afterChange.size(); ++k)
                worstAfterRecoveryMs =
                    std::max(worstAfterRecoveryMs, std::fabs(afterChange[k].second));
            for (size_t k = static_cast<size_t>(std::max(recoveryBeats, 4)); k < afterChange.size();
                 ++k)
                steadyErrorsMs.push_back(std::fabs(afterChange[k].second));
        }
    }

    std::printf(
        "{\"seconds\": %.1f, \"seed\": %u, \"boundaries\": %zu, \"p50_ms\": %.3f, "
        "\"p99_ms\": %.3f, \"max_ms\": %.3f, \"lock_beats_max\": %.2f, "
        "\"lock_beats\": [%.2f, %.2f, %.2f, %.2f], \"backwards\": %d, "
        "\"tempo_recovery_beats\": %d, \"after_recovery_max_ms\": %.3f}\n",
        duration, seed, steadyErrorsMs.size(), percentile(steadyErrorsMs, 0.5),
        percentile(steadyErrorsMs, 0.99), percentile(steadyErrorsMs, 1.0),
        lockBeats.empty() ? NAN : *std::max_element(lockBeats.begin(), lockBeats.end()),
        lockBeats.size() > 0 ? lockBeats[0] : NAN, lockBeats.size() > 1 ? lockBeats[1] : NAN,
        lockBeats.size() > 2 ? lockBeats[2] : NAN, lockBeats.size() > 3 ? lockBeats[3] : NAN,
        backwards, recoveryBeats, worstAfterRecoveryMs);
    return 0;
}
