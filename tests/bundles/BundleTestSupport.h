// What the bundle suites share: the real bundle files loaded once per suite, a network of the
// headless host per test with the nodes wired as a user wires them, a loopback sender of state
// datagrams, and waits with deadlines.
#pragma once

#include "harness/Bundle.h"
#include "harness/Network.h"
#include "msgpack/MsgPack.h"
#include "protocol/RecordEncoding.h"
#include "protocol/WireSchema.h"
#include "support/LoopbackSocket.h"
#include "support/UdpPorts.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace orvtest
{

using Map = orvpack::MsgPack::object;

// The datagram builders, ports and loopback sockets of the tests and benchmarks, by the names
// these suites call them.
using orvprotocol::datagram;
using orvsupport::freeUdpPort;
using orvsupport::loopbackAddressesAreSeparate;
using orvsupport::LoopbackSocket;
using orvsupport::udpPortIsFree;

constexpr std::chrono::milliseconds defaultDeadline{5000};

// Cooks frames until `done` holds, at most `deadline` long. True when it held.
bool cookUntil(orvharness::Network& net, const std::function<bool()>& done,
               std::chrono::milliseconds deadline = defaultDeadline);

// A node's Info CHOP channel by name (NaN when it has none), and its Info DAT value by row name
// (absent: "<no row NAME>").
float infoChannel(orvharness::Network& net, orvharness::NodeId node, const std::string& name);
std::string infoRow(orvharness::Network& net, orvharness::NodeId node, const std::string& name);

// A suite over the real bundles. Each test gets a fresh network.
class BundleTest : public testing::Test
{
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    // A table node, its "Port" set to a free port (in `port`). Not connected.
    orvharness::NodeId createOrv(const std::string& name, uint16_t& port);
    // A channel node pointing at `orvName` ("" for none).
    orvharness::NodeId createChannels(const std::string& name, const std::string& orvName);
    // An events node pointing at `orvName`.
    orvharness::NodeId createEvents(const std::string& name, const std::string& orvName);
    // A node of `bundle` pointing at `orvName`.
    orvharness::NodeId createReader(const orvharness::Bundle& bundle, const std::string& name,
                                    const std::string& orvName);
    // "Reconnect", then one frame.
    void reconnect(orvharness::NodeId orv);

    // Sends and cooks until the table of `orv` satisfies `done`.
    bool sendAndWait(uint16_t port, const std::string& bytes, const std::function<bool()>& done);

    static std::unique_ptr<orvharness::Bundle> datBundle;
    static std::unique_ptr<orvharness::Bundle> chopBundle;
    static std::unique_ptr<orvharness::Bundle> beatBundle;
    static std::unique_ptr<orvharness::Bundle> eventsBundle;
    std::unique_ptr<orvharness::Network> net;
    LoopbackSocket sender;
};

} // namespace orvtest
