// The tool's UDP socket on BSD sockets (Linux, macOS): opening with IP_PKTINFO, the
// multicast sending options, sending and receiving. UdpSocketCommon.cpp has the rest.

#include "net/UdpSocket.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace orvtool
{

bool UdpSocket::open(std::string& error)
{
    close();
    fd_ = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (fd_ < 0)
    {
        error = "cannot create a UDP socket: " + errnoText(errno);
        return false;
    }
#ifdef IP_PKTINFO
    // Lets receive() tell the address a datagram was sent to (unicast or the group).
    const int on = 1;
    ::setsockopt(fd_, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
#endif
    return true;
}

void UdpSocket::close()
{
    if (fd_ >= 0)
    {
        ::close(fd_);
        fd_ = -1;
    }
}

bool UdpSocket::setMulticastSending(std::string& error)
{
    const unsigned char hops = 1;
    const unsigned char loop = 1;
    if (::setsockopt(fd_, IPPROTO_IP, IP_MULTICAST_TTL, &hops, sizeof hops) != 0 ||
        ::setsockopt(fd_, IPPROTO_IP, IP_MULTICAST_LOOP, &loop, sizeof loop) != 0)
    {
        error = "cannot set the multicast sending options: " + errnoText(errno);
        return false;
    }
    return true;
}

bool UdpSocket::sendTo(const Endpoint& to, const void* data, size_t size, std::string& error)
{
    const ssize_t sent = ::sendto(
        fd_, data, size, 0, reinterpret_cast<const sockaddr*>(&to.address), sizeof to.address);
    if (sent < 0)
    {
        error = "cannot send to " + to.text() + ": " + errnoText(errno);
        return false;
    }
    return true;
}

int UdpSocket::receive(void* buffer, size_t capacity, int timeoutMs, ReceivedDatagram& out,
                       std::string& error)
{
    pollfd waiting{fd_, POLLIN, 0};
    const int ready = ::poll(&waiting, 1, timeoutMs);
    if (ready == 0 || (ready < 0 && errno == EINTR))
        return 0;
    if (ready < 0)
    {
        error = "waiting for datagrams failed: " + errnoText(errno);
        return -1;
    }

    sockaddr_in from{};
    iovec part{buffer, capacity};
    alignas(cmsghdr) char control[128];
    msghdr message{};
    message.msg_name = &from;
    message.msg_namelen = sizeof from;
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t got = ::recvmsg(fd_, &message, 0);
    if (got < 0)
    {
        if (errno == EINTR || errno == EAGAIN)
            return 0;
        error = "receiving failed: " + errnoText(errno);
        return -1;
    }

    timeval now{};
    ::gettimeofday(&now, nullptr);
    out.arrivalSeconds = static_cast<double>(now.tv_sec) + now.tv_usec / 1e6;
    out.size = static_cast<size_t>(got);
    out.truncated = (message.msg_flags & MSG_TRUNC) != 0;
    out.from = endpointOf(from);
    out.to = localEndpoint();
#ifdef IP_PKTINFO
    for (cmsghdr* header = CMSG_FIRSTHDR(&message); header != nullptr;
         header = CMSG_NXTHDR(&message, header))
    {
        if (header->cmsg_level == IPPROTO_IP && header->cmsg_type == IP_PKTINFO)
        {
            in_pktinfo info{};
            std::memcpy(&info, CMSG_DATA(header), sizeof info);
            out.to.address.sin_addr = info.ipi_addr;
        }
    }
#endif
    return 1;
}

} // namespace orvtool
