// Connecting when the system refuses a socket: the descriptor limit of the process is lowered
// for the call and restored afterwards.
#include "Loopback.h"
#include "TestReceiver.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

namespace
{

// Lowers the soft descriptor limit to `limit` while it lives.
class DescriptorLimit
{
public:
    explicit DescriptorLimit(rlim_t limit)
    {
        getrlimit(RLIMIT_NOFILE, &saved);
        rlimit lowered = saved;
        lowered.rlim_cur = limit;
        applied = setrlimit(RLIMIT_NOFILE, &lowered) == 0;
    }
    ~DescriptorLimit() { setrlimit(RLIMIT_NOFILE, &saved); }
    DescriptorLimit(const DescriptorLimit&) = delete;
    DescriptorLimit& operator=(const DescriptorLimit&) = delete;

    bool applied = false;

private:
    rlimit saved{};
};

} // namespace

TEST(SystemFailure, NoDescriptorLeftGivesSocketCreationFailed)
{
    TestReceiver receiver;
    // Once through connect with descriptors to spare: UndefinedBehaviorSanitizer checks each
    // member call's object type on first sight with a pipe, which the limit would refuse.
    receiver.connect();
    receiver.disconnect();
    const int descriptors = openDescriptorCount();
    {
        DescriptorLimit none(0);
        ASSERT_TRUE(none.applied);
        receiver.connect();
    }
    EXPECT_EQ(receiver.errorTextCopy(), "Socket creation failed");
    EXPECT_FALSE(receiver.isConnected());
    EXPECT_FALSE(receiver.receiveThread.joinable());
    EXPECT_EQ(receiver.socketFd, orv::invalidSocket);
    EXPECT_EQ(openDescriptorCount(), descriptors);

    // With descriptors available again the same receiver connects.
    receiver.connect();
    EXPECT_TRUE(receiver.isConnected()) << receiver.errorTextCopy();
    EXPECT_EQ(receiver.errorTextCopy(), "");
    receiver.disconnect();
}

TEST(SystemFailure, RefusedSocketAfterAFailedBindLeavesNoStaleHandle)
{
    LoopbackSocket taken;
    TestReceiver receiver;
    receiver.port = taken.port();
    const int descriptors = openDescriptorCount();
    receiver.connect();
    ASSERT_NE(receiver.socketFd, orv::invalidSocket); // kept by the failed bind

    {
        DescriptorLimit none(0);
        ASSERT_TRUE(none.applied);
        receiver.connect();
    }
    // The old socket was closed first; the handle must not still name it.
    EXPECT_EQ(receiver.errorTextCopy(), "Socket creation failed");
    EXPECT_EQ(receiver.socketFd, orv::invalidSocket);
    EXPECT_FALSE(receiver.isConnected());
    EXPECT_EQ(openDescriptorCount(), descriptors);
    receiver.disconnect();
    EXPECT_EQ(openDescriptorCount(), descriptors);
}
