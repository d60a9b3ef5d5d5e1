// A UDP socket bound to a loopback address for as long as it lives, for the tests and the
// benchmarks: a sender of datagrams, a peer that receives, or a holder that keeps a port taken
// so that a receiver's bind fails. Loopback only, on the port given (0: one the system hands
// out), so that tests run beside each other and beside `orv demo`.
// Thread rules: one thread per socket, as UdpSocket.
#pragma once

#include "net/UdpSocket.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace orvsupport
{

class LoopbackSocket : public orv::net::UdpSocket
{
public:
    // Binds ip:port (any address of 127.0.0.0/8). A socket that could not bind is closed:
    // bound() is false and error() says why. Nothing throws.
    explicit LoopbackSocket(const std::string& ip = "127.0.0.1", std::uint16_t port = 0);

    bool bound() const { return isOpen(); }
    const std::string& error() const { return error_; }
    // The port the socket is bound to, as a receiver sees it as the sender's; 0 when unbound.
    std::uint16_t port() const;

    // One datagram to 127.0.0.1:port, or to ip:port; false when the system refused it (or the
    // socket is not bound, or `ip` is no dotted IPv4 address).
    bool send(std::uint16_t port, const void* data, std::size_t size);
    bool send(std::uint16_t port, const std::string& bytes);
    bool send(std::uint16_t port, const std::string& bytes, const std::string& ip);

private:
    std::string error_;
};

// Whether sockets bound to different loopback addresses stay apart: a datagram from 127.0.0.9
// shows that sender, not 127.0.0.1. Wine binds such sockets to the loopback interface instead,
// so there every sender reads 127.0.0.1 and the addresses share their ports; the tests of
// sender filters need distinct senders and skip there.
bool loopbackAddressesAreSeparate();

} // namespace orvsupport
