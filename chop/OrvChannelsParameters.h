// The channel operator's names as the host shows them, used by the plug-in info, the
// parameter declaration and the cook alike.
#pragma once

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

} // namespace orvchannels
