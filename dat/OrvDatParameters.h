// Everything the host shows of the table operator by name, and how the node declares and reads
// it: its label, the parameter names and labels, their declaration (setup) and one typed read
// for each. The declarations, the pulse handling and the cook all go through here, so they
// cannot drift apart. The table's rows and texts are the protocol's (protocol/NodeLayout.h).
#pragma once

#include "CPlusPlus_Common.h"

#include <cstdint>

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

class OrvDatParameters
{
public:
    // Declares the seven parameters in their saved order. "IP" and "Port" default to what the
    // receiver holds when the host asks.
    static void setup(TD::OP_ParameterManager& manager, const char* defaultIp,
                      std::uint32_t defaultPort);

    // The texts are the host's, valid until the call into the plug-in returns; never null.
    static const char* evalIp(const TD::OP_Inputs& inputs);
    // The receiver uses the low 16 bits; 0 meets its "Port is 0" check.
    static std::uint32_t evalPort(const TD::OP_Inputs& inputs);
    static bool evalMulticast(const TD::OP_Inputs& inputs);
    static const char* evalIpFilter(const TD::OP_Inputs& inputs);
    static bool evalActive(const TD::OP_Inputs& inputs);
};

} // namespace orvdat
