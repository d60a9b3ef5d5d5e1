// The headless host: a flat network of nodes that it cooks frame by frame, the way the host
// application drives custom operators.
//
//   std::string error;
//   auto dat = orvharness::Bundle::load("OrvDat.so", error);      // null + error on failure
//   auto chop = orvharness::Bundle::load("OrvChannels.so", error);
//   orvharness::Network net;
//   orvharness::NodeId orv = net.createNode(*dat, "orv1");
//   orvharness::NodeId ch = net.createNode(*chop, "channels1");
//   net.setParameter(orv, "Ip", "127.0.0.1");
//   net.setParameter(orv, "Port", 3650);
//   net.setParameter(ch, "Orvdat", "orv1");     // a DAT reference: the other node's name
//   net.pulse(orv, "Reconnect");
//   net.cookFrame();
//   net.table(orv).cell(1, 0).text;             // "Title"
//   net.channels(ch)[0][0];                     // channel 0, sample 0
//   net.errorText(orv); net.warningText(orv);
//   net.infoChannels(orv);                      // the node's Info CHOP: {name, value} each
//   net.infoTable(orv);                         // its Info DAT: rows of cells
//
// What the host does, and so what the harness does:
// - createNode calls the bundle's Create...Instance with an OP_NodeInfo (opPath
//   "/project1/<name>", a unique opId, the bundle's path), then setupParameters once; every
//   parameter starts at its declared default (string: the default text or "", numeric: the
//   default values, menus: the default item).
// - pulse calls pulsePressed at once (between frames, not in a cook).
// - cookFrame cooks every plug-in node once, in creation order, whatever cookEveryFrame says
//   (the answer is kept: cookEveryFrame(id)). A table node gets getGeneralInfo, execute,
//   getWarningString, getErrorString. A channel node gets getGeneralInfo, getOutputInfo,
//   getChannelName for each channel if getOutputInfo answered true, execute,
//   getWarningString, getErrorString. The warning and error texts are copied after every
//   cook (an empty text means none); a plug-in that never hands one over leaves it "".
// - getParString never returns null ("" for an unknown name or a numeric parameter).
//   getParInt rounds to nearest; a menu gives its item index.
// - getParDAT (and getDAT) resolve the parameter's text (a node name, or "/project1/<name>")
//   to a node of this network. No such node, an empty text, or a node that is not a table:
//   null. A plug-in table node: a record whose customOP block carries the node's instance,
//   its operator type (the bundle's opType, unless setReportedOpType changed it) and
//   versions, plus the node's current cells. A built-in table (createBuiltinTable): a record
//   with its cells and customOP null, as for any table that is no custom operator.
//   Records stay valid until the call into the plug-in that asked for them returns.
// - destroyNode calls Destroy...Instance, then clears (sets to "") every DAT or CHOP
//   reference parameter of other nodes that named the destroyed node, so the next cook
//   resolves it to nothing. The Network's destructor destroys the remaining nodes, newest
//   first.
// - Everything handed to a plug-in lives until the call returns; every text handed back is
//   copied. No exception leaves the harness into a bundle; an exception that leaves a bundle
//   is caught and reported in hostErrorText.
// - infoChannels and infoTable ask the plug-in at the moment they are called, as the host does
//   when someone looks at an Info CHOP or Info DAT (see InfoOutputs.h), between frames.
// - Host-side problems (a refused table or channel shape, a cell written outside the table,
//   an exception out of the plug-in) are collected in hostErrorText(id), one line each,
//   from the node's creation on; they never touch the plug-in's own error text.
//
// Thread rules: a Network, its nodes and the bundles they come from are used from one
// thread, like the host's cook thread. The plug-ins may run threads of their own; the
// harness never calls them from any thread but the caller's.
#pragma once

#include "harness/Bundle.h"
#include "harness/ChannelOutput.h"
#include "harness/InfoOutputs.h"
#include "harness/ParameterRecord.h"
#include "harness/Table.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace orvharness
{

// Identifies a node of one Network. Ids are never reused; noNode means "none".
using NodeId = uint32_t;
constexpr NodeId noNode = 0;

enum class NodeKind
{
    PluginDat,    // a table node made from a DAT bundle
    PluginChop,   // a channel node made from a CHOP bundle
    BuiltinTable, // a plain table that is no custom operator
};

class Node;

class Network
{
public:
    Network();
    ~Network();
    Network(const Network&) = delete;
    Network& operator=(const Network&) = delete;

    // Creates a node from `bundle` (which must outlive it). Returns noNode, with the reason in
    // lastError(), when the name is empty, already taken, or the bundle's create returned
    // null or threw.
    NodeId createNode(const Bundle& bundle, const std::string& name);
    // A plain table node, no plug-in: `cells` row by row (rows may differ in length; the
    // table is as wide as the longest).
    NodeId createBuiltinTable(const std::string& name,
                              const std::vector<std::vector<std::string>>& cells = {});
    // False when there is no such node.
    bool destroyNode(NodeId id);

    NodeId find(const std::string& name) const;
    std::vector<NodeId> nodes() const; // in creation order
    bool exists(NodeId id) const;
    NodeKind kind(NodeId id) const; // PluginDat for an unknown id
    std::string name(NodeId id) const;
    std::string path(NodeId id) const; // "/project1/<name>"
    const std::string& lastError() const { return lastError_; }

    // Every append setupParameters made, in order, including refused ones (see result).
    std::vector<ParameterRecord> parameters(NodeId id) const;
    // Asks the plug-in for its parameters again, as the host does when it rebuilds them.
    // Parameters that keep their name and kind keep their current value.
    bool refreshParameters(NodeId id);

    // Set a parameter between frames. False (reason in lastError) when the node or the
    // accepted parameter does not exist, or the value does not fit its kind. A text for a
    // numeric parameter must read fully as a number; a number for a string parameter is
    // refused. Toggles store 0 or 1; clamped ends of the record are applied; a menu takes an
    // item name (text) or index (number).
    bool setParameter(NodeId id, const std::string& name, const std::string& text);
    bool setParameter(NodeId id, const std::string& name, const char* text);
    bool setParameter(NodeId id, const std::string& name, int value);
    bool setParameter(NodeId id, const std::string& name, double value);
    bool setParameterComponent(NodeId id, const std::string& name, int32_t component, double value);
    // The current values, as getParString / getParDouble would serve them.
    std::string parameterText(NodeId id, const std::string& name) const;
    double parameterValue(NodeId id, const std::string& name, int32_t component = 0) const;

    // Presses a declared pulse (or momentary) parameter: pulsePressed(name). False, without
    // calling the plug-in, when the node has no such accepted parameter.
    bool pulse(NodeId id, const std::string& name);
    // Hands any name to pulsePressed, declared or not (e.g. to check that a plug-in ignores a
    // name that differs in case). False only when the node is no plug-in node.
    bool pulseAnyName(NodeId id, const std::string& name);

    // The operator type that customOP blocks pointing at this node carry from now on (to
    // test how a plug-in treats a custom operator of another type).
    bool setReportedOpType(NodeId id, const std::string& opType);

    // Cooks every plug-in node once, in creation order.
    void cookFrame();
    // Frames cooked so far.
    int64_t frame() const { return frame_; }

    // A copy of the node's table (empty for a channel node or an unknown id).
    Table table(NodeId id) const;
    // The node's channel samples, channels(id)[channel][sample] (empty for a table node).
    std::vector<std::vector<float>> channels(NodeId id) const;
    ChannelOutput channelOutput(NodeId id) const;

    // The texts handed over by getErrorString / getWarningString in the last cook.
    std::string errorText(NodeId id) const;
    std::string warningText(NodeId id) const;
    // Everything the host itself found wrong with the node since it was created, one line
    // each (the first 64 are kept); "" when nothing.
    std::string hostErrorText(NodeId id) const;
    // The node's Info CHOP channels and Info DAT cells, asked for now (empty for an unknown id
    // or a built-in table).
    std::vector<InfoChannel> infoChannels(NodeId id);
    InfoTable infoTable(NodeId id);
    // What the last getGeneralInfo answered.
    bool cookEveryFrame(NodeId id) const;
    int64_t cookCount(NodeId id) const;

    // For the harness's own parts (reference resolution): the node named by a reference
    // text, or null.
    Node* resolve(const std::string& reference) const;

private:
    Node* nodeById(NodeId id) const;

    std::vector<std::unique_ptr<Node>> nodes_;
    NodeId nextId_ = 1;
    int64_t frame_ = 0;
    std::string lastError_;
};

} // namespace orvharness
