// A datagram whose decoding runs out of memory is dropped with a warning, and the receive
// thread goes on. Allocations are refused on demand by a replaced global operator new (the
// large ones, or the n-th one from now), so this suite is its own executable.
#include "TestReceiver.h"
#include "WaitUntil.h"

#include "support/LoopbackSocket.h"
#include "support/Payload.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

using orvsupport::Payload;

namespace
{

std::atomic<bool> refuseLarge{false};
constexpr std::size_t large = 1024;
// Counts allocations down while positive; the one that brings it to 0 is refused.
std::atomic<long> refuseCountdown{0};
std::atomic<long> allocations{0};

void* allocate(std::size_t size)
{
    allocations.fetch_add(1);
    if (refuseLarge.load() && size >= large)
    {
        return nullptr;
    }
    if (refuseCountdown.load() > 0 && refuseCountdown.fetch_sub(1) == 1)
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

// Every allocation of a decode fails in its turn: each must end as a drop, with every value
// and slab made so far freed in a safe order (the sanitizer build catches a late free), and
// the next datagram must be stored whole.
TEST(OutOfMemory, EachAllocationOfADecodeMayFail)
{
    TestStore receiver;
    const std::string deck = Payload()
                                 .map(5)
                                 .str("Deck")
                                 .integer(3)
                                 .str("BPM")
                                 .float64(124.5)
                                 .str("Position")
                                 .float64(61.5)
                                 .str("Extra")
                                 .map(2)
                                 .str("a")
                                 .integer(-1000)
                                 .str("b")
                                 .str(std::string(40, 'x'))
                                 .str("Beat")
                                 .integer(2)
                                 .datagram(1);
    receiver.receive(deck); // builds the shared tables
    const long before = allocations.load();
    receiver.receive(deck);
    const long needed = allocations.load() - before;
    ASSERT_GT(needed, 2);

    for (long refused = 1; refused <= needed; ++refused)
    {
        TestStore fresh;
        refuseCountdown = refused;
        bool threw = false;
        try
        {
            fresh.receive(deck);
        }
        catch (const std::bad_alloc&)
        {
            threw = true;
        }
        refuseCountdown = 0;
        EXPECT_TRUE(threw) << "allocation " << refused << " of " << needed;
        EXPECT_EQ(fresh.deck(3).bpm, 0.0) << "allocation " << refused;
        fresh.receive(deck);
        EXPECT_EQ(fresh.deck(3).bpm, 124.5) << "allocation " << refused;
        EXPECT_EQ(fresh.deck(3).beat, 2) << "allocation " << refused;
    }
}

// Whichever allocation of connect fails, the receiver claims a thread exactly when one runs,
// and a refused connect leaves no socket behind.
TEST(OutOfMemory, ConnectNeverClaimsAThreadItHasNot)
{
    for (long refused = 1; refused <= 40; ++refused)
    {
        TestReceiver receiver;
        receiver.port = 65536; // bound as port 0: the system picks one
        refuseCountdown = refused;
        try
        {
            receiver.connect();
        }
        catch (const std::bad_alloc&)
        {
        }
        refuseCountdown = 0;
        const bool threadRuns = receiver.receiveThread().joinable();
        EXPECT_EQ(receiver.isConnected(), threadRuns) << "allocation " << refused;
        EXPECT_EQ(receiver.running(), threadRuns) << "allocation " << refused;
        if (!threadRuns && receiver.errorTextCopy().rfind("Error starting", 0) == 0)
        {
            EXPECT_EQ(receiver.socketFd(), orv::kInvalidSocket) << "allocation " << refused;
        }
        receiver.disconnect();
        EXPECT_EQ(receiver.socketFd(), orv::kInvalidSocket);
    }
}

TEST(OutOfMemory, DatagramIsDroppedWithAWarningAndTheNextOneIsStored)
{
    TestReceiver receiver;
    receiver.port = 65536; // bound as port 0: the system picks one
    receiver.connect();
    ASSERT_TRUE(receiver.isConnected()) << receiver.errorTextCopy();
    orvsupport::LoopbackSocket sender;
    const std::uint16_t port = orv::udp::localPort(receiver.socketFd());
    // The title's 2,000 bytes need one allocation above the refused size.
    const std::string title(2000, 't');
    const std::string meta =
        Payload().map(2).str("Deck").integer(1).str("Title").str(title).datagram(2);

    refuseLarge = true;
    ASSERT_TRUE(sender.send(port, meta));
    const bool warned =
        waitUntil([&] { return receiver.warningTextCopy() == "Datagram dropped: out of memory"; });
    refuseLarge = false;
    ASSERT_TRUE(warned) << receiver.warningTextCopy();
    EXPECT_EQ(receiver.getMeta(1).title, "");

    ASSERT_TRUE(sender.send(port, meta));
    EXPECT_TRUE(waitUntil([&] { return receiver.getMeta(1).title == title; }));
    receiver.disconnect();
}
