#include "BundleTestSupport.h"

#include "support/NodeWiring.h"

#include <limits>
#include <thread>

namespace orvtest
{

std::unique_ptr<orvharness::Bundle> BundleTest::datBundle;
std::unique_ptr<orvharness::Bundle> BundleTest::chopBundle;
std::unique_ptr<orvharness::Bundle> BundleTest::beatBundle;
std::unique_ptr<orvharness::Bundle> BundleTest::eventsBundle;

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
    port = freeUdpPort();
    EXPECT_NE(port, 0) << "no free UDP port on 127.0.0.1";
    std::string error;
    const orvharness::NodeId id =
        orvsupport::addNode(*net, *datBundle, name, {{"Port", static_cast<int>(port)}}, error);
    EXPECT_NE(id, orvharness::noNode) << error;
    return id;
}

orvharness::NodeId BundleTest::createChannels(const std::string& name, const std::string& orvName)
{
    return createReader(*chopBundle, name, orvName);
}

orvharness::NodeId BundleTest::createEvents(const std::string& name, const std::string& orvName)
{
    return createReader(*eventsBundle, name, orvName);
}

orvharness::NodeId BundleTest::createReader(const orvharness::Bundle& bundle,
                                            const std::string& name, const std::string& orvName)
{
    std::string error;
    const orvharness::NodeId id = orvsupport::addReader(*net, bundle, name, orvName, {}, error);
    EXPECT_NE(id, orvharness::noNode) << error;
    return id;
}

void BundleTest::reconnect(orvharness::NodeId orv)
{
    std::string error;
    EXPECT_TRUE(orvsupport::reconnect(*net, orv, error)) << error;
    net->cookFrame();
}

bool BundleTest::sendAndWait(uint16_t port, const std::string& bytes,
                             const std::function<bool()>& done)
{
    sender.send(port, bytes);
    return cookUntil(*net, done);
}

} // namespace orvtest
