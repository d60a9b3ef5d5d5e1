// The discovery byte on a show LAN without a gateway: two network namespaces that the test
// makes itself, joined by a veth pair (10.77.N.1/24 for the node, 10.77.N.2/24 for a DJ-side
// peer), nothing else on them. A node bound to every interface must reach the peer through
// its interface's broadcast address, and a peer on its own machine through 127.0.0.255. Each
// thread enters a namespace with setns, so the sockets it opens live there. Skips where
// namespaces cannot be made (not root, no iproute2, no permission).
#include "TestReceiver.h"

#include "net/UdpSocket.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace
{

bool run(const std::string& command)
{
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

// Two namespaces with a veth pair between them, removed again with the object.
class TwoHostLan
{
public:
    TwoHostLan()
        : id_(std::to_string(getpid() % 100000)), node_("orvtest-node-" + id_),
          peer_("orvtest-peer-" + id_), subnet_("10.77." + std::to_string(getpid() % 250))
    {
        const std::string nodeLink = "orvn" + id_;
        const std::string peerLink = "orvp" + id_;
        made_ = geteuid() == 0 && run("ip netns add " + node_) && run("ip netns add " + peer_) &&
                run("ip link add " + nodeLink + " type veth peer name " + peerLink) &&
                run("ip link set " + nodeLink + " netns " + node_) &&
                run("ip link set " + peerLink + " netns " + peer_) &&
                run("ip -n " + node_ + " addr add " + nodeIp() + "/24 brd + dev " + nodeLink) &&
                run("ip -n " + peer_ + " addr add " + subnet_ + ".2/24 brd + dev " + peerLink) &&
                run("ip -n " + node_ + " link set " + nodeLink + " up") &&
                run("ip -n " + peer_ + " link set " + peerLink + " up") &&
                run("ip -n " + node_ + " link set lo up") &&
                run("ip -n " + peer_ + " link set lo up");
    }
    ~TwoHostLan()
    {
        // Deleting a namespace deletes the veth end in it, and with it its peer.
        run("ip netns del " + node_);
        run("ip netns del " + peer_);
    }

    bool made() const { return made_; }
    std::string nodeIp() const { return subnet_ + ".1"; }

    // Runs `work` on a thread of its own inside the node's or the peer's namespace.
    bool inNode(const std::function<void()>& work) const { return inside(node_, work); }
    bool inPeer(const std::function<void()>& work) const { return inside(peer_, work); }

private:
    static bool inside(const std::string& name, const std::function<void()>& work)
    {
        bool entered = false;
        std::thread thread(
            [&]
            {
                const int handle = open(("/run/netns/" + name).c_str(), O_RDONLY | O_CLOEXEC);
                entered = handle >= 0 && setns(handle, CLONE_NEWNET) == 0;
                if (handle >= 0)
                    close(handle);
                if (entered)
                    work();
            });
        thread.join();
        return entered;
    }

    std::string id_;
    std::string node_;
    std::string peer_;
    std::string subnet_;
    bool made_ = false;
};

// A listener on 0.0.0.0:7000, as a DJ-side program listens for the discovery byte.
struct DiscoveryListener
{
    orv::net::UdpSocket socket;
    std::string error;
    std::atomic<bool> ready{false};

    bool open()
    {
        orv::net::Endpoint any;
        any.port = orvprotocol::kDiscoveryPort;
        ready = socket.open(error) && socket.bind(any, error);
        return ready;
    }

    bool waitUntilReady() const
    {
        for (int i = 0; i < 500 && !ready; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return ready;
    }

    // The destinations of the discovery bytes that arrive within `waitMs` from `sender`.
    std::vector<std::string> bytesFrom(const std::string& sender, int waitMs)
    {
        std::vector<std::string> destinations;
        char byte[16];
        orv::net::ReceivedDatagram datagram;
        while (socket.receive(byte, sizeof byte, waitMs, datagram, error) == 1)
        {
            if (datagram.size == 1 && byte[0] == static_cast<char>(orvprotocol::kDiscoveryByte) &&
                datagram.from.host() == sender)
                destinations.push_back(datagram.to.host());
            waitMs = 200;
        }
        return destinations;
    }
};

// The destinations of the discovery bytes from the node that reach the peer while `node`
// runs in the node's namespace.
std::vector<std::string> bytesAtPeer(const TwoHostLan& lan, const std::function<void()>& node)
{
    DiscoveryListener peer;
    std::vector<std::string> atPeer;
    std::thread listening(
        [&]
        {
            lan.inPeer(
                [&]
                {
                    if (peer.open())
                        atPeer = peer.bytesFrom(lan.nodeIp(), 3000);
                });
        });
    EXPECT_TRUE(peer.waitUntilReady()) << peer.error;
    EXPECT_TRUE(lan.inNode(node));
    listening.join();
    return atPeer;
}

// A node on `ip` connects and disconnects.
void connectNode(const std::string& ip)
{
    TestReceiver node;
    node.ip = ip;
    node.connect();
    EXPECT_TRUE(node.isConnected());
    EXPECT_EQ(node.errorTextCopy(), "");
    node.disconnect();
}

TEST(DiscoveryLan, ANodeOnEveryInterfaceReachesThePeerByTheInterfacesBroadcast)
{
    TwoHostLan lan;
    if (!lan.made())
    {
        GTEST_SKIP() << "cannot make network namespaces here (needs root and iproute2's ip)";
    }
    std::vector<std::string> atNode;
    const std::vector<std::string> atPeer =
        bytesAtPeer(lan,
                    [&]
                    {
                        DiscoveryListener local;
                        ASSERT_TRUE(local.open()) << local.error;
                        connectNode("0.0.0.0");
                        // Sent from the node's port on 0.0.0.0, so a local listener sees the
                        // address of the interface each byte left by: 127.0.0.1 for the loopback
                        // one.
                        atNode = local.bytesFrom("127.0.0.1", 2000);
                    });
    const std::string broadcast = lan.nodeIp().substr(0, lan.nodeIp().rfind('.')) + ".255";
    EXPECT_EQ(atPeer, std::vector<std::string>{broadcast});
    EXPECT_EQ(atNode, std::vector<std::string>{"127.0.0.255"});
}

TEST(DiscoveryLan, ANodeOnOneAddressKeepsItsSubnetsDotTwoFiveFive)
{
    TwoHostLan lan;
    if (!lan.made())
    {
        GTEST_SKIP() << "cannot make network namespaces here (needs root and iproute2's ip)";
    }
    const std::vector<std::string> atPeer = bytesAtPeer(lan, [&] { connectNode(lan.nodeIp()); });
    EXPECT_EQ(atPeer, std::vector<std::string>{orvreceiver::discoveryAddress(lan.nodeIp())});
}

} // namespace
