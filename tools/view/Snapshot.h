// What the tool shows at one refresh: the table and the channels as the host would show
// them, the nodes' texts, the node's settings and any notes (diagnostics, simulator lines).
#pragma once

#include "harness/InfoOutputs.h"
#include "harness/Table.h"
#include "protocol/WireSchema.h"

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace orvtool
{

// The table node's network parameters.
struct NodeSettings
{
    std::string ip = orvprotocol::kDefaultIp;
    uint16_t port = orvprotocol::kDefaultPort;
    bool multicast = false;
    std::string filter;
};

// The On Air beat node ("onair1"): the clock of the deck the audience hears, and when that
// deck last changed.
struct OnAirClock
{
    // Sample 0 of each channel (beat_ramp ... locked, deck, then the phrase, track end, mix and
    // cues groups), NaN where no cook wrote, and their names.
    std::vector<float> values;
    std::vector<std::string> names;
    int switches = 0;         // how often the followed deck changed while the tool watched
    double switchedAt = -1.0; // the last change, in the snapshot's seconds; < 0: none yet

    // The channel named `name`; NaN when there is none or nothing was written.
    float value(const std::string& name) const
    {
        for (size_t k = 0; k < names.size() && k < values.size(); ++k)
        {
            if (names[k] == name)
                return values[k];
        }
        return std::numeric_limits<float>::quiet_NaN();
    }
};

// The events node's channels (Output "Count", Track Changes on): deck1_track .. deck4_track,
// then one per event name in the order the names first arrived, each with how many datagrams
// set it and when that count last moved.
struct EventCount
{
    std::string name;
    float count = 0.0f;
    double changedAt = -1.0; // in the snapshot's seconds; < 0: not while the tool watched
};

// The table node's Info CHOP and Info DAT, read through the host's calls as an Info CHOP and
// an Info DAT pointed at the node read them: how many datagrams arrived, which were dropped
// and why, how long ago, from whom, and where the node is bound.
struct NodeInfo
{
    std::vector<orvharness::InfoChannel> channels;
    orvharness::InfoTable rows; // {name, value} each

    // The channel named `name`; NaN when the node shows none.
    double channel(const std::string& name) const
    {
        for (const orvharness::InfoChannel& c : channels)
        {
            if (c.name == name)
                return c.value;
        }
        return std::numeric_limits<double>::quiet_NaN();
    }
    // The value of the row named `name`; "" when the node shows none.
    std::string row(const std::string& name) const
    {
        for (const std::vector<std::string>& cells : rows)
        {
            if (cells.size() >= 2 && cells[0] == name)
                return cells[1];
        }
        return std::string();
    }
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
    // The beat node's channels (all four decks: deck1_beat_ramp ... deck4_locked, then each
    // deck's phrase, track end and cues groups), sample 0 of each, and their names.
    std::vector<float> beat;
    std::vector<std::string> beatNames;
    OnAirClock onAir;
    NodeInfo info; // the table node's
    std::vector<EventCount> events;
    std::vector<std::string> notes;
};

} // namespace orvtool
