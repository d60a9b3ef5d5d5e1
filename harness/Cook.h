// One cook of one plug-in node, in the host's call order. Internal to the harness.
#pragma once

#include <cstdint>

namespace orvharness
{

class Network;
class Node;

// getGeneralInfo, execute, getWarningString, getErrorString.
void cookDat(const Network& network, Node& node, int64_t frame);

// getGeneralInfo, getOutputInfo, getChannelName per channel (when getOutputInfo answered
// true), execute, getWarningString, getErrorString.
void cookChop(const Network& network, Node& node, int64_t frame);

} // namespace orvharness
