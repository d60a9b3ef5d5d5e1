// The UDP layer on BSD sockets (Linux, macOS); UdpCommon.cpp has the calls that read the
// same on Winsock.

#include "net/SocketApi.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace orv
{
namespace udp
{
namespace
{

// The sender's address as inet_ntop writes it (dotted decimal, no leading zeros). glibc's
// inet_ntop runs a formatted print for it, several hundred nanoseconds on every datagram.
void writeDotted(const in_addr& address, char (&text)[kAddressTextSize])
{
    const auto* octets = reinterpret_cast<const unsigned char*>(&address.s_addr);
    char* out = text;
    for (int i = 0; i < 4; ++i)
    {
        const unsigned value = octets[i];
        if (value >= 100)
        {
            *out++ = static_cast<char>('0' + value / 100);
        }
        if (value >= 10)
        {
            *out++ = static_cast<char>('0' + value / 10 % 10);
        }
        *out++ = static_cast<char>('0' + value % 10);
        if (i < 3)
        {
            *out++ = '.';
        }
    }
    *out = '\0';
}

} // namespace

bool startup()
{
    return true;
}

SocketHandle openSocket()
{
    // Close-on-exec: a program the host starts must not inherit the socket, and with it the
    // port, which would then stay taken after the node lets it go.
#ifdef SOCK_CLOEXEC
    return ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
#else
    const SocketHandle socket = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (socket != kInvalidSocket)
    {
        // Fails only for a descriptor that is not open.
        ::fcntl(socket, F_SETFD, FD_CLOEXEC);
    }
    return socket;
#endif
}

bool sendDatagram(SocketHandle socket, const sockaddr_in& to, const void* data, std::size_t size)
{
    const ssize_t sent =
        ::sendto(socket, data, size, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    return sent >= 0 && static_cast<std::size_t>(sent) == size;
}

int receiveFrom(SocketHandle socket, char* buffer, std::size_t capacity,
                char (&senderText)[kAddressTextSize], std::uint16_t* senderPort)
{
    if (capacity > static_cast<std::size_t>(INT_MAX))
    {
        capacity = static_cast<std::size_t>(INT_MAX);
    }
    sockaddr_in sender;
    ssize_t received;
    do
    {
        std::memset(&sender, 0, sizeof sender);
        socklen_t senderLength = sizeof sender;
        // Without MSG_TRUNC a longer datagram is cut to `capacity` and the count says so.
        received = ::recvfrom(socket, buffer, capacity, 0, reinterpret_cast<sockaddr*>(&sender),
                              &senderLength);
    } while (received < 0 && errno == EINTR); // a signal is no receive error

    std::memset(senderText, 0, kAddressTextSize);
    if (received < 0)
    {
        return -1;
    }
    writeDotted(sender.sin_addr, senderText);
    if (senderPort != nullptr)
    {
        *senderPort = ntohs(sender.sin_port);
    }
    return static_cast<int>(received);
}

bool waitReadable(SocketHandle socket, int timeoutMs)
{
    pollfd entry;
    entry.fd = socket;
    entry.events = POLLIN;
    entry.revents = 0;
    return ::poll(&entry, 1, timeoutMs) > 0 && (entry.revents & POLLIN) != 0;
}

void wakeReceiver(SocketHandle socket)
{
    // Linux shuts the receive side of a UDP socket down even though it reports ENOTCONN for an
    // unconnected one: the blocked recvfrom returns 0 and so does every later one.
    ::shutdown(socket, SHUT_RD);
#ifndef __linux__
    // The BSD stacks refuse the shutdown of an unconnected socket. An empty datagram to the
    // socket's own address wakes the receiver there: it is queued even if the receiver has
    // not reached recvfrom yet, and an empty datagram is dropped unread.
    sendEmptyDatagramToSelf(socket);
#endif
}

void closeSocket(SocketHandle socket)
{
    ::close(socket);
}

int lastError()
{
    return errno;
}

bool setMulticastSending(SocketHandle socket)
{
    const unsigned char hops = 1;
    const unsigned char loop = 1;
    return ::setsockopt(socket, IPPROTO_IP, IP_MULTICAST_TTL, &hops, sizeof hops) == 0 &&
           ::setsockopt(socket, IPPROTO_IP, IP_MULTICAST_LOOP, &loop, sizeof loop) == 0;
}

bool enableDestinationAddress(SocketHandle socket)
{
#ifdef IP_PKTINFO
    const int on = 1;
    return ::setsockopt(socket, IPPROTO_IP, IP_PKTINFO, &on, sizeof on) == 0;
#else
    (void)socket;
    return false;
#endif
}

int receiveDatagram(SocketHandle socket, void* buffer, std::size_t capacity, DatagramInfo& out)
{
    sockaddr_in from;
    std::memset(&from, 0, sizeof from);
    iovec part{buffer, capacity};
    alignas(cmsghdr) char control[128];
    msghdr message;
    std::memset(&message, 0, sizeof message);
    message.msg_name = &from;
    message.msg_namelen = sizeof from;
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t got = ::recvmsg(socket, &message, 0);
    if (got < 0)
    {
        return errno == EINTR || errno == EAGAIN ? 0 : -1;
    }

    out = DatagramInfo{};
    out.size = static_cast<std::size_t>(got);
    out.truncated = (message.msg_flags & MSG_TRUNC) != 0;
    out.senderIp = ntohl(from.sin_addr.s_addr);
    out.senderPort = ntohs(from.sin_port);
#ifdef IP_PKTINFO
    for (cmsghdr* header = CMSG_FIRSTHDR(&message); header != nullptr;
         header = CMSG_NXTHDR(&message, header))
    {
        if (header->cmsg_level == IPPROTO_IP && header->cmsg_type == IP_PKTINFO)
        {
            in_pktinfo info;
            std::memcpy(&info, CMSG_DATA(header), sizeof info);
            out.destinationIp = ntohl(info.ipi_addr.s_addr);
        }
    }
#endif
    return 1;
}

std::string errorText(int number)
{
    return std::strerror(number);
}

} // namespace udp
} // namespace orv
