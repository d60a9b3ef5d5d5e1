// One case of the beat clock's random sweep: a sender, a network and a deck's plan, every
// condition drawn at once and independently from one seed, the same on every platform.
//
// What a seed draws: the track's tempo (90-160 BPM), its grid anywhere in the first beat and
// its Length; the pitch (0.92-1.08, a third of seeds within 1% of 1, a few exactly 1); Position
// exact (a quarter of seeds) or per audio buffer (64 to 1024 samples at 44.1 or 48 kHz); Beat
// from the Position sent or from the engine's finer position; Beat 0..3 or 1..4; BPM with or
// without the pitch, and the node's "BPM Includes Pitch" set to match or left on; 25-60
// datagrams a second from a timer up to 2 ms late; one network (LAN jitter, Wi-Fi reordering,
// heavy-tailed delay, or stalls released in order or shuffled) with 0-20% loss and 0-5%
// duplicates. The deck is loaded and paused at a cue, then plays; in about 40% of seeds one or
// two of a tempo ramp, a cue, a pause and a track change follow, and in about 10% a 2-4 s
// window of garbage. A run lasts 30-40 s.
#pragma once

#include "support/sim/DeckTimeline.h"
#include "support/sim/NetworkProfile.h"
#include "support/sim/SenderProfile.h"

#include <cstdint>
#include <optional>
#include <string>

namespace orvsim
{

// Host seconds from `from` up to, not including, `to`.
struct TimeSpan
{
    double from = 0.0;
    double to = 0.0;
    bool contains(double time) const { return time >= from && time < to; }
};

struct SweepCase
{
    std::uint64_t seed = 0;
    double duration = 0.0; // seconds of host time from the deck's loading
    SenderProfile sender;
    NetworkProfile network;
    bool nodeBpmIncludesPitch = true; // the beat node's "BPM Includes Pitch"
    DeckTimeline deck;
    std::optional<TimeSpan> garbage; // when the sender sends garbage instead of the deck
    std::string plan;                // the deck's plan in words
};

SweepCase drawCase(std::uint64_t seed);

// The case in one line, for people.
std::string describe(const SweepCase& sweepCase);

} // namespace orvsim
