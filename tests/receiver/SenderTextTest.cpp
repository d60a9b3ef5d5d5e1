// The sender's address text that the socket layer hands the filter: dotted decimal without
// leading zeros (as inet_ntop writes it), for octets of one, two and three digits and zeros.

#include "support/LoopbackSocket.h"

#include <gtest/gtest.h>

TEST(SenderText, IsDottedDecimalForEveryWidthOfOctet)
{
    if (!orvsupport::loopbackAddressesAreSeparate())
    {
        GTEST_SKIP() << "this stack shows every loopback sender as 127.0.0.1";
    }
    orvsupport::LoopbackSocket receiver;
    ASSERT_TRUE(receiver.bound());
    for (const char* address : {"127.0.0.1", "127.10.200.7", "127.255.0.99", "127.0.10.0"})
    {
        orvsupport::LoopbackSocket sender(address);
        ASSERT_TRUE(sender.bound()) << address;
        ASSERT_TRUE(sender.send(receiver.port(), "x"));
        ASSERT_TRUE(orv::udp::waitReadable(receiver.handle(), 5000));

        char buffer[16];
        char text[orv::udp::kAddressTextSize];
        ASSERT_EQ(orv::udp::receiveFrom(receiver.handle(), buffer, sizeof buffer, text), 1);
        EXPECT_STREQ(text, address);
    }
}
