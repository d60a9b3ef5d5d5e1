#include "LoopbackPorts.h"

#include <gtest/gtest.h>

namespace orvtooltest
{

orv::net::UdpSocket loopbackSocket()
{
    orv::net::UdpSocket socket;
    orv::net::Endpoint local;
    std::string error;
    orv::net::makeEndpoint("127.0.0.1", 0, local);
    if (!socket.open(error) || !socket.bind(local, error))
    {
        ADD_FAILURE() << "cannot bind a loopback socket: " << error;
        socket.close();
    }
    return socket;
}

uint16_t freeUdpPort()
{
    const orv::net::UdpSocket probe = loopbackSocket();
    return probe.isOpen() ? probe.localEndpoint().port : 0;
}

std::string loopbackText(uint16_t port)
{
    return "127.0.0.1:" + std::to_string(port);
}

} // namespace orvtooltest
