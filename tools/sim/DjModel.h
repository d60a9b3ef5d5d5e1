// A believable DJ at four decks and a two-channel mixer, moved on in real time by advance().
//
// Each deck plays a track from the crate at its own pitch (playback speed, 1 = as recorded):
// the position runs at `pitch` seconds of track per second, the tempo is the track's tempo
// times the pitch, and the beat (1 to 4) follows the beats of the track, whose grid starts at
// the track's start: beat k begins at position k x 60 / the track's tempo. That grid is the
// truth the beat clock is measured against. At the end of a
// track the deck loads the next one. EQs, faders and the crossfader move smoothly; named
// events ("Drop", "Cue", "Loop", ...) happen every few seconds.
//
// Everything follows from the seed and the advance() calls, so a test can replay it.
// Thread rules: one thread per model.
#pragma once

#include "sim/Track.h"

#include <array>
#include <cstdint>
#include <random>
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
};

class DjModel
{
public:
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

    // The events since the last call, oldest first.
    std::vector<DjEvent> takeEvents();
    // The decks (1 to 4) that loaded a new track since the last call.
    std::vector<int> takeLoadedDecks();

private:
    void moveControls();
    void loadNextTrack(DeckState& deck);
    void fireEvent();
    void scheduleNextEvent();

    std::mt19937 random_;
    double time_ = 0.0;
    double nextEventTime_ = 0.0;
    size_t nextTrack_ = 0;
    std::array<DeckState, kDeckCount> decks_;
    MixerState mixer_;
    std::vector<DjEvent> events_;
    std::vector<int> loadedDecks_;
};

} // namespace orvsim
