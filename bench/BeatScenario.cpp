#include "BeatScenario.h"

#include "support/sim/BeatOracle.h"
#include "support/sim/SimDatagrams.h"

#include <algorithm>
#include <stdexcept>
#include <thread>

namespace orvbench
{

namespace
{

constexpr double kTempoChange = 1.05; // deck 2's pitch, halfway
constexpr double kCueBack = 8.37;     // seconds of track deck 3 jumps back

double playStart(int deck)
{
    return 1.0 + 0.4 * (deck - 1);
}

SteadyClock::time_point steadyTime(double seconds)
{
    return SteadyClock::time_point(
        std::chrono::duration_cast<SteadyClock::duration>(std::chrono::duration<double>(seconds)));
}

} // namespace

double steadySeconds(SteadyClock::time_point t)
{
    return std::chrono::duration<double>(t.time_since_epoch()).count();
}

BeatScenario::BeatScenario(const orvsim::NetworkProfile& network,
                           const orvsim::SenderProfile& sender, std::uint16_t port, double duration,
                           std::uint32_t seed)
    : port_(port), duration_(duration), sender_(sender), model_(seed), network_(network, seed)
{
    if (!socket_.bound())
        throw std::runtime_error(socket_.error());
    orvsim::applyDeckPitch(sender, model_);
    for (int deck = 1; deck <= kScenarioDecks; ++deck)
        model_.setPlaying(deck, false);
}

void BeatScenario::run(SteadyClock::time_point start)
{
    const double origin = steadySeconds(start);
    const double period = 1.0 / std::max(sender_.rate, 1.0);
    double nextTick = origin;
    origin_ = origin;
    lastTick_ = origin;
    while (SteadyClock::now() < start + std::chrono::duration<double>(duration_))
    {
        std::this_thread::sleep_until(
            steadyTime(std::min(nextTick, origin + network_.nextArrival())));
        const double now = steadySeconds(SteadyClock::now());
        deliver(now - origin);
        if (now < nextTick)
            continue;
        nextTick += period;
        tick(now, now - origin);
    }
}

void BeatScenario::deliver(double elapsed)
{
    for (orvsim::Arrival& arrival : network_.takeArrived(elapsed))
    {
        socket_.send(port_, arrival.datagram);
        const auto [deck, index] = sentBySequence_.at(arrival.sequence);
        arrivals_[deck - 1].push_back({arrival.time, {}, index});
    }
}

DeckOracle BeatScenario::oracle(int deck) const
{
    const orvsim::OracleVerdict verdict =
        orvsim::consultOracle(sent_[deck - 1], arrivals_[deck - 1], orvsim::kBeatsPerBar);
    DeckOracle oracle;
    oracle.leastDelay = verdict.leastDelay;
    if (verdict.tracks.empty())
        return oracle;
    if (verdict.tracks[0].lockAllowedAt)
        oracle.lockAllowedAt = origin_ + *verdict.tracks[0].lockAllowedAt;
    oracle.finalWidth = verdict.tracks[0].finalWidth;
    return oracle;
}

void BeatScenario::tick(double now, double elapsed)
{
    model_.advance(now - lastTick_);
    lastTick_ = now;
    bool jumped[kScenarioDecks] = {};
    for (int deck = 1; deck <= kScenarioDecks; ++deck)
    {
        DeckTruth& truth = truth_[deck - 1];
        if (truth.startedAt < 0.0 && elapsed >= playStart(deck))
        {
            model_.setPlaying(deck, true);
            truth.startedAt = now;
        }
    }
    DeckTruth& changed = truth_[kTempoChangeDeck - 1];
    if (changed.changedAt < 0.0 && elapsed >= duration_ / 2.0)
    {
        model_.setPitch(kTempoChangeDeck, model_.deck(kTempoChangeDeck).pitch * kTempoChange);
        changed.changedAt = now;
    }
    DeckTruth& cued = truth_[kSeekDeck - 1];
    if (cued.seekAt < 0.0 && elapsed >= duration_ * 0.75)
    {
        model_.seek(kSeekDeck, model_.deck(kSeekDeck).position - kCueBack);
        cued.seekAt = now;
        jumped[kSeekDeck - 1] = true;
    }

    for (int deck = 1; deck <= kScenarioDecks; ++deck)
    {
        const orvsim::DeckState& state = model_.deck(deck);
        truth_[deck - 1].samples.push_back(
            {now, orvsim::gridBeats(state, sender_), state.bpm(), state.playing, jumped[deck - 1]});
        sentBySequence_.emplace_back(deck, sent_[deck - 1].size());
        sent_[deck - 1].push_back(orvsim::deckReport(state, sender_, elapsed));
        network_.send(orvsim::deckDatagram(state, sender_, elapsed), elapsed, deck);
    }
}

} // namespace orvbench
