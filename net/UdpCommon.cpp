// The calls of the UDP layer that read the same on BSD sockets and Winsock. Option values go
// through `const char*`, which Winsock wants and the BSD calls accept as `const void*`.

#include "net/SocketApi.h"

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
    std::uint32_t ip = 0;
    std::uint16_t port = 0;
    return localAddress(socket, ip, port) ? port : 0;
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

bool parseIpv4(const std::string& text, std::uint32_t& ip)
{
    in_addr address;
    if (inet_pton(AF_INET, text.c_str(), &address) != 1)
    {
        return false;
    }
    ip = ntohl(address.s_addr);
    return true;
}

std::string ipv4Text(std::uint32_t ip)
{
    in_addr address;
    address.s_addr = htonl(ip);
    char text[kAddressTextSize] = {};
    inet_ntop(AF_INET, &address, text, sizeof text);
    return text;
}

bool resolveIpv4(const std::string& host, std::uint32_t& ip)
{
    if (parseIpv4(host, ip))
    {
        return true;
    }
    if (!startup())
    {
        return false;
    }
    addrinfo hints;
    std::memset(&hints, 0, sizeof hints);
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr)
    {
        return false;
    }
    ip = ntohl(reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr);
    freeaddrinfo(found);
    return true;
}

bool localAddress(SocketHandle socket, std::uint32_t& ip, std::uint16_t& port)
{
    sockaddr_in address;
    std::memset(&address, 0, sizeof address);
    SocketLength length = sizeof address;
    if (::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0)
    {
        return false;
    }
    ip = ntohl(address.sin_addr.s_addr);
    port = ntohs(address.sin_port);
    return true;
}

sockaddr_in socketAddress(std::uint32_t ip, std::uint16_t port)
{
    sockaddr_in address;
    std::memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(ip);
    return address;
}

bool sendTo(SocketHandle socket, const std::string& ip, std::uint16_t port, const void* data,
            std::size_t size)
{
    return sendDatagram(socket, socketAddress(ip, port), data, size);
}

bool sendTo(SocketHandle socket, std::uint32_t ip, std::uint16_t port, const void* data,
            std::size_t size)
{
    return sendDatagram(socket, socketAddress(ip, port), data, size);
}

} // namespace udp
} // namespace orv
