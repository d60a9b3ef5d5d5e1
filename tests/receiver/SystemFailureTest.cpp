// The receiver when the system fails it: no descriptor left for a socket (the descriptor
// limit lowered for the call), no address space left for a thread's stack, and a socket
// handle that stops being a socket under a running receive thread.
#include "TestReceiver.h"
#include "WaitUntil.h"

#include "support/LoopbackSocket.h"
#include "support/Payload.h"
#include "support/ProcessCounts.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <mutex>
#include <pthread.h>
#include <sys/resource.h>
#include <thread>
#include <time.h>
#include <unistd.h>
#include <vector>

using orvsupport::Payload;

namespace
{

// Lowers the soft limit `which` (RLIMIT_NOFILE, RLIMIT_AS) to `value` while it lives.
class ResourceLimit
{
public:
    ResourceLimit(int which, rlim_t value) : resource_(which)
    {
        getrlimit(resource_, &saved_);
        rlimit lowered = saved_;
        lowered.rlim_cur = value;
        applied = setrlimit(resource_, &lowered) == 0;
    }
    ~ResourceLimit() { setrlimit(resource_, &saved_); }
    ResourceLimit(const ResourceLimit&) = delete;
    ResourceLimit& operator=(const ResourceLimit&) = delete;

    bool applied = false;

private:
    int resource_;
    rlimit saved_{};
};

// The process's mapped address space in bytes (VmSize), or 0 where it cannot be read.
rlim_t addressSpaceInUse()
{
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word)
    {
        if (word == "VmSize:")
        {
            rlim_t kib = 0;
            status >> kib;
            return kib * 1024;
        }
    }
    return 0;
}

// After a failed connect: no claim of a connection or thread, no socket, no descriptor left
// open beyond the `descriptors` there were before.
void expectNothingClaimed(TestReceiver& receiver, int descriptors)
{
    EXPECT_FALSE(receiver.isConnected());
    EXPECT_FALSE(receiver.receiveThread().joinable());
    EXPECT_EQ(receiver.socketFd(), orv::kInvalidSocket);
    EXPECT_EQ(orvsupport::openDescriptorCount(), descriptors);
}

} // namespace

TEST(SystemFailure, NoDescriptorLeftGivesSocketCreationFailed)
{
    TestReceiver receiver;
    // Once through connect with descriptors to spare: UndefinedBehaviorSanitizer checks each
    // member call's object type on first sight with a pipe, which the limit would refuse.
    receiver.connect();
    receiver.disconnect();
    const int descriptors = orvsupport::openDescriptorCount();
    {
        ResourceLimit none(RLIMIT_NOFILE, 0);
        ASSERT_TRUE(none.applied);
        receiver.connect();
    }
    EXPECT_EQ(receiver.errorTextCopy(), "Socket creation failed");
    expectNothingClaimed(receiver, descriptors);

    // With descriptors available again the same receiver connects.
    receiver.connect();
    EXPECT_TRUE(receiver.isConnected()) << receiver.errorTextCopy();
    EXPECT_EQ(receiver.errorTextCopy(), "");
    receiver.disconnect();
}

TEST(SystemFailure, RefusedSocketAfterAFailedBindLeavesNoStaleHandle)
{
    orvsupport::LoopbackSocket taken;
    TestReceiver receiver;
    receiver.port = taken.port();
    const int descriptors = orvsupport::openDescriptorCount();
    receiver.connect();
    ASSERT_NE(receiver.socketFd(), orv::kInvalidSocket); // kept by the failed bind

    {
        ResourceLimit none(RLIMIT_NOFILE, 0);
        ASSERT_TRUE(none.applied);
        receiver.connect();
    }
    // The old socket was closed first; the handle must not still name it.
    EXPECT_EQ(receiver.errorTextCopy(), "Socket creation failed");
    EXPECT_EQ(receiver.socketFd(), orv::kInvalidSocket);
    EXPECT_FALSE(receiver.isConnected());
    EXPECT_EQ(orvsupport::openDescriptorCount(), descriptors);
    receiver.disconnect();
    EXPECT_EQ(orvsupport::openDescriptorCount(), descriptors);
}

TEST(SystemFailure, ThreadThatCannotStartLeavesNoClaimAndNoSocket)
{
    TestReceiver receiver;
    // The C library keeps the stacks of ended threads for new ones: park threads on all of
    // them, so that a new thread needs fresh address space.
    std::mutex parked;
    std::unique_lock<std::mutex> hold(parked);
    std::vector<std::thread> parkedThreads;
    for (int i = 0; i < 16; ++i)
    {
        parkedThreads.emplace_back([&parked] { std::lock_guard<std::mutex> wait(parked); });
    }
    const auto release = [&]
    {
        hold.unlock();
        for (std::thread& thread : parkedThreads)
        {
            thread.join();
        }
    };
    const rlim_t inUse = addressSpaceInUse();
    // The sanitizers reserve terabytes of address space up front and need more as they go.
    if (inUse == 0 || inUse > (rlim_t{16} << 30))
    {
        release();
        GTEST_SKIP() << "address space not limitable here";
    }
    const int descriptors = orvsupport::openDescriptorCount();
    {
        // Room for the socket and the texts, none for a thread's stack of several MiB.
        ResourceLimit tight(RLIMIT_AS, inUse + (rlim_t{1} << 20));
        ASSERT_TRUE(tight.applied);
        receiver.connect();
    }
    release();
    const std::string text = receiver.errorTextCopy();
    const std::string prefix = "Error starting receive thread: ";
    ASSERT_EQ(text.compare(0, prefix.size(), prefix), 0) << text;
    EXPECT_GT(std::stoi(text.substr(prefix.size())), 0) << text;
    EXPECT_FALSE(receiver.running());
    expectNothingClaimed(receiver, descriptors);

    receiver.connect();
    EXPECT_TRUE(receiver.isConnected()) << receiver.errorTextCopy();
    receiver.disconnect();
}

TEST(SystemFailure, ReceiveErrorsBecomeTheWarningAndDisconnectStillStops)
{
    TestReceiver receiver;
    receiver.port = 65536; // bound as port 0: the system picks one
    receiver.connect();
    ASSERT_TRUE(receiver.isConnected()) << receiver.errorTextCopy();
    orvsupport::LoopbackSocket sender;
    const int descriptors = orvsupport::openDescriptorCount();
    const std::uint16_t port = orv::udp::localPort(receiver.socketFd());

    // The handle now names /dev/null; the receive blocked on the socket still ends with the
    // next datagram, and every receive after it fails with ENOTSOCK.
    const int notASocket = ::open("/dev/null", O_RDONLY);
    ASSERT_GE(notASocket, 0);
    ASSERT_EQ(::dup2(notASocket, receiver.socketFd()), receiver.socketFd());
    ::close(notASocket);
    const std::string expected = "Error Receiving: " + std::to_string(ENOTSOCK);
    EXPECT_TRUE(waitUntil(
        [&]
        {
            sender.send(port, Payload().map(0).datagram(0));
            return receiver.warningTextCopy() == expected;
        }))
        << receiver.warningTextCopy();

    // Failing again and again, the thread still leaves the core to others.
    clockid_t threadClock;
    ASSERT_EQ(pthread_getcpuclockid(receiver.receiveThread().native_handle(), &threadClock), 0);
    const auto cpuTime = [&]
    {
        timespec now{};
        clock_gettime(threadClock, &now);
        return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
    };
    const auto cpuBefore = cpuTime();
    const auto wallBefore = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - wallBefore < std::chrono::milliseconds(200))
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const auto busy = cpuTime() - cpuBefore;
    const auto wall = std::chrono::steady_clock::now() - wallBefore;
    EXPECT_LT(busy * 5, wall) << "receive thread busy "
                              << std::chrono::duration<double, std::milli>(busy).count()
                              << " ms of "
                              << std::chrono::duration<double, std::milli>(wall).count();

    const auto start = std::chrono::steady_clock::now();
    receiver.disconnect();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
    EXPECT_FALSE(receiver.receiveThread().joinable());
    EXPECT_EQ(receiver.socketFd(), orv::kInvalidSocket);
    EXPECT_EQ(orvsupport::openDescriptorCount(), descriptors - 1);
}
