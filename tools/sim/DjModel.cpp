#include "sim/DjModel.h"

#include <algorithm>
#include <cmath>

namespace orvsim
{

namespace
{

constexpr double kTwoPi = 6.283185307179586;

// Where the four decks start: somewhere inside their tracks, at pitches a DJ would pick to
// keep them near each other's tempo.
constexpr double kStartFraction[kDeckCount] = {0.12, 0.41, 0.05, 0.66};
constexpr double kStartPitch[kDeckCount] = {1.000, 1.016, 0.969, 1.042};

// The events a DJ's gear reports, with the values they carry.
struct EventKind
{
    const char* name;
    int minValue;
    int maxValue;
};
constexpr EventKind kEventKinds[] = {
    {"Drop", 1, 1}, {"Cue", 1, 4}, {"Loop", 1, 8}, {"Sync", 1, 4}, {"FX", 0, 100}, {"Break", 0, 1},
};

// A smooth value between about lo and hi: two slow sines of unrelated periods.
double sway(double t, double period, double phase, double lo, double hi)
{
    const double wave = 0.7 * std::sin(kTwoPi * t / period + phase) +
                        0.3 * std::sin(kTwoPi * t / (period * 0.37) + 2.0 * phase);
    return lo + (hi - lo) * (0.5 + 0.5 * wave);
}

} // namespace

double DeckState::normalizedPosition() const
{
    if (track.lengthSeconds <= 0.0)
        return 0.0;
    return std::clamp(position / track.lengthSeconds, 0.0, 1.0);
}

double DeckState::remaining() const
{
    return std::max(0.0, track.lengthSeconds - position);
}

int DeckState::beat() const
{
    const double beats = std::floor(beatsElapsed());
    return static_cast<int>(std::fmod(beats, 4.0)) + 1;
}

DjModel::DjModel(uint32_t seed) : random_(seed)
{
    const std::vector<Track>& crate = trackCrate();
    for (int i = 0; i < kDeckCount; ++i)
    {
        DeckState& deck = decks_[i];
        deck.number = i + 1;
        deck.track = crate[static_cast<size_t>(i) % crate.size()];
        deck.pitch = kStartPitch[i];
        deck.position = kStartFraction[i] * deck.track.lengthSeconds;
    }
    nextTrack_ = kDeckCount % crate.size();
    moveControls();
    // The first event comes soon, so a short look at the demo already shows an event row.
    nextEventTime_ = 0.8;
}

const DeckState& DjModel::deck(int number) const
{
    if (number < 1 || number > kDeckCount)
        number = 1;
    return decks_[static_cast<size_t>(number - 1)];
}

void DjModel::setPitch(int number, double pitch)
{
    if (number < 1 || number > kDeckCount || !std::isfinite(pitch))
        return;
    decks_[static_cast<size_t>(number - 1)].pitch = std::clamp(pitch, 0.5, 2.0);
}

void DjModel::setPlaying(int number, bool playing)
{
    if (number >= 1 && number <= kDeckCount)
        decks_[static_cast<size_t>(number - 1)].playing = playing;
}

void DjModel::seek(int number, double position)
{
    if (number < 1 || number > kDeckCount || !std::isfinite(position))
        return;
    DeckState& deck = decks_[static_cast<size_t>(number - 1)];
    deck.position = std::clamp(position, 0.0, deck.track.lengthSeconds);
}

void DjModel::advance(double seconds)
{
    if (!std::isfinite(seconds) || seconds <= 0.0)
        return;
    time_ += seconds;
    for (DeckState& deck : decks_)
    {
        if (!deck.playing)
            continue;
        deck.position += seconds * deck.pitch;
        if (deck.position >= deck.track.lengthSeconds)
        {
            // The part past the end plays on in the next track (one load per call is enough:
            // every track is minutes long).
            const double overrun =
                std::fmod(deck.position - deck.track.lengthSeconds, deck.track.lengthSeconds);
            loadNextTrack(deck);
            deck.position = std::min(overrun, deck.track.lengthSeconds * 0.5);
        }
    }
    moveControls();

    // A long pause (a suspended laptop) does not make a burst of old events.
    constexpr int kMostEventsPerStep = 4;
    int fired = 0;
    while (time_ >= nextEventTime_ && fired < kMostEventsPerStep)
    {
        fireEvent();
        ++fired;
    }
    if (time_ >= nextEventTime_)
    {
        nextEventTime_ = time_;
        scheduleNextEvent();
    }
}

void DjModel::moveControls()
{
    for (DeckState& deck : decks_)
    {
        const double phase = deck.number * 1.7;
        deck.eqLow = static_cast<float>(sway(time_, 11.0 + deck.number, phase, 0.2, 0.9));
        deck.eqMid = static_cast<float>(sway(time_, 7.0 + deck.number, phase + 1.0, 0.3, 0.8));
        deck.eqHigh = static_cast<float>(sway(time_, 5.0 + deck.number, phase + 2.0, 0.25, 0.85));
    }
    mixer_.upfaderA = sway(time_, 19.0, 0.3, 0.55, 1.0);
    mixer_.upfaderB = sway(time_, 23.0, 2.1, 0.55, 1.0);
    mixer_.crossfader = sway(time_, 29.0, 0.0, 0.05, 0.95);
    mixer_.active = 1;
}

void DjModel::loadNextTrack(DeckState& deck)
{
    const std::vector<Track>& crate = trackCrate();
    deck.track = crate[nextTrack_];
    nextTrack_ = (nextTrack_ + 1) % crate.size();
    deck.position = 0.0;
    loadedDecks_.push_back(deck.number);
    events_.push_back({"Load", deck.number});
}

void DjModel::fireEvent()
{
    std::uniform_int_distribution<size_t> pickKind(0, std::size(kEventKinds) - 1);
    const EventKind& kind = kEventKinds[pickKind(random_)];
    std::uniform_int_distribution<int> pickValue(kind.minValue, kind.maxValue);
    events_.push_back({kind.name, pickValue(random_)});
    scheduleNextEvent();
}

void DjModel::scheduleNextEvent()
{
    std::uniform_real_distribution<double> gap(1.5, 5.0);
    nextEventTime_ += gap(random_);
}

std::vector<DjEvent> DjModel::takeEvents()
{
    std::vector<DjEvent> taken;
    taken.swap(events_);
    return taken;
}

std::vector<int> DjModel::takeLoadedDecks()
{
    std::vector<int> taken;
    taken.swap(loadedDecks_);
    return taken;
}

} // namespace orvsim
