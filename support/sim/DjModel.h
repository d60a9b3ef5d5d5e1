// A DJ's four decks and two-channel mixer, moved on in real time by advance(). The hands on
// them are the caller's: a MixingDj plays a set on them, a benchmark drives them by script.
//
// Each deck plays a track from the crate at its own pitch (playback speed, 1 = as recorded):
// the position runs at `pitch` seconds of track per second, the tempo is the track's tempo
// times the pitch, and the beat (1 to 4) follows the beats of the track, whose grid starts at
// the track's start: beat k begins at position k x 60 / the track's tempo. That grid is the
// truth the beat clock is measured against. A deck that plays to the end of its track loads
// the next one from the crate and plays on. The EQs move smoothly by themselves; the faders
// and the crossfader stay where they were put. Events are what the caller announces.
//
// Everything follows from the seed and the calls, so a test can replay it.
// Thread rules: one thread per model.
#pragma once

#include "support/sim/Track.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace orvsim
{

inline constexpr int kDeckCount = 4;

struct DeckState
{
    int number = 0; // 1 to 4
    Track track;
    double pitch = 1.0;    // playback speed
    double position = 0.0; // seconds into the track
    bool playing = true;   // a paused deck keeps its position
    float eqLow = 0.5f;
    float eqMid = 0.5f;
    float eqHigh = 0.5f;

    double bpm() const { return track.bpm * pitch; }
    // 0 at the start of the track, 1 at its end.
    double normalizedPosition() const;
    // Seconds of the track still to play (what the simulator sends as "Position2").
    double remaining() const;
    // Beats of the track played so far.
    double beatsElapsed() const { return position * track.bpm / 60.0; }
    // The beat within the bar, 1 to 4.
    int beat() const;
};

struct MixerState
{
    double upfaderA = 0.0;
    double upfaderB = 0.0;
    double crossfader = 0.5; // 0: all A, 1: all B
    int active = 1;
};

struct DjEvent
{
    std::string name;
    int value = 0; // 0 to 255
    int deck = 0;  // the deck whose music or control it marks, 0 for none
};

class DjModel
{
public:
    // The seed sets the EQs' slow moves apart from another model's.
    explicit DjModel(uint32_t seed = 1);

    // Moves the set on by `seconds` of real time (negative or non-finite: nothing).
    void advance(double seconds);
    double time() const { return time_; }

    // number 1 to 4; other numbers give deck 1.
    const DeckState& deck(int number) const;
    const MixerState& mixer() const { return mixer_; }

    // A DJ's hand on the pitch fader (clamped to 0.5 .. 2).
    void setPitch(int number, double pitch);
    // Play or pause a deck.
    void setPlaying(int number, bool playing);
    // A cue: the deck jumps to `position` seconds into its track (clamped to the track).
    void seek(int number, double position);
    // Puts `track` on the deck at its start; it counts as loaded (takeLoadedDecks) and
    // announces "TrackChange" with the deck's number.
    void load(int number, const Track& track);
    // The mixer's faders, each clamped to 0 .. 1 (a value that is no number leaves it).
    void setUpfaders(double a, double b);
    void setCrossfader(double value);
    // An event for the sender to send.
    void announce(const DjEvent& event);

    // The events since the last call, oldest first.
    std::vector<DjEvent> takeEvents();
    // The decks (1 to 4) that loaded a new track since the last call.
    std::vector<int> takeLoadedDecks();

private:
    void moveEqs();

    double eqPhase_ = 0.0;
    double time_ = 0.0;
    size_t nextTrack_ = 0;
    std::array<DeckState, kDeckCount> decks_;
    MixerState mixer_;
    std::vector<DjEvent> events_;
    std::vector<int> loadedDecks_;
};

} // namespace orvsim
