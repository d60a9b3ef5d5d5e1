// How loud each deck reaches the audience, from the mixer's two channels and its crossfader.
//
// Which deck feeds which channel is the DJ's own setup, so it is a setting: a deck on channel A
// is heard at UpfaderA x the crossfader's gain for side A, one on channel B likewise; a deck on
// neither is not heard (level 0), one on both takes the louder. The crossfader's gain for a side
// is 1 at that side's end and falls linearly to 0 at the other end (A's end is the range's low
// end). Faders are read as 0 to 1; a value that is not a number counts as 0 (a crossfader that
// is not a number: the middle).
#pragma once

namespace orvbeat
{

inline constexpr int kMixerDecks = 4;

enum class CrossfaderRange
{
    ZeroToOne,     // 0 (A) to 1 (B)
    MinusOneToOne, // -1 (A) to 1 (B)
};

struct MixerState
{
    double upfaderA = 0.0;
    double upfaderB = 0.0;
    double crossfader = 0.0;
};

// The decks on one mixer channel: bit k-1 for deck k.
using ChannelDecks = unsigned;

// The deck numbers 1 to 4 in `text` ("1 3", "1,3"); anything else in it is skipped.
ChannelDecks channelDecksOf(const char* text);

// levels[k-1]: how loud deck k is heard, 0 for a deck that is not playing.
void deckLevels(const MixerState& mixer, CrossfaderRange range, ChannelDecks channelA,
                ChannelDecks channelB, const bool playing[kMixerDecks], double levels[kMixerDecks]);

} // namespace orvbeat
