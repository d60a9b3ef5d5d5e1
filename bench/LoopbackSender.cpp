#include "LoopbackSender.h"

#include "net/Udp.h"

#include <stdexcept>

namespace orvbench
{
namespace
{

orv::SocketHandle boundLoopbackSocket()
{
    const orv::SocketHandle socket = orv::udp::openSocket();
    if (socket == orv::kInvalidSocket || !orv::udp::bindTo(socket, "127.0.0.1", 0))
    {
        if (socket != orv::kInvalidSocket)
        {
            orv::udp::closeSocket(socket);
        }
        throw std::runtime_error("cannot bind a UDP socket on 127.0.0.1");
    }
    return socket;
}

constexpr std::uint32_t loopback = 0x7f000001; // 127.0.0.1

} // namespace

std::uint16_t freeLoopbackPort()
{
    const orv::SocketHandle socket = boundLoopbackSocket();
    const std::uint16_t port = orv::udp::localPort(socket);
    orv::udp::closeSocket(socket);
    return port;
}

LoopbackSender::LoopbackSender() : socket_(boundLoopbackSocket()) {}

LoopbackSender::~LoopbackSender()
{
    orv::udp::closeSocket(socket_);
}

bool LoopbackSender::send(std::uint16_t port, const char* data, std::size_t size)
{
    return orv::udp::sendTo(socket_, loopback, port, data, size);
}

} // namespace orvbench
