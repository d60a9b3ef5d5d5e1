// A datagram whose decoding runs out of memory is dropped with a warning, and the receive
// thread goes on. Large allocations are refused on demand by a replaced global operator new,
// so this suite is its own executable.
#include "Loopback.h"
#include "Payload.h"
#include "TestReceiver.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace
{

std::atomic<bool> refuseLarge{false};
constexpr std::size_t large = 1024;

void* allocate(std::size_t size)
{
    if (refuseLarge.load() && size >= large)
    {
        return nullptr;
    }
    return std::malloc(size == 0 ? 1 : size);
}

} // namespace

void* operator new(std::size_t size)
{
    if (void* memory = allocate(size))
    {
        return memory;
    }
    throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return allocate(size);
}
void operator delete(void* memory) noexcept
{
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept
{
    std::free(memory);
}

TEST(OutOfMemory, DatagramIsDroppedWithAWarningAndTheNextOneIsStored)
{
    TestReceiver receiver;
    receiver.port = 65536; // bound as port 0: the system picks one
    receiver.connect();
    ASSERT_TRUE(receiver.isConnected()) << receiver.errorTextCopy();
    LoopbackSocket sender;
    const std::uint16_t port = orv::udp::localPort(receiver.socketFd);
    // The title's 2,000 bytes need one allocation above the refused size.
    const std::string title(2000, 't');
    const std::string meta =
        Payload().map(2).str("Deck").integer(1).str("Title").str(title).datagram(2);

    refuseLarge = true;
    ASSERT_TRUE(sender.send(port, meta));
    const bool warned = waitUntil(
        [&] { return receiver.warningTextCopy() == "Datagram dropped: out of memory"; });
    refuseLarge = false;
    ASSERT_TRUE(warned) << receiver.warningTextCopy();
    EXPECT_EQ(receiver.getMeta(1).title, "");

    ASSERT_TRUE(sender.send(port, meta));
    EXPECT_TRUE(waitUntil([&] { return receiver.getMeta(1).title == title; }));
    receiver.disconnect();
}
