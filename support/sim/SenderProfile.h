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

    // An audio engine's report: > 0, Position is where the deck stood at the start of the audio
    // buffer now playing (buffers of bufferSamples at sampleRate, one beginning at host time
    // bufferPhase), so it moves in steps of one buffer's play.
    int bufferSamples = 0;
    double sampleRate = 48000.0;
    double bufferPhase = 0.0;    // seconds, within the first buffer
    bool beatFromEngine = false; // Beat from the engine's exact position when it sends, not
                                 // from the Position it sends
    double lateTimer = 0.0;      // seconds: each send fires up to this late (timer jitter)
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

// What the sender reports of the deck at host time `time`. The Position it saw last (its other
// values follow from that one; with audio buffers the deck is taken to have played at its pitch
// since the buffer began), and Beat and BPM as the profile counts them.
double reportedPosition(const DeckState& deck, const SenderProfile& profile, double time = 0.0);
int reportedBeat(const DeckState& deck, const SenderProfile& profile);
double reportedBpm(const DeckState& deck, const SenderProfile& profile);

// Seconds of one audio buffer; 0 when Position is not reported per buffer.
double bufferSeconds(const SenderProfile& profile);
// The host time at which the buffer playing at `hostTime` began (`hostTime` itself without
// buffers).
double bufferStart(const SenderProfile& profile, double hostTime);
// Where Position reports a deck that stands at `position`, in the profile's steps of track
// seconds (positionStep); unchanged without them.
double steppedPosition(double position, const SenderProfile& profile);
// The Beat the sender reports for grid line `line` (the beat that begins there).
int beatOfLine(long long line, const SenderProfile& profile);

// Puts the model's decks at the profile's pitch, if it has one.
void applyDeckPitch(const SenderProfile& profile, DjModel& model);

} // namespace orvsim
