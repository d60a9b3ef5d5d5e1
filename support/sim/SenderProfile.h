// How a sender reports its decks: how it numbers the beats, whether its BPM includes the pitch,
// where its beat grid starts in the track, how finely it reports Position and how often it
// sends. Senders differ in each of these; the named presets are what `orv simulate --sender`
// and the beat clock's benchmark offer. The default is the simulator's own way: Beat 1..4,
// BPM x pitch, the grid at the track's start, Position exact, 60 datagrams a second.
#pragma once

#include "support/sim/DjModel.h"

#include <string>
#include <vector>

namespace orvsim
{

inline constexpr int kBeatsPerBar = 4;

struct SenderProfile
{
    std::string name = "default";
    int firstBeat = 1;            // Beat counts firstBeat .. firstBeat + 3: 1..4 or 0..3
    bool bpmIncludesPitch = true; // false: BPM is the track's own tempo, whatever the pitch
    double deckPitch = 0.0;       // > 0: the decks play at this pitch from the start (the
                                  // mixing DJ opens at it and pitches the rest to its tempo)
    double gridOffset = 0.0;      // beats: the grid's first line lies this far into the track
    double positionStep = 0.0;    // seconds; > 0: Position as of the start of its step (a sender
                                  // that reports once per audio buffer)
    double rate = 60.0;           // Deck datagrams a second per deck
};

// default, beat0, bpm-no-pitch, offset-grid, coarse, slow.
const std::vector<SenderProfile>& senderPresets();

// The profile in words, for people: "Beat 0..3, Position in 10 ms steps".
std::string describe(const SenderProfile& profile);

// Beats of the sender's grid that the deck has played at its exact position (negative before
// the grid's first line): the truth the beat clock is measured against.
double gridBeats(const DeckState& deck, const SenderProfile& profile);
// The bar position, 0 .. kBeatsPerBar - 1, of the beat that begins at grid line `line`.
int barPosition(long long line);

// What the sender reports of the deck. The Position it saw last (its other values follow from
// that one), and Beat and BPM as the profile counts them.
double reportedPosition(const DeckState& deck, const SenderProfile& profile);
int reportedBeat(const DeckState& deck, const SenderProfile& profile);
double reportedBpm(const DeckState& deck, const SenderProfile& profile);

// Puts the model's decks at the profile's pitch, if it has one.
void applyDeckPitch(const SenderProfile& profile, DjModel& model);

} // namespace orvsim
