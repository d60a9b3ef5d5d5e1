// One IPv4 UDP socket, closed with its owner, for the tool, the benchmarks and the tests:
// sending, binding, receiving with a time-out (so loops can look at a stop flag), the
// multicast options, and errors as sentences. Built on the functions of Udp.h only.
// Thread rules: one thread per socket.
#pragma once

#include "net/Endpoint.h"
#include "net/Udp.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace orv
{
namespace net
{

struct ReceivedDatagram
{
    size_t size = 0;           // bytes stored in the caller's buffer
    bool truncated = false;    // the datagram was longer than the buffer
    Endpoint from;             // sender
    Endpoint to;               // the address it was sent to (bound address when unknown)
    double arrivalSeconds = 0; // wall clock (seconds since 1970) when it was read
};

class UdpSocket
{
public:
    UdpSocket() = default;
    ~UdpSocket();
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;
    UdpSocket(UdpSocket&& other) noexcept;
    UdpSocket& operator=(UdpSocket&& other) noexcept;

    // Creates the socket; false with the reason in `error`.
    bool open(std::string& error);
    bool isOpen() const { return fd_ != kInvalidSocket; }
    SocketHandle handle() const { return fd_; }
    void close();

    // Binds to `local` (no address reuse: a port in use is reported, as the receiver would
    // find it). The error text names errno's meaning, and says "in use" plainly.
    bool bind(const Endpoint& local, std::string& error);
    // The address the socket is bound to (port filled in after binding to port 0).
    Endpoint localEndpoint() const;

    // Joins `group` on the interface `interfaceIp` (0.0.0.0: the system's choice).
    bool joinMulticast(const std::string& group, const std::string& interfaceIp,
                       std::string& error);
    // For sending to a group: hop limit 1 (stay on the local network) and loop back to
    // receivers on this machine.
    bool setMulticastSending(std::string& error);

    // One datagram; false with the reason in `error` when the system refused it.
    bool sendTo(const Endpoint& to, const void* data, size_t size, std::string& error);

    // Waits at most `timeoutMs` for a datagram. 1: one was read; 0: time-out or a signal;
    // -1: a socket error, in `error`.
    int receive(void* buffer, size_t capacity, int timeoutMs, ReceivedDatagram& out,
                std::string& error);

private:
    SocketHandle fd_ = kInvalidSocket;
};

// The system's text for an error number (errno, or Winsock's on Windows), with the number:
// "Address already in use (98)".
std::string errnoText(int number);

} // namespace net
} // namespace orv
