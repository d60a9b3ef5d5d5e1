// The tool's UDP socket on Winsock 2. The socket itself comes from the receiver's socket
// layer, which starts Winsock once per process and switches off the ICMP reset reports.
// Windows does not say here which address a datagram was sent to, so `to` is the bound one.
// UdpSocketCommon.cpp has what both platforms share.

#include "net/SocketHeaders.h"
#include "net/UdpSocket.h"
#include "platform/Platform.h"

#include <chrono>
#include <climits>
#include <utility>

namespace orvtool
{

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
