// The sending side of the beat clock's benchmark. The simulator's four decks start paused and
// begin to play one after the other (1 s, 1.4 s, 1.8 s and 2.2 s in); halfway, deck 2's pitch
// fader moves up 5%; at three quarters, deck 3 is cued back 8.37 s (off its grid). Each deck is
// reported as the sender profile says, at its rate, and every datagram goes through the network
// profile's model to a port on 127.0.0.1.
//
// The truth: at every tick, where each deck stands on the sender's grid, on the same steady
// clock the bundles read. And what the datagrams allow: each deck's reports and their arrivals,
// for the oracle (support/sim/BeatOracle.h) to say from when any receiver could lock.
// Thread rules: run() on one thread; the rest once run() has returned.
#pragma once

#include "support/LoopbackSocket.h"
#include "support/sim/DeckReport.h"
#include "support/sim/DjModel.h"
#include "support/sim/NetworkModel.h"
#include "support/sim/NetworkProfile.h"
#include "support/sim/SenderProfile.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace orvbench
{

using SteadyClock = std::chrono::steady_clock;

// Seconds on the steady clock, the time base of the truth and of the cooks.
double steadySeconds(SteadyClock::time_point t);

inline constexpr int kScenarioDecks = 4;
inline constexpr int kTempoChangeDeck = 2;
inline constexpr int kSeekDeck = 3;

// A deck at one tick.
struct TruthSample
{
    double time = 0.0;
    double beats = 0.0; // on the sender's grid (gridBeats)
    double tempo = 0.0; // beats a minute of host time
    bool playing = false;
    bool jumped = false; // cued since the sample before: no beats between the two
};

struct DeckTruth
{
    std::vector<TruthSample> samples;
    double startedAt = -1.0; // when it began to play; < 0: never
    double changedAt = -1.0; // its tempo change, if it has one
    double seekAt = -1.0;    // its cue, if it has one
};

// What one deck's datagrams allowed.
struct DeckOracle
{
    std::optional<double> lockAllowedAt; // steady seconds; none: never
    double leastDelay = 0.0;             // seconds, the least one-way delay of its datagrams
    // Host seconds within which the lines were placed at the end; < 0: no bound.
    double finalWidth = -1.0;
};

class BeatScenario
{
public:
    BeatScenario(const orvsim::NetworkProfile& network, const orvsim::SenderProfile& sender,
                 std::uint16_t port, double duration, std::uint32_t seed);

    // Sends until the duration after `start` is over.
    void run(SteadyClock::time_point start);

    const DeckTruth& truth(int deck) const { return truth_[deck - 1]; }
    const orvsim::NetworkCounts& networkCounts() const { return network_.counts(); }
    // The oracle's verdict on the deck's datagrams (its one track: a cue and a tempo change
    // keep the track).
    DeckOracle oracle(int deck) const;

private:
    void tick(double now, double elapsed);
    // Passes the datagrams that have arrived by `elapsed` on to the port.
    void deliver(double elapsed);

    std::uint16_t port_;
    double duration_;
    orvsim::SenderProfile sender_;
    orvsim::DjModel model_;
    orvsim::NetworkModel network_;
    orvsupport::LoopbackSocket socket_;
    DeckTruth truth_[kScenarioDecks];
    double origin_ = 0.0; // steady seconds at elapsed 0
    double lastTick_ = 0.0;
    // Per deck, what it sent (sendTime in elapsed seconds) and what arrived, each arrival's
    // `sequence` an index into its deck's reports.
    std::vector<orvsim::DeckReport> sent_[kScenarioDecks];
    std::vector<orvsim::Arrival> arrivals_[kScenarioDecks];
    // The network numbers every send(): the deck and index of each.
    std::vector<std::pair<int, std::size_t>> sentBySequence_;
};

} // namespace orvbench
