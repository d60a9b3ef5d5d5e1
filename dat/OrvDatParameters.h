// Everything the host shows of the table operator by name: its type and label and the
// parameter names and labels. The declarations in setupParameters, the pulse handling and the
// cook all read these, so they cannot drift apart. The table's rows and texts are the
// protocol's (protocol/NodeLayout.h).
#pragma once

namespace orvdat
{

// The type is orvplugin::kOrvDatOpType, which the channel operators recognise.
inline constexpr const char* kOpLabel = "ORV";

inline constexpr const char* kIpName = "Ip";
inline constexpr const char* kIpLabel = "IP";
inline constexpr const char* kPortName = "Port";
inline constexpr const char* kPortLabel = "Port";
inline constexpr const char* kMulticastName = "Multicast";
inline constexpr const char* kMulticastLabel = "Multicast Listen";
inline constexpr const char* kIpFilterName = "Ipfilter";
inline constexpr const char* kIpFilterLabel = "IP Filter";
// "Reconnect" is declared without a label; the host shows one of its own.
inline constexpr const char* kReconnectName = "Reconnect";
inline constexpr const char* kResetName = "Reset";
inline constexpr const char* kResetLabel = "Reset";
// A toggle, off by default: on, the node connects by itself and stays connected (Active.cpp).
inline constexpr const char* kActiveName = "Active";
inline constexpr const char* kActiveLabel = "Active";

} // namespace orvdat
