// The calls of the UDP layer that read the same on BSD sockets and Winsock. Option values go
// through `const char*`, which Winsock wants and the BSD calls accept as `const void*`.

#include "receiver/SocketApi.h"

#include <cstring>

namespace orv
{
namespace udp
{

sockaddr_in socketAddress(const std::string& ip, std::uint16_t port)
{
    sockaddr_in address;
    std::memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    inet_pton(AF_INET, ip.c_str(), &address.sin_addr);
    return address;
}

bool bindTo(SocketHandle socket, const std::string& ip, std::uint16_t port)
{
    const sockaddr_in address = socketAddress(ip, port);
    return ::bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

bool joinMulticastGroup(SocketHandle socket, const std::string& group,
                        const std::string& interfaceIp)
{
    ip_mreq request;
    std::memset(&request, 0, sizeof request);
    inet_pton(AF_INET, group.c_str(), &request.imr_multiaddr);
    inet_pton(AF_INET, interfaceIp.c_str(), &request.imr_interface);
    return ::setsockopt(socket, IPPROTO_IP, IP_ADD_MEMBERSHIP,
                        reinterpret_cast<const char*>(&request), sizeof request) >= 0;
}

bool enableBroadcast(SocketHandle socket)
{
    const int on = 1;
    return ::setsockopt(socket, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&on),
                        sizeof on) == 0;
}

std::uint16_t localPort(SocketHandle socket)
{
    sockaddr_in address;
    std::memset(&address, 0, sizeof address);
    SocketLength length = sizeof address;
    if (::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0)
    {
        return 0;
    }
    return ntohs(address.sin_port);
}

bool sendEmptyDatagramToSelf(SocketHandle socket)
{
    sockaddr_in self;
    std::memset(&self, 0, sizeof self);
    SocketLength length = sizeof self;
    if (::getsockname(socket, reinterpret_cast<sockaddr*>(&self), &length) != 0)
    {
        return false;
    }
    if (self.sin_addr.s_addr == htonl(INADDR_ANY))
    {
        self.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    }
    return ::sendto(socket, "", 0, 0, reinterpret_cast<const sockaddr*>(&self), sizeof self) == 0;
}

} // namespace udp
} // namespace orv
