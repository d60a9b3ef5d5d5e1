// The channel operator's names as the host shows them, and how the node declares and reads its
// parameters: "ORV DAT" (plugin/OrvDatParameter.h) and "Channel Names". The plug-in info, the
// declarations and the cook all go through here.
#pragma once

#include "plugin/OrvDatParameter.h"

#include "CPlusPlus_Common.h"

namespace orvchannels
{

inline constexpr const char* kOpType = "Orvchannels";
inline constexpr const char* kOpLabel = "ORV Channels";

// How the channels are named. The first item is the default, the host's own name for every
// channel, so projects saved before the menu existed keep their channel names.
inline constexpr const char* kChannelNamesName = "Channelnames";
inline constexpr const char* kChannelNamesLabel = "Channel Names";
inline constexpr const char* kChannelNamesItemNames[] = {"compatible", "descriptive"};
inline constexpr const char* kChannelNamesItemLabels[] = {"chan1 (compatible)", "Descriptive"};
inline constexpr int kDescriptiveNames = 1;

class OrvChannelsParameters : public orvplugin::OrvDatParameter
{
public:
    // "ORV DAT", then "Channel Names".
    static void setup(TD::OP_ParameterManager& manager);

    // Whether "Channel Names" is "Descriptive".
    static bool evalDescriptiveNames(const TD::OP_Inputs& inputs);
};

} // namespace orvchannels
