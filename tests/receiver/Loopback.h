// Helpers for the tests on real sockets: loopback peers, deadlines, descriptor counts.
#pragma once

#include "net/Udp.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

#ifdef __linux__
#include <dirent.h>
#endif

// Polls `condition` until it holds or `limit` has passed; true when it held.
template <class Condition>
bool waitUntil(Condition condition, std::chrono::milliseconds limit = std::chrono::seconds(10))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition())
    {
        if (std::chrono::steady_clock::now() > deadline)
        {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

// A UDP socket bound to a loopback address (port 0: the system picks), closed at the end.
class LoopbackSocket
{
public:
    explicit LoopbackSocket(const std::string& ip = "127.0.0.1", std::uint16_t port = 0)
        : handle(orv::udp::openSocket())
    {
        bound = handle != orv::kInvalidSocket && orv::udp::bindTo(handle, ip, port);
    }
    ~LoopbackSocket()
    {
        if (handle != orv::kInvalidSocket)
        {
            orv::udp::closeSocket(handle);
        }
    }
    LoopbackSocket(const LoopbackSocket&) = delete;
    LoopbackSocket& operator=(const LoopbackSocket&) = delete;

    bool send(std::uint16_t port, const std::string& datagram, const std::string& ip = "127.0.0.1")
    {
        return orv::udp::sendTo(handle, ip, port, datagram.data(), datagram.size());
    }
    std::uint16_t port() const { return orv::udp::localPort(handle); }

    orv::SocketHandle handle;
    bool bound = false;
};

// Whether a datagram from a socket bound to another loopback address than 127.0.0.1 shows that
// address as its sender. Wine's sockets bind to the interface instead, so every loopback
// sender there reads 127.0.0.1; sender filter tests need distinct senders.
inline bool loopbackSendersAreDistinct()
{
    LoopbackSocket receiver;
    LoopbackSocket sender("127.0.0.9");
    if (!receiver.bound || !sender.bound || !sender.send(receiver.port(), "probe") ||
        !orv::udp::waitReadable(receiver.handle, 2000))
    {
        return false;
    }
    char buffer[8];
    char from[orv::udp::kAddressTextSize];
    orv::udp::receiveFrom(receiver.handle, buffer, sizeof buffer, from);
    return std::string(from) == "127.0.0.9";
}

// Open descriptors of this process, or -1 where that cannot be counted.
inline int openDescriptorCount()
{
#ifdef __linux__
    DIR* folder = opendir("/proc/self/fd");
    if (folder == nullptr)
    {
        return -1;
    }
    int count = 0;
    while (readdir(folder) != nullptr)
    {
        ++count;
    }
    closedir(folder);
    return count;
#else
    return -1;
#endif
}
