// The socket and the thread of a receive loop, for the tests and the receive benchmark, which
// look at them from outside (a port, a descriptor to break, a thread's CPU time). ReceiveLoop
// names this class its friend; the product never includes it.
#pragma once

#include "receiver/ReceiveLoop.h"

#include <thread>

namespace orvreceiver
{
class ReceiveLoopProbe
{
public:
    static orv::SocketHandle socket(const orvreceiver::ReceiveLoop& loop) { return loop.socketFd_; }
    static std::thread& thread(orvreceiver::ReceiveLoop& loop) { return loop.receiveThread_; }
    static bool running(const orvreceiver::ReceiveLoop& loop) { return loop.running_.load(); }
};
} // namespace orvreceiver
