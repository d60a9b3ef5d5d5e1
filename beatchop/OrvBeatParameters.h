// The beat operator's names as the host shows them: its type and label, the parameters and
// their menu items, used by the plug-in info, the declarations and the cook alike.
#pragma once

#include "beat/TrackerSettings.h"

#include <cstdint>

namespace orvbeat
{

inline constexpr const char* kOpType = "Orvbeat";
inline constexpr const char* kOpLabel = "ORV Beat";

// Which deck's clock: one of the four, or all four side by side.
inline constexpr const char* kDeckName = "Deck";
inline constexpr const char* kDeckLabel = "Deck";
inline constexpr const char* kDeckItemNames[] = {"deck1", "deck2", "deck3", "deck4", "all"};
inline constexpr const char* kDeckItemLabels[] = {"1", "2", "3", "4", "All"};
inline constexpr int kAllDecksItem = 4;

inline constexpr const char* kBeatsPerBarName = "Beatsperbar";
inline constexpr const char* kBeatsPerBarLabel = "Beats per Bar";
inline constexpr int32_t kDefaultBeatsPerBar = 4; // the most is the clock's kMostBeatsPerBar

// Whether the sender's BPM already includes Pitch; off: the clock runs at BPM x Pitch.
inline constexpr const char* kBpmIncludesPitchName = "Bpmincludespitch";
inline constexpr const char* kBpmIncludesPitchLabel = "BPM Includes Pitch";

} // namespace orvbeat
