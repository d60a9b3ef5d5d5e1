#include "support/UdpPorts.h"

#include "support/LoopbackSocket.h"

namespace orvsupport
{

std::uint16_t freeUdpPort(const std::string& ip, std::uint16_t preferred, std::string& error)
{
    if (preferred != 0)
    {
        const LoopbackSocket probe(ip, preferred);
        if (probe.bound())
        {
            return preferred;
        }
    }
    const LoopbackSocket probe(ip, 0);
    if (!probe.bound())
    {
        error = probe.error();
    }
    return probe.port();
}

std::uint16_t freeUdpPort()
{
    std::string error;
    return freeUdpPort("127.0.0.1", 0, error);
}

bool udpPortIsFree(const std::string& ip, std::uint16_t port)
{
    return LoopbackSocket(ip, port).bound();
}

std::string loopbackText(std::uint16_t port)
{
    return "127.0.0.1:" + std::to_string(port);
}

} // namespace orvsupport
