// The DJ who plays a set on a DjModel's decks the way a club DJ mixes: one track on air at a
// time, and hand-overs from deck to deck with the mixer.
//
// The decks take turns, 1, 2, 3, 4, 1, ..., and feed the mixer as most DJs wire it: decks 1
// and 3 on channel A (the crossfader's 0 end), decks 2 and 4 on channel B (its 1 end). The set
// keeps one tempo, the first track's at the opening pitch: every deck is pitched to it when its
// track is loaded (beat-matched), and a track that would need more than 12% of pitch is passed
// over. Everything is counted in bars of the main deck's track (the deck on air until a
// hand-over ends), from the track's start, in phrases of 8 bars; the DJ acts on phrase lines:
// - On a phrase line 8 to 24 bars after the deck went on air the DJ starts the next deck from
//   its first beat, 0.15 to 0.45 of a beat after the line: the same tempo, the phases that far
//   apart, as matched by ear. "Cue" = its number.
// - Over the mix (4 bars for the set's first, then 8 or 16 bars) the first quarter brings the
//   new deck's channel fader up, the middle half moves the crossfader to the new deck's end,
//   the last quarter takes the old deck's channel fader down, each on a smooth S-curve.
// - On the old deck's first bar line after that it stops and loads the next track
//   ("TrackChange" = its number), pitched to the set and cued at its start for its next turn.
// While a deck is on air alone its track's phrases make events: "Break" = 1 on bar 8 of every
// 16 and "Drop" = 1 on every 16th bar. Now and then the DJ plays with the deck on air:
// - a loop roll before some drops: over the 4 bars before the drop the deck repeats the first
//   4 beats twice, then the first 2 twice, then the first beat four times ("Loop" = 4, 2, 1 as
//   the roll halves), and on the drop's line the roll lets go and the deck plays on where the
//   track would have been had it not rolled ("Loop" = 0), as a DJ application's loop roll does;
// - a cue back to the drop before, on a Break line, at most once a turn: the deck jumps back 8
//   bars and plays the drop again ("HotCue" = the phrase it lands on, 1 the track's first).
// Every jump is a whole number of beats (the rolls) or bars (the cue), taken on a beat line,
// so the beat keeps its place on the grid.
//
// Everything follows from the seed and the advance() calls, whatever their size.
// Thread rules: one thread per DJ.
#pragma once

#include "support/sim/DjModel.h"

#include <cstdint>
#include <random>
#include <vector>

namespace orvsim
{

class MixingDj
{
public:
    // `openingPitch` is deck 1's pitch, and with it the set's tempo.
    explicit MixingDj(uint32_t seed = 1, double openingPitch = 1.0);

    // Plays on for `seconds` of real time (negative or non-finite: nothing).
    void advance(double seconds);

    const DjModel& decks() const { return model_; }
    // The model's events since the last call, oldest first; after a long pause (a suspended
    // laptop) only the newest few, not a burst of old ones.
    std::vector<DjEvent> takeEvents();
    std::vector<int> takeLoadedDecks() { return model_.takeLoadedDecks(); }

    // The deck on air, the one whose bars the DJ counts; during a hand-over the old one.
    int mainDeck() const { return main_; }
    // The deck being mixed in; 0 between hand-overs.
    int incomingDeck() const { return phase_ == Phase::Mixing ? incoming_ : 0; }
    // The set's tempo, beats a minute.
    double tempo() const { return tempo_; }
    // Whether a deck feeds the mixer's channel A (else B).
    static bool onChannelA(int deck) { return deck % 2 == 1; }

private:
    enum class Phase
    {
        Alone,    // the main deck plays by itself
        Starting, // the next deck starts a fraction of a beat after this bar line
        Mixing,   // both play; the faders move
    };

    double secondsUntilMainBeat(double beat) const;
    // The main deck to its track's beat `beat`.
    void seekMain(double beat);
    void actOnBar(long long bar);
    void phraseEvents(long long bar);
    // The bar the deck plays on: `bar`, or where the cue took it.
    long long maybeCue(long long bar);
    void maybeRoll(long long bar);
    // The roll's pass ended on `nextStopBeat_`: the next pass, or the drop.
    void rollOn();
    void startIncoming();
    void endMix();
    void planNextMix(long long bar);
    // The next track from the crate that is not on a deck and suits the set's tempo.
    const Track& nextTrack();
    double pitchFor(const Track& track) const;
    double faderLevel();
    void moveFaders();

    DjModel model_;
    std::mt19937 random_;
    double tempo_ = 0.0;
    size_t nextTrack_ = 0;

    Phase phase_ = Phase::Alone;
    int main_ = 1;
    int incoming_ = 2;
    double mainLevel_ = 0.0;     // the main deck's channel fader
    double incomingLevel_ = 0.0; // where the incoming deck's channel fader goes
    // Where in its track's beats the main deck is when the DJ acts next: its next bar line, or
    // while it rolls the end of the roll's pass.
    double nextStopBeat_ = 0.0;
    double startBeat_ = 0.0; // Starting: the main deck's beat at which the next one starts

    long long mixStartBar_ = 0;
    long long mixEndBar_ = 0;
    int mixBars_ = 0;
    double mixStartTime_ = 0.0;
    double mixSeconds_ = 1.0;

    bool rolling_ = false;
    double rollStartBeat_ = 0.0; // where every pass of the roll begins
    size_t rollPass_ = 0;
    long long lastRollDrop_ = -1; // the drop's bar of the latest roll
    bool cuedThisTurn_ = false;
};

} // namespace orvsim
