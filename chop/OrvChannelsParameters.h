// The channel operator's names as the host shows them, used by the plug-in info, the
// parameter declaration and the cook alike.
#pragma once

namespace orvchannels
{

inline constexpr const char* kOpType = "Orvchannels";
inline constexpr const char* kOpLabel = "ORV Channels";

inline constexpr const char* kOrvDatName = "Orvdat";
inline constexpr const char* kOrvDatLabel = "ORV DAT";

} // namespace orvchannels
