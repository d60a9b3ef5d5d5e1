// What the bundle suites share: the real bundle files loaded once per suite, a network of the
// headless host per test, a loopback sender of state datagrams, and waits with deadlines.
#pragma once

#include "harness/Bundle.h"
#include "harness/Network.h"
#include "msgpack/MsgPack.h"
#include "net/Udp.h"
#include "protocol/WireSchema.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace orvtest
{

using Map = orvpack::MsgPack::object;

// One state datagram: the type byte, then the map as MessagePack.
std::string datagram(MessageType type, const Map& payload);

// A port on `ip` that nothing was bound to a moment ago: bound with port 0, read, released.
uint16_t freeUdpPort(const std::string& ip = "127.0.0.1");

// Whether a UDP socket could bind ip:port right now (so nothing holds it).
bool udpPortIsFree(const std::string& ip, uint16_t port);

// Whether sockets bound to different loopback addresses stay apart: a datagram from 127.0.0.9
// shows that sender, not 127.0.0.1. Wine binds such sockets to the loopback interface
// instead, so there every sender reads 127.0.0.1 and the addresses share their ports.
bool loopbackAddressesAreSeparate();

// Sends datagrams from a socket bound to `fromIp` (any address of 127.0.0.0/8).
class LoopbackSender
{
public:
    explicit LoopbackSender(const std::string& fromIp = "127.0.0.1");
    ~LoopbackSender();
    LoopbackSender(const LoopbackSender&) = delete;
    LoopbackSender& operator=(const LoopbackSender&) = delete;

    void send(uint16_t port, const std::string& bytes, const std::string& toIp = "127.0.0.1");
    // The port the system gave the sender, as a receiver sees it.
    uint16_t port() const { return orv::udp::localPort(socket_); }

private:
    orv::SocketHandle socket_ = orv::kInvalidSocket;
};

// A socket bound to ip:port for as long as it lives, to make a bind of the receiver fail.
class PortHolder
{
public:
    PortHolder(const std::string& ip, uint16_t port);
    ~PortHolder();
    PortHolder(const PortHolder&) = delete;
    PortHolder& operator=(const PortHolder&) = delete;

private:
    orv::SocketHandle socket_ = orv::kInvalidSocket;
};

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
    // "Reconnect", then one frame.
    void reconnect(orvharness::NodeId orv);

    // Sends and cooks until the table of `orv` satisfies `done`.
    bool sendAndWait(uint16_t port, const std::string& bytes, const std::function<bool()>& done);

    static std::unique_ptr<orvharness::Bundle> datBundle;
    static std::unique_ptr<orvharness::Bundle> chopBundle;
    static std::unique_ptr<orvharness::Bundle> beatBundle;
    static std::unique_ptr<orvharness::Bundle> eventsBundle;
    std::unique_ptr<orvharness::Network> net;
    LoopbackSender sender;
};

} // namespace orvtest
