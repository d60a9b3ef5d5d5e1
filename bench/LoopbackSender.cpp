#include "LoopbackSender.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace orvbench
{
namespace
{

sockaddr_in loopback(std::uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

int boundLoopbackSocket()
{
    const int fd = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    sockaddr_in address = loopback(0);
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
    {
        throw std::runtime_error("cannot bind a UDP socket on 127.0.0.1");
    }
    return fd;
}

} // namespace

std::uint16_t freeLoopbackPort()
{
    const int fd = boundLoopbackSocket();
    sockaddr_in address{};
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

LoopbackSender::LoopbackSender() : fd_(boundLoopbackSocket()) {}

LoopbackSender::~LoopbackSender()
{
    close(fd_);
}

bool LoopbackSender::send(std::uint16_t port, const char* data, std::size_t size)
{
    const sockaddr_in to = loopback(port);
    return sendto(fd_, data, size, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to) ==
           static_cast<ssize_t>(size);
}

} // namespace orvbench
