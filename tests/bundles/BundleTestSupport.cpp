#include "BundleTestSupport.h"

#include "net/Udp.h"

#include <limits>
#include <stdexcept>
#include <thread>

namespace orvtest
{

std::unique_ptr<orvharness::Bundle> BundleTest::datBundle;
std::unique_ptr<orvharness::Bundle> BundleTest::chopBundle;
std::unique_ptr<orvharness::Bundle> BundleTest::beatBundle;
std::unique_ptr<orvharness::Bundle> BundleTest::eventsBundle;

namespace
{

// A socket bound to ip:port, or kInvalidSocket when the bind fails.
orv::SocketHandle boundSocket(const std::string& ip, uint16_t port)
{
    if (ip.empty() || ip.find_first_not_of("0123456789.") != std::string::npos)
    {
        throw std::invalid_argument("not an IPv4 address: " + ip);
    }
    const orv::SocketHandle socket = orv::udp::openSocket();
    if (socket == orv::kInvalidSocket)
    {
        throw std::runtime_error("no UDP socket");
    }
    if (!orv::udp::bindTo(socket, ip, port))
    {
        orv::udp::closeSocket(socket);
        return orv::kInvalidSocket;
    }
    return socket;
}

} // namespace

std::string datagram(MessageType type, const Map& payload)
{
    return std::string(1, static_cast<char>(type)) + orvpack::MsgPack(payload).dump();
}

uint16_t freeUdpPort(const std::string& ip)
{
    const orv::SocketHandle socket = boundSocket(ip, 0);
    if (socket == orv::kInvalidSocket)
    {
        throw std::runtime_error("cannot bind a probe socket on " + ip);
    }
    const uint16_t port = orv::udp::localPort(socket);
    orv::udp::closeSocket(socket);
    return port;
}

bool udpPortIsFree(const std::string& ip, uint16_t port)
{
    const orv::SocketHandle socket = boundSocket(ip, port);
    if (socket == orv::kInvalidSocket)
    {
        return false;
    }
    orv::udp::closeSocket(socket);
    return true;
}

bool loopbackAddressesAreSeparate()
{
    const orv::SocketHandle receiver = boundSocket("127.0.0.1", 0);
    const orv::SocketHandle sender = boundSocket("127.0.0.9", 0);
    bool separate = false;
    if (receiver != orv::kInvalidSocket && sender != orv::kInvalidSocket &&
        orv::udp::sendTo(sender, "127.0.0.1", orv::udp::localPort(receiver), "probe", 5) &&
        orv::udp::waitReadable(receiver, 2000))
    {
        char buffer[8];
        char from[orv::udp::kAddressTextSize];
        orv::udp::receiveFrom(receiver, buffer, sizeof buffer, from);
        separate = std::string(from) == "127.0.0.9";
    }
    for (const orv::SocketHandle socket : {receiver, sender})
    {
        if (socket != orv::kInvalidSocket)
        {
            orv::udp::closeSocket(socket);
        }
    }
    return separate;
}

LoopbackSender::LoopbackSender(const std::string& fromIp) : socket_(boundSocket(fromIp, 0))
{
    if (socket_ == orv::kInvalidSocket)
    {
        throw std::runtime_error("cannot bind a sender on " + fromIp);
    }
}

LoopbackSender::~LoopbackSender()
{
    orv::udp::closeSocket(socket_);
}

void LoopbackSender::send(uint16_t port, const std::string& bytes, const std::string& toIp)
{
    ASSERT_TRUE(orv::udp::sendTo(socket_, toIp, port, bytes.data(), bytes.size()))
        << "error " << orv::udp::lastError();
}

PortHolder::PortHolder(const std::string& ip, uint16_t port) : socket_(boundSocket(ip, port))
{
    if (socket_ == orv::kInvalidSocket)
    {
        throw std::runtime_error("cannot hold the port");
    }
}

PortHolder::~PortHolder()
{
    orv::udp::closeSocket(socket_);
}

bool cookUntil(orvharness::Network& net, const std::function<bool()>& done,
               std::chrono::milliseconds deadline)
{
    const auto end = std::chrono::steady_clock::now() + deadline;
    for (;;)
    {
        net.cookFrame();
        if (done())
        {
            return true;
        }
        if (std::chrono::steady_clock::now() >= end)
        {
            return false;
        }
        // The receive thread stores datagrams asynchronously; poll at a frame-like pace.
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

float infoChannel(orvharness::Network& net, orvharness::NodeId node, const std::string& name)
{
    for (const orvharness::InfoChannel& channel : net.infoChannels(node))
    {
        if (channel.name == name)
        {
            return channel.value;
        }
    }
    return std::numeric_limits<float>::quiet_NaN();
}

std::string infoRow(orvharness::Network& net, orvharness::NodeId node, const std::string& name)
{
    for (const std::vector<std::string>& row : net.infoTable(node))
    {
        if (row.size() == 2 && row[0] == name)
        {
            return row[1];
        }
    }
    return "<no row " + name + ">";
}

void BundleTest::SetUpTestSuite()
{
    std::string error;
    datBundle = orvharness::Bundle::load(ORV_DAT_BUNDLE, error);
    ASSERT_NE(datBundle, nullptr) << error;
    chopBundle = orvharness::Bundle::load(ORV_CHOP_BUNDLE, error);
    ASSERT_NE(chopBundle, nullptr) << error;
    beatBundle = orvharness::Bundle::load(ORV_BEAT_BUNDLE, error);
    ASSERT_NE(beatBundle, nullptr) << error;
    eventsBundle = orvharness::Bundle::load(ORV_EVENTS_BUNDLE, error);
    ASSERT_NE(eventsBundle, nullptr) << error;
}

void BundleTest::TearDownTestSuite()
{
    eventsBundle.reset();
    beatBundle.reset();
    chopBundle.reset();
    datBundle.reset();
}

void BundleTest::SetUp()
{
    ASSERT_NE(datBundle, nullptr);
    ASSERT_NE(chopBundle, nullptr);
    ASSERT_NE(beatBundle, nullptr);
    ASSERT_NE(eventsBundle, nullptr);
    net = std::make_unique<orvharness::Network>();
}

void BundleTest::TearDown()
{
    // Nodes go before the bundles that hold their code.
    net.reset();
}

orvharness::NodeId BundleTest::createOrv(const std::string& name, uint16_t& port)
{
    orvharness::NodeId id = net->createNode(*datBundle, name);
    EXPECT_NE(id, orvharness::noNode) << net->lastError();
    port = freeUdpPort();
    EXPECT_TRUE(net->setParameter(id, "Port", static_cast<int>(port))) << net->lastError();
    return id;
}

orvharness::NodeId BundleTest::createChannels(const std::string& name, const std::string& orvName)
{
    orvharness::NodeId id = net->createNode(*chopBundle, name);
    EXPECT_NE(id, orvharness::noNode) << net->lastError();
    EXPECT_TRUE(net->setParameter(id, "Orvdat", orvName)) << net->lastError();
    return id;
}

orvharness::NodeId BundleTest::createEvents(const std::string& name, const std::string& orvName)
{
    orvharness::NodeId id = net->createNode(*eventsBundle, name);
    EXPECT_NE(id, orvharness::noNode) << net->lastError();
    EXPECT_TRUE(net->setParameter(id, "Orvdat", orvName)) << net->lastError();
    return id;
}

void BundleTest::reconnect(orvharness::NodeId orv)
{
    // The cook copies the parameters; the pulse then connects with them.
    net->cookFrame();
    EXPECT_TRUE(net->pulse(orv, "Reconnect"));
    net->cookFrame();
}

bool BundleTest::sendAndWait(uint16_t port, const std::string& bytes,
                             const std::function<bool()>& done)
{
    sender.send(port, bytes);
    return cookUntil(*net, done);
}

} // namespace orvtest
