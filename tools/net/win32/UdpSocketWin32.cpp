// The tool's UDP socket on Winsock 2. The socket itself comes from the receiver's socket
// layer, which starts Winsock once per process and switches off the ICMP reset reports.
// Windows does not say here which address a datagram was sent to, so `to` is the bound one.

#include "net/SocketHeaders.h"
#include "net/UdpSocket.h"
#include "platform/Platform.h"

#include <chrono>
#include <climits>
#include <utility>

namespace orvtool
{

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

bool UdpSocket::open(std::string& error)
{
    close();
    fd_ = orv::udp::openSocket();
    if (fd_ == orv::invalidSocket)
    {
        error = "cannot create a UDP socket: " + errnoText(orv::udp::lastError());
        return false;
    }
    return true;
}

void UdpSocket::close()
{
    if (fd_ != orv::invalidSocket)
    {
        orv::udp::closeSocket(fd_);
        fd_ = orv::invalidSocket;
    }
}

bool UdpSocket::bind(const Endpoint& local, std::string& error)
{
    if (::bind(fd_, reinterpret_cast<const sockaddr*>(&local.address), sizeof local.address) != 0)
    {
        const int number = WSAGetLastError();
        error = "cannot bind UDP " + local.text() + ": " + errnoText(number);
        if (number == WSAEADDRINUSE || number == WSAEACCES)
            error += "; another program (a receiver, an orv command) already uses that port";
        else if (number == WSAEADDRNOTAVAIL)
            error += "; that address belongs to no interface of this machine";
        return false;
    }
    return true;
}

Endpoint UdpSocket::localEndpoint() const
{
    Endpoint endpoint;
    int length = sizeof endpoint.address;
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
                errnoText(WSAGetLastError());
        return false;
    }
    return true;
}

bool UdpSocket::setMulticastSending(std::string& error)
{
    // Winsock takes these two as DWORD, where the BSD stacks take a byte.
    const DWORD hops = 1;
    const DWORD loop = 1;
    if (::setsockopt(fd_, IPPROTO_IP, IP_MULTICAST_TTL, reinterpret_cast<const char*>(&hops),
                     sizeof hops) != 0 ||
        ::setsockopt(fd_, IPPROTO_IP, IP_MULTICAST_LOOP, reinterpret_cast<const char*>(&loop),
                     sizeof loop) != 0)
    {
        error = "cannot set the multicast sending options: " + errnoText(WSAGetLastError());
        return false;
    }
    return true;
}

bool UdpSocket::sendTo(const Endpoint& to, const void* data, size_t size, std::string& error)
{
    if (size > static_cast<size_t>(INT_MAX))
    {
        error = "cannot send to " + to.text() + ": datagram too long";
        return false;
    }
    const int sent = ::sendto(fd_, static_cast<const char*>(data), static_cast<int>(size), 0,
                              reinterpret_cast<const sockaddr*>(&to.address), sizeof to.address);
    if (sent == SOCKET_ERROR)
    {
        error = "cannot send to " + to.text() + ": " + errnoText(WSAGetLastError());
        return false;
    }
    return true;
}

int UdpSocket::receive(void* buffer, size_t capacity, int timeoutMs, ReceivedDatagram& out,
                       std::string& error)
{
    if (!orv::udp::waitReadable(fd_, timeoutMs))
        return 0;

    sockaddr_in from{};
    int fromLength = sizeof from;
    const int limit =
        capacity > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(capacity);
    int got = ::recvfrom(fd_, static_cast<char*>(buffer), limit, 0,
                         reinterpret_cast<sockaddr*>(&from), &fromLength);
    bool truncated = false;
    if (got == SOCKET_ERROR)
    {
        const int number = WSAGetLastError();
        if (number == WSAEMSGSIZE)
        {
            // The buffer holds the datagram's first bytes.
            got = limit;
            truncated = true;
        }
        else if (number == WSAEINTR || number == WSAEWOULDBLOCK || number == WSAECONNRESET)
        {
            return 0;
        }
        else
        {
            error = "receiving failed: " + errnoText(number);
            return -1;
        }
    }

    const auto now = std::chrono::system_clock::now().time_since_epoch();
    out.arrivalSeconds = std::chrono::duration<double>(now).count();
    out.size = static_cast<size_t>(got);
    out.truncated = truncated;
    out.from = endpointOf(from);
    out.to = localEndpoint();
    return 1;
}

} // namespace orvtool
