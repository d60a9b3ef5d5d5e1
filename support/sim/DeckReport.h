// What a sender reports of a planned deck at one send: the Deck datagram's values, computed
// from the deck's exact state and the sender's conventions, with what the truth knows of them
// (the track, the Position step at that moment, whether the values are garbage).
#pragma once

#include "support/sim/DeckTimeline.h"
#include "support/sim/Random.h"
#include "support/sim/SenderProfile.h"

#include <cstdint>

namespace orvsim
{

struct DeckReport
{
    double sendTime = 0.0; // host time
    int track = 0;         // index into the timeline's tracks
    double position = 0.0;
    double bpm = 0.0;
    double pitch = 0.0;
    double length = 0.0;
    std::int32_t beat = 0;
    double step = 0.0;    // track seconds the engine may be past Position (0: exact)
    bool garbage = false; // made-up values, not the deck's
};

// The report at host time `sendTime`: Position where the deck stood when the audio buffer
// began (or exact; a play, pause, cue or load begins a buffer), Beat from that Position or
// from the exact one, BPM with or without the pitch, as `sender` says.
DeckReport reportDeck(const DeckTimeline& deck, const SenderProfile& sender, double sendTime);

// Replaces Beat, Position, BPM and Pitch with what a broken sender might send: random values,
// NaN, infinities, zero, negative and huge numbers. Length stays (the track is the same).
void scramble(DeckReport& report, Random& random);

} // namespace orvsim
