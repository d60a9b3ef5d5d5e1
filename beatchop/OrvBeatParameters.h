// The beat operator's names as the host shows them (its type and label, the parameters and
// their menu items), and how the node declares and reads its parameters: the declarations
// (setup) and one typed read for each. The plug-in info, the declarations and the cook all go
// through here.
#pragma once

#include "beat/MixerLevels.h"
#include "beat/TrackerSettings.h"
#include "plugin/OrvDatParameter.h"

#include "CPlusPlus_Common.h"

#include <cstdint>

namespace orvbeat
{

inline constexpr const char* kOpType = "Orvbeat";
inline constexpr const char* kOpLabel = "ORV Beat";

// Which deck's clock: one of the four, all four side by side, or the one the audience hears.
inline constexpr const char* kDeckName = "Deck";
inline constexpr const char* kDeckLabel = "Deck";
inline constexpr const char* kDeckItemNames[] = {"deck1", "deck2", "deck3",
                                                 "deck4", "all",   "onair"};
inline constexpr const char* kDeckItemLabels[] = {"1", "2", "3", "4", "All", "On Air"};
inline constexpr int kAllDecksItem = 4;
inline constexpr int kOnAirItem = 5;

// On Air: which decks feed the mixer's two channels, and how the crossfader counts.
inline constexpr const char* kChannelADecksName = "Channeladecks";
inline constexpr const char* kChannelADecksLabel = "Channel A Decks";
inline constexpr const char* kChannelADecksDefault = "1 3";
inline constexpr const char* kChannelBDecksName = "Channelbdecks";
inline constexpr const char* kChannelBDecksLabel = "Channel B Decks";
inline constexpr const char* kChannelBDecksDefault = "2 4";
inline constexpr const char* kCrossfaderRangeName = "Crossfaderrange";
inline constexpr const char* kCrossfaderRangeLabel = "Crossfader Range";
inline constexpr const char* kCrossfaderRangeItemNames[] = {"zerotoone", "minusonetoone"};
inline constexpr const char* kCrossfaderRangeItemLabels[] = {"0 to 1", "-1 to 1"};

// Milliseconds the channels are read ahead of the cook's time (behind when negative).
inline constexpr const char* kOffsetName = "Offset";
inline constexpr const char* kOffsetLabel = "Offset (ms)";
inline constexpr double kMostOffsetMs = 500.0;

inline constexpr const char* kBeatsPerBarName = "Beatsperbar";
inline constexpr const char* kBeatsPerBarLabel = "Beats per Bar";
inline constexpr int32_t kDefaultBeatsPerBar = 4; // the most is the clock's kMostBeatsPerBar

// Whether the sender's BPM already includes Pitch; off: the clock runs at BPM x Pitch.
inline constexpr const char* kBpmIncludesPitchName = "Bpmincludespitch";
inline constexpr const char* kBpmIncludesPitchLabel = "BPM Includes Pitch";

// The groups of channels beside the clock's own, each switched on by a toggle (default off, so
// a saved project's channels stay as they were).
inline constexpr const char* kPhraseName = "Phrase";
inline constexpr const char* kPhraseLabel = "Phrase";
inline constexpr const char* kBarsPerPhraseName = "Barsperphrase";
inline constexpr const char* kBarsPerPhraseLabel = "Bars per Phrase";
inline constexpr int32_t kDefaultBarsPerPhrase = 8;
inline constexpr const char* kPhraseOffsetName = "Phraseoffset";
inline constexpr const char* kPhraseOffsetLabel = "Phrase Offset (bars)";
inline constexpr int32_t kMostPhraseOffset = 64;
inline constexpr const char* kWarnBeatsName = "Warnbeats";
inline constexpr const char* kWarnBeatsLabel = "Warn Beats";
inline constexpr int32_t kDefaultWarnBeats = 4;
inline constexpr const char* kTrackEndName = "Trackend";
inline constexpr const char* kTrackEndLabel = "Track End";
inline constexpr const char* kMixName = "Mix";
inline constexpr const char* kMixLabel = "Mix";
inline constexpr const char* kCuesName = "Cues";
inline constexpr const char* kCuesLabel = "Cues";

struct ChannelGroups
{
    bool phrase = false;
    bool trackEnd = false;
    bool mix = false; // On Air only
    bool cues = false;
};

class OrvBeatParameters : public orvplugin::OrvDatParameter
{
public:
    // "ORV DAT", "Deck", "Beats per Bar", "BPM Includes Pitch", the three On Air settings,
    // "Offset (ms)", then the groups: "Phrase" with "Bars per Phrase", "Phrase Offset (bars)" and
    // "Warn Beats", "Track End", "Mix", "Cues", in that order.
    static void setup(TD::OP_ParameterManager& manager);

    // The "Deck" menu's item: 0 to 3 for decks 1 to 4, kAllDecksItem, kOnAirItem.
    static int evalDeckItem(const TD::OP_Inputs& inputs);
    // "Beats per Bar", "BPM Includes Pitch", "Offset (ms)" and, `withPhrase`, the phrase
    // settings (else their defaults) as the clock reads them.
    static TrackerSettings evalTrackerSettings(const TD::OP_Inputs& inputs, bool withPhrase);
    // The groups switched on; "Mix" counts only for On Air.
    static ChannelGroups evalChannelGroups(const TD::OP_Inputs& inputs, bool onAir);
    // The phrase settings can be changed only while "Phrase" is on.
    static void enablePhraseParameters(const TD::OP_Inputs& inputs, bool phrase);

    // The On Air settings, and whether the host lets the user change them (only for On Air).
    static ChannelDecks evalChannelADecks(const TD::OP_Inputs& inputs);
    static ChannelDecks evalChannelBDecks(const TD::OP_Inputs& inputs);
    static CrossfaderRange evalCrossfaderRange(const TD::OP_Inputs& inputs);
    static void enableOnAirParameters(const TD::OP_Inputs& inputs, bool enable);
};

} // namespace orvbeat
