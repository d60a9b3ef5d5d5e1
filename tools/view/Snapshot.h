// What the tool shows at one refresh: the table and the channels as the host would show
// them, the nodes' texts, the node's settings and any notes (diagnostics, simulator lines).
#pragma once

#include "harness/Table.h"
#include "protocol/WireSchema.h"

#include <cstdint>
#include <string>
#include <vector>

namespace orvtool
{

// The table node's network parameters.
struct NodeSettings
{
    std::string ip = orvprotocol::defaultIp;
    uint16_t port = orvprotocol::defaultPort;
    bool multicast = false;
    std::string filter;
};

struct Snapshot
{
    double seconds = 0.0; // since the command started
    int64_t frame = 0;    // frames cooked so far
    // Whether the table node wrote its cells in the last cook, which it does only while its
    // receiver is connected.
    bool connected = false;
    std::string error;     // the table node's error text
    std::string warning;   // the table node's warning text
    std::string hostError; // what the headless host found wrong, if anything
    NodeSettings node;
    std::string bundleDir;
    orvharness::Table table;
    // Sample 0 of each of the channel node's channels; NaN where no cook has written.
    std::vector<float> channels;
    // The beat node's channels (all four decks: deck1_beat_ramp ... deck4_locked), sample 0
    // of each, and their names.
    std::vector<float> beat;
    std::vector<std::string> beatNames;
    std::vector<std::string> notes;
};

} // namespace orvtool
