// The receive loop: one UDP socket and the thread that reads it, feeding every datagram to a
// ReceiverStore. start opens and binds the socket (joining the multicast group if asked),
// sends the discovery byte and starts the thread; stop wakes the blocked receive, joins the
// thread and closes the socket.
//
// Thread rules. The host thread constructs and destroys the loop and calls start and stop;
// the receive thread exists between them and touches only the store and `running_`, the
// loop's one atomic: true from start until stop asks the thread to end. (The store's other
// atomic is the counter that gives each store its id.) `socketFd_` is written only on the
// host thread and closed only after the thread has been joined.
#pragma once

#include "net/Udp.h"
#include "receiver/ReceiverStore.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

namespace orvreceiver
{

class ReceiveLoop
{
public:
    explicit ReceiveLoop(ReceiverStore& store) : store_(store) {}
    // Runs stop.
    ~ReceiveLoop();

    ReceiveLoop(const ReceiveLoop&) = delete;
    ReceiveLoop& operator=(const ReceiveLoop&) = delete;

    // Checks the settings, opens and binds the socket to `ip`:`port` (its low 16 bits), joins
    // the multicast group if asked, marks the store connected, sends the discovery byte and
    // starts the thread. Failures land in the store's error text. Meant for a stopped loop.
    void start(const std::string& ip, std::uint32_t port, bool multicast);
    // Stops and joins the thread (promptly, with or without traffic), closes the socket and
    // marks the store not connected. Keeps everything the store holds.
    void stop();

private:
    friend class ReceiveLoopProbe; // the tests' view of the socket and the thread

    void run();
    void closeSocket();

    ReceiverStore& store_;
    std::atomic<bool> running_{false};
    std::thread receiveThread_;
    orv::SocketHandle socketFd_ = orv::kInvalidSocket;
};

} // namespace orvreceiver
