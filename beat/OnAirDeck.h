// Which deck the audience hears: the deck an "On Air" beat clock follows.
//
// Every frame it is given each deck's level (MixerLevels) and what its clock showed. It
// follows one deck and moves to another only when that is clearly the one heard:
// - another deck's level leads the followed one's by more than `margin` for half a beat (of
//   the leading deck's tempo), or, while no deck has any level, another deck started playing
//   more recently than the followed one; the switch then waits for the new deck's next beat
//   boundary, so the visuals change deck on a beat, with that beat's one pulse;
// - the followed deck stops while another plays: the next deck is chosen at once (the loudest,
//   else the one started last) and shows from its next boundary, with that beat's pulse; until
//   then the stopped deck's channels hold.
// A lead that does not last half a beat is forgotten; a decided switch waits for its boundary,
// and is given up when its deck stops first. No switch ever shows between two beats. At first it
// takes the loudest deck, else the one that started playing last, else deck 1.
#pragma once

#include "beat/MixerLevels.h"

namespace orvbeat
{

struct OnAirClock
{
    bool playing = false;
    bool pulse = false; // a new beat began this frame
    double bpm = 0.0;
};

class OnAirDeck
{
public:
    static constexpr double margin = 0.1;

    void reset() { *this = OnAirDeck(); }
    // One frame at host time `nowSeconds`. Returns the followed deck's slot (0 to 3);
    // `switched` is true on the frame it changed (not on the first choice).
    int update(const double levels[kMixerDecks], const OnAirClock clocks[kMixerDecks],
               double nowSeconds, bool& switched);

private:
    // The deck that should be followed now, or -1 when the followed one should stay.
    int wanted(const double levels[kMixerDecks], const OnAirClock clocks[kMixerDecks]) const;
    int latestStarted(const OnAirClock clocks[kMixerDecks]) const;

    int followed_ = -1;
    int candidate_ = -1;
    double leadingSince_ = 0.0;
    bool decided_ = false;
    bool wasPlaying_[kMixerDecks] = {};
    double startedAt_[kMixerDecks] = {};
};

} // namespace orvbeat
