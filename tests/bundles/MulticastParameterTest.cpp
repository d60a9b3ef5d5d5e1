// "Multicast" reaches the socket only at the next "Reconnect". What it changes is invisible to
// the table (a socket bound to 127.0.0.1 sees no group traffic), so the test reads the
// kernel's membership list for the loopback interface. It runs alone (RUN_SERIAL), since any
// other membership of the group on loopback would change the count.
#include "BundleTestSupport.h"

#include <fstream>
#include <sstream>

namespace orvtest
{
namespace
{

// Members of 239.0.0.1 on "lo" as /proc/net/igmp lists them, or -1 without that file.
int loopbackGroupMembers()
{
    std::ifstream igmp("/proc/net/igmp");
    if (!igmp)
    {
        return -1;
    }
    // Device lines start with the interface index; group lines with a tab, the group as
    // the hexadecimal of its address in host byte order (239.0.0.1 is 010000EF here).
    std::string line;
    std::string device;
    while (std::getline(igmp, line))
    {
        std::istringstream fields(line);
        if (!line.empty() && line[0] != '\t')
        {
            std::string index;
            fields >> index >> device;
            continue;
        }
        std::string group;
        int users = 0;
        if (device == "lo" && fields >> group >> users && group == "010000EF")
        {
            return users;
        }
    }
    return 0;
}

using MulticastParameterTest = BundleTest;

TEST_F(MulticastParameterTest, TakesEffectOnlyAtTheNextReconnect)
{
    const int before = loopbackGroupMembers();
    if (before < 0)
    {
        GTEST_SKIP() << "no /proc/net/igmp here";
    }
    uint16_t port = 0;
    orvharness::NodeId orv = createOrv("orv1", port);
    reconnect(orv);
    EXPECT_EQ(loopbackGroupMembers(), before);

    ASSERT_TRUE(net->setParameter(orv, "Multicast", 1));
    net->cookFrame();
    EXPECT_EQ(loopbackGroupMembers(), before) << "the copy alone joins nothing";

    reconnect(orv);
    EXPECT_EQ(net->errorText(orv), "");
    EXPECT_EQ(loopbackGroupMembers(), before + 1);

    ASSERT_TRUE(net->setParameter(orv, "Multicast", 0));
    net->cookFrame();
    EXPECT_EQ(loopbackGroupMembers(), before + 1);
    reconnect(orv);
    EXPECT_EQ(loopbackGroupMembers(), before);
}

} // namespace
} // namespace orvtest
