// The events operator's names as the host shows them: its type and label, the parameters and
// their menu items, used by the plug-in info, the declarations and the cook alike.
#pragma once

namespace orvevents
{

inline constexpr const char* kOpType = "Orvevents";
inline constexpr const char* kOpLabel = "ORV Events";

// What each event's channel holds. The first item is the default.
inline constexpr const char* kOutputName = "Output";
inline constexpr const char* kOutputLabel = "Output";
inline constexpr const char* kOutputItemNames[] = {"value", "pulse", "count"};
inline constexpr const char* kOutputItemLabels[] = {"Value", "Pulse", "Count"};
enum class Output
{
    Value = 0,
    Pulse = 1,
    Count = 2,
};

// Whether the four decks' track changes come before the events.
inline constexpr const char* kTrackChangesName = "Trackchanges";
inline constexpr const char* kTrackChangesLabel = "Track Changes";

} // namespace orvevents
