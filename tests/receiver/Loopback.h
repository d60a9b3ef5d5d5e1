// Helpers for the tests on real sockets: loopback peers, deadlines, descriptor counts.
#pragma once

#include "receiver/UdpSocket.h"

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
        bound = handle != orv::invalidSocket && orv::udp::bindTo(handle, ip, port);
    }
    ~LoopbackSocket()
    {
        if (handle != orv::invalidSocket)
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
