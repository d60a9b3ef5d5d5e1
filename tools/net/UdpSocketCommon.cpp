// The parts of the tool's UDP socket that read the same on BSD sockets and Winsock: moving,
// binding with an explanation of the usual failures, the bound address, the multicast join.

#include "net/SocketHeaders.h"
#include "net/UdpSocket.h"
#include "platform/Platform.h"

#include <utility>

namespace orvtool
{
namespace
{

#ifdef _WIN32
// Windows answers a port held exclusively by another program with "access denied".
bool portIsTaken(int number)
{
    return number == WSAEADDRINUSE || number == WSAEACCES;
}
constexpr int addressNotAvailable = WSAEADDRNOTAVAIL;
#else
bool portIsTaken(int number)
{
    return number == EADDRINUSE;
}
constexpr int addressNotAvailable = EADDRNOTAVAIL;
#endif

} // namespace

std::string errnoText(int number)
{
    return systemErrorText(number) + " (" + std::to_string(number) + ")";
}

UdpSocket::~UdpSocket()
{
    close();
}

UdpSocket::UdpSocket(UdpSocket&& other) noexcept : fd_(std::exchange(other.fd_, orv::invalidSocket))
{
}

UdpSocket& UdpSocket::operator=(UdpSocket&& other) noexcept
{
    if (this != &other)
    {
        close();
        fd_ = std::exchange(other.fd_, orv::invalidSocket);
    }
    return *this;
}

bool UdpSocket::bind(const Endpoint& local, std::string& error)
{
    if (::bind(fd_, reinterpret_cast<const sockaddr*>(&local.address), sizeof local.address) != 0)
    {
        const int number = orv::udp::lastError();
        error = "cannot bind UDP " + local.text() + ": " + errnoText(number);
        if (portIsTaken(number))
            error += "; another program (a receiver, an orv command) already uses that port";
        else if (number == addressNotAvailable)
            error += "; that address belongs to no interface of this machine";
        return false;
    }
    return true;
}

Endpoint UdpSocket::localEndpoint() const
{
    Endpoint endpoint;
    SocketLength length = sizeof endpoint.address;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&endpoint.address), &length);
    return endpoint;
}

bool UdpSocket::joinMulticast(const std::string& group, const std::string& interfaceIp,
                              std::string& error)
{
    ip_mreq request{};
    if (inet_pton(AF_INET, group.c_str(), &request.imr_multiaddr) != 1 ||
        inet_pton(AF_INET, interfaceIp.c_str(), &request.imr_interface) != 1)
    {
        error = "bad multicast group or interface address";
        return false;
    }
    if (::setsockopt(fd_, IPPROTO_IP, IP_ADD_MEMBERSHIP, reinterpret_cast<const char*>(&request),
                     sizeof request) != 0)
    {
        error = "cannot join multicast group " + group + " on " + interfaceIp + ": " +
                errnoText(orv::udp::lastError());
        return false;
    }
    return true;
}

} // namespace orvtool
