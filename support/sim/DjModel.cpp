#include "support/sim/DjModel.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace orvsim
{

namespace
{

constexpr double kTwoPi = 6.283185307179586;

// Where the four decks start: somewhere inside their tracks, at pitches a DJ would pick to
// keep them near each other's tempo.
constexpr double kStartFraction[kDeckCount] = {0.12, 0.41, 0.05, 0.66};
constexpr double kStartPitch[kDeckCount] = {1.000, 1.016, 0.969, 1.042};

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

DjModel::DjModel(uint32_t seed)
{
    std::mt19937 random(seed);
    eqPhase_ = std::uniform_real_distribution<double>(0.0, kTwoPi)(random);
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
    moveEqs();
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

void DjModel::load(int number, const Track& track)
{
    if (number < 1 || number > kDeckCount)
        return;
    DeckState& deck = decks_[static_cast<size_t>(number - 1)];
    deck.track = track;
    deck.position = 0.0;
    loadedDecks_.push_back(number);
    events_.push_back({"TrackChange", number, number});
}

void DjModel::setUpfaders(double a, double b)
{
    if (std::isfinite(a))
        mixer_.upfaderA = std::clamp(a, 0.0, 1.0);
    if (std::isfinite(b))
        mixer_.upfaderB = std::clamp(b, 0.0, 1.0);
}

void DjModel::setCrossfader(double value)
{
    if (std::isfinite(value))
        mixer_.crossfader = std::clamp(value, 0.0, 1.0);
}

void DjModel::announce(const DjEvent& event)
{
    events_.push_back(event);
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
            const std::vector<Track>& crate = trackCrate();
            load(deck.number, crate[nextTrack_]);
            nextTrack_ = (nextTrack_ + 1) % crate.size();
            deck.position = std::min(overrun, deck.track.lengthSeconds * 0.5);
        }
    }
    moveEqs();
}

void DjModel::moveEqs()
{
    for (DeckState& deck : decks_)
    {
        const double phase = deck.number * 1.7 + eqPhase_;
        deck.eqLow = static_cast<float>(sway(time_, 11.0 + deck.number, phase, 0.2, 0.9));
        deck.eqMid = static_cast<float>(sway(time_, 7.0 + deck.number, phase + 1.0, 0.3, 0.8));
        deck.eqHigh = static_cast<float>(sway(time_, 5.0 + deck.number, phase + 2.0, 0.25, 0.85));
    }
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
