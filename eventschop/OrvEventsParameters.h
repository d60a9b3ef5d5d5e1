// The events operator's names as the host shows them (its type and label, the parameters and
// their menu items), and how the node declares and reads its parameters: "ORV DAT"
// (plugin/OrvDatParameter.h), "Output" and "Track Changes". The plug-in info, the declarations
// and the cook all go through here.
#pragma once

#include "plugin/OrvDatParameter.h"

#include "CPlusPlus_Common.h"

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

class OrvEventsParameters : public orvplugin::OrvDatParameter
{
public:
    // "ORV DAT", "Output", "Track Changes", in that order.
    static void setup(TD::OP_ParameterManager& manager);

    static Output evalOutput(const TD::OP_Inputs& inputs);
    static bool evalTrackChanges(const TD::OP_Inputs& inputs);
};

} // namespace orvevents
