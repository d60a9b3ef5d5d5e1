#include "BundleTestSupport.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>
#include <thread>

namespace orvtest
{

std::unique_ptr<orvharness::Bundle> BundleTest::datBundle;
std::unique_ptr<orvharness::Bundle> BundleTest::chopBundle;

namespace
{

sockaddr_in loopbackAddress(const std::string& ip, uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (inet_pton(AF_INET, ip.c_str(), &address.sin_addr) != 1)
    {
        throw std::invalid_argument("not an IPv4 address: " + ip);
    }
    return address;
}

int boundSocket(const std::string& ip, uint16_t port)
{
    int fd = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (fd < 0)
    {
        throw std::runtime_error("no UDP socket");
    }
    sockaddr_in address = loopbackAddress(ip, port);
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0)
    {
        close(fd);
        return -1;
    }
    return fd;
}

} // namespace

std::string datagram(MessageType type, const Map& payload)
{
    return std::string(1, static_cast<char>(type)) + orvpack::MsgPack(payload).dump();
}

uint16_t freeUdpPort(const std::string& ip)
{
    int fd = boundSocket(ip, 0);
    if (fd < 0)
    {
        throw std::runtime_error("cannot bind a probe socket on " + ip);
    }
    sockaddr_in address{};
    socklen_t length = sizeof(address);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

bool udpPortIsFree(const std::string& ip, uint16_t port)
{
    int fd = boundSocket(ip, port);
    if (fd < 0)
    {
        return false;
    }
    close(fd);
    return true;
}

LoopbackSender::LoopbackSender(const std::string& fromIp) : fd_(boundSocket(fromIp, 0))
{
    if (fd_ < 0)
    {
        throw std::runtime_error("cannot bind a sender on " + fromIp);
    }
}

LoopbackSender::~LoopbackSender()
{
    close(fd_);
}

void LoopbackSender::send(uint16_t port, const std::string& bytes, const std::string& toIp)
{
    sockaddr_in to = loopbackAddress(toIp, port);
    ssize_t sent =
        sendto(fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof(to));
    ASSERT_EQ(sent, static_cast<ssize_t>(bytes.size()));
}

PortHolder::PortHolder(const std::string& ip, uint16_t port) : fd_(boundSocket(ip, port))
{
    if (fd_ < 0)
    {
        throw std::runtime_error("cannot hold the port");
    }
}

PortHolder::~PortHolder()
{
    close(fd_);
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

void BundleTest::SetUpTestSuite()
{
    std::string error;
    datBundle = orvharness::Bundle::load(ORV_DAT_BUNDLE, error);
    ASSERT_NE(datBundle, nullptr) << error;
    chopBundle = orvharness::Bundle::load(ORV_CHOP_BUNDLE, error);
    ASSERT_NE(chopBundle, nullptr) << error;
}

void BundleTest::TearDownTestSuite()
{
    chopBundle.reset();
    datBundle.reset();
}

void BundleTest::SetUp()
{
    ASSERT_NE(datBundle, nullptr);
    ASSERT_NE(chopBundle, nullptr);
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
