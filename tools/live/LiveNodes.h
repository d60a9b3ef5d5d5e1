// The four real bundles in the headless host, wired as a TouchDesigner user wires them: one
// OrvDat node ("orv1"), one OrvChannels node ("channels1"), two OrvBeat nodes, "beat1" for
// all four decks and "onair1" following the deck the audience hears (its mixer channels and
// crossfader range as they come), both with every group of channels on (phrases, the track's
// end, cues and loops, and for On Air the mix), and one OrvEvents node ("events1", counting, with
// the track changes), whose "Orvdat" parameters name it. Everything the tool shows comes from what
// these nodes hand the host. Thread rules: one thread (the host's cook thread, played by the
// caller).
#pragma once

#include "harness/Bundle.h"
#include "harness/Network.h"
#include "live/BundleLocator.h"
#include "view/Snapshot.h"

#include <memory>
#include <string>

namespace orvtool
{

class LiveNodes
{
public:
    // Loads the four bundles and creates the five nodes; null with the reason in `error`.
    static std::unique_ptr<LiveNodes> create(const BundlePaths& bundles, std::string& error);
    ~LiveNodes();
    LiveNodes(const LiveNodes&) = delete;
    LiveNodes& operator=(const LiveNodes&) = delete;

    // Sets "Ip", "Port", "Multicast" and "Ipfilter", cooks one frame (the node copies its
    // parameters into the receiver when it cooks) and presses "Reconnect". False when the
    // host refused a parameter; a failed connect shows as the node's error text.
    bool connect(const NodeSettings& settings, std::string& error);
    // Sets the same parameters and turns "Active" on, then cooks one frame (which connects):
    // the node keeps itself connected and, while its address is taken, tries again every
    // 2 s. False when the host refused a parameter.
    bool activate(const NodeSettings& settings, std::string& error);
    // "Reset": the receiver disconnects (it keeps what it received).
    void disconnect();

    // Cooks every node once; `seconds` (the caller's clock, as in snapshot()) dates a change
    // of the deck the On Air node follows.
    void cookFrame(double seconds);
    int64_t frame() const { return network_.frame(); }
    std::string errorText() const;
    // Whether the table node wrote its cells in the last cook: it does so only while its
    // receiver is connected.
    bool isConnected() const;

    // The current table, channels and texts, and the table node's Info CHOP and Info DAT
    // (asked for now, between frames, as the host asks when someone looks at them; hence not
    // const). `seconds` and `notes` are the caller's.
    Snapshot snapshot(double seconds);
    const NodeSettings& settings() const { return settings_; }

private:
    LiveNodes() = default;
    void followOnAir(double seconds);
    void followEvents(double seconds);
    bool setNetworkParameters(const NodeSettings& settings, std::string& error);

    // Declared before the network: the bundles must outlive the nodes made from them.
    std::unique_ptr<orvharness::Bundle> datBundle_;
    std::unique_ptr<orvharness::Bundle> channelsBundle_;
    std::unique_ptr<orvharness::Bundle> beatBundle_;
    std::unique_ptr<orvharness::Bundle> eventsBundle_;
    orvharness::Network network_;
    orvharness::NodeId table_ = orvharness::noNode;
    orvharness::NodeId channels_ = orvharness::noNode;
    orvharness::NodeId beat_ = orvharness::noNode;
    orvharness::NodeId onAir_ = orvharness::noNode;
    orvharness::NodeId events_ = orvharness::noNode;
    std::vector<EventCount> eventCounts_; // the events node's, with when each last moved
    float onAirDeck_ = 0.0f;              // the deck "onair1" follows; 0 before it wrote one
    int onAirSwitches_ = 0;
    double onAirSwitchedAt_ = -1.0;
    NodeSettings settings_;
    std::string bundleFolder_;
};

} // namespace orvtool
