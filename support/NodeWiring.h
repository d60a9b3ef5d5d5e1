// Nodes of the real bundles in the headless host, wired as a TouchDesigner user wires them: an
// OrvDat node, channel, beat and events nodes whose "Orvdat" parameter names it, and the OrvDat
// node connected with "Reconnect". For the tool's live commands, the benchmarks and the tests.
// Thread rules: the Network's (one thread).
#pragma once

#include "harness/Bundle.h"
#include "harness/Network.h"

#include <string>
#include <variant>
#include <vector>

namespace orvsupport
{

// A parameter value as the host sets it: a whole number (a toggle, a port, a menu index), a
// number, or a text (a menu item's name, a node's name, an address).
struct Setting
{
    std::string name;
    std::variant<int, double, std::string> value;
};

// Sets each of `settings` in turn. False at the first one the host refuses, with the node's
// name and the host's reason in `error`.
bool applySettings(orvharness::Network& network, orvharness::NodeId node,
                   const std::vector<Setting>& settings, std::string& error);

// A node of `bundle` named `name`, with `settings` applied. noNode, with the reason in `error`,
// when the host refuses the node or a setting (the node is then gone again).
orvharness::NodeId addNode(orvharness::Network& network, const orvharness::Bundle& bundle,
                           const std::string& name, const std::vector<Setting>& settings,
                           std::string& error);

// The same for a node that reads the OrvDat node `orvName`: its "Orvdat" names it, then
// `settings` follow.
orvharness::NodeId addReader(orvharness::Network& network, const orvharness::Bundle& bundle,
                             const std::string& name, const std::string& orvName,
                             const std::vector<Setting>& settings, std::string& error);

// Connects the OrvDat node with the parameters it has now: one frame (a cook copies them into
// its receiver), then "Reconnect". False, with the reason in `error`, when the node has no such
// pulse; a failed bind shows as the node's error text from the next cook on.
bool reconnect(orvharness::Network& network, orvharness::NodeId orv, std::string& error);

} // namespace orvsupport
