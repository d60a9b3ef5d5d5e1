#include "net/UdpSocket.h"

#include <chrono>
#include <utility>

namespace orv
{
namespace net
{
namespace
{

bool portIsTaken(int number)
{
#ifdef _WIN32
    // Windows answers a port held exclusively by another program with "access denied".
    if (number == udp::kAccessDeniedError)
        return true;
#endif
    return number == udp::kAddressInUseError;
}

} // namespace

std::string errnoText(int number)
{
    return udp::errorText(number) + " (" + std::to_string(number) + ")";
}

UdpSocket::~UdpSocket()
{
    close();
}

UdpSocket::UdpSocket(UdpSocket&& other) noexcept : fd_(std::exchange(other.fd_, kInvalidSocket)) {}

UdpSocket& UdpSocket::operator=(UdpSocket&& other) noexcept
{
    if (this != &other)
    {
        close();
        fd_ = std::exchange(other.fd_, kInvalidSocket);
    }
    return *this;
}

bool UdpSocket::open(std::string& error)
{
    close();
    fd_ = udp::openSocket();
    if (fd_ == kInvalidSocket)
    {
        error = "cannot create a UDP socket: " + errnoText(udp::lastError());
        return false;
    }
    // Lets receive() tell the address a datagram was sent to (unicast or the group), where
    // the platform can.
    udp::enableDestinationAddress(fd_);
    return true;
}

void UdpSocket::close()
{
    if (fd_ != kInvalidSocket)
    {
        udp::closeSocket(fd_);
        fd_ = kInvalidSocket;
    }
}

bool UdpSocket::bind(const Endpoint& local, std::string& error)
{
    if (!udp::bindTo(fd_, local.host(), local.port))
    {
        const int number = udp::lastError();
        error = "cannot bind UDP " + local.text() + ": " + errnoText(number);
        if (portIsTaken(number))
        {
            error += "; another program (a receiver, an orv command) already uses that port";
        }
        else if (number == udp::kAddressNotAvailableError)
        {
            error += "; that address belongs to no interface of this machine";
        }
        return false;
    }
    return true;
}

Endpoint UdpSocket::localEndpoint() const
{
    Endpoint endpoint;
    udp::localAddress(fd_, endpoint.ip, endpoint.port);
    return endpoint;
}

bool UdpSocket::joinMulticast(const std::string& group, const std::string& interfaceIp,
                              std::string& error)
{
    std::uint32_t ignored = 0;
    if (!udp::parseIpv4(group, ignored) || !udp::parseIpv4(interfaceIp, ignored))
    {
        error = "bad multicast group or interface address";
        return false;
    }
    if (!udp::joinMulticastGroup(fd_, group, interfaceIp))
    {
        error = "cannot join multicast group " + group + " on " + interfaceIp + ": " +
                errnoText(udp::lastError());
        return false;
    }
    return true;
}

bool UdpSocket::setMulticastSending(std::string& error)
{
    if (!udp::setMulticastSending(fd_))
    {
        error = "cannot set the multicast sending options: " + errnoText(udp::lastError());
        return false;
    }
    return true;
}

bool UdpSocket::sendTo(const Endpoint& to, const void* data, size_t size, std::string& error)
{
    if (!udp::sendTo(fd_, to.ip, to.port, data, size))
    {
        error = "cannot send to " + to.text() + ": " + errnoText(udp::lastError());
        return false;
    }
    return true;
}

int UdpSocket::receive(void* buffer, size_t capacity, int timeoutMs, ReceivedDatagram& out,
                       std::string& error)
{
    if (!udp::waitReadable(fd_, timeoutMs))
    {
        return 0;
    }
    udp::DatagramInfo info;
    const int got = udp::receiveDatagram(fd_, buffer, capacity, info);
    if (got < 0)
    {
        error = "receiving failed: " + errnoText(udp::lastError());
        return -1;
    }
    if (got == 0)
    {
        return 0;
    }

    const auto now = std::chrono::system_clock::now().time_since_epoch();
    out.arrivalSeconds = std::chrono::duration<double>(now).count();
    out.size = info.size;
    out.truncated = info.truncated;
    out.from = Endpoint{info.senderIp, info.senderPort};
    out.to = localEndpoint();
    if (info.destinationIp != 0)
    {
        out.to.ip = info.destinationIp;
    }
    return 1;
}

} // namespace net
} // namespace orv
