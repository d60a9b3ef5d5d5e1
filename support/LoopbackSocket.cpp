#include "support/LoopbackSocket.h"

#include "net/Endpoint.h"
#include "net/Udp.h"

namespace orvsupport
{
namespace
{

constexpr std::uint32_t loopbackIp = 0x7f000001; // 127.0.0.1

} // namespace

LoopbackSocket::LoopbackSocket(const std::string& ip, std::uint16_t port)
{
    orv::net::Endpoint local;
    if (!orv::net::makeEndpoint(ip, port, local))
    {
        error_ = "not an IPv4 address: " + ip;
        return;
    }
    if (!open(error_) || !bind(local, error_))
    {
        close();
    }
}

std::uint16_t LoopbackSocket::port() const
{
    return bound() ? localEndpoint().port : 0;
}

bool LoopbackSocket::send(std::uint16_t port, const void* data, std::size_t size)
{
    return bound() && orv::udp::sendTo(handle(), loopbackIp, port, data, size);
}

bool LoopbackSocket::send(std::uint16_t port, const std::string& bytes)
{
    return send(port, bytes.data(), bytes.size());
}

bool LoopbackSocket::send(std::uint16_t port, const std::string& bytes, const std::string& ip)
{
    std::uint32_t to = 0;
    return bound() && orv::udp::parseIpv4(ip, to) &&
           orv::udp::sendTo(handle(), to, port, bytes.data(), bytes.size());
}

bool loopbackAddressesAreSeparate()
{
    LoopbackSocket receiver;
    LoopbackSocket sender("127.0.0.9");
    if (!receiver.bound() || !sender.send(receiver.port(), "probe") ||
        !orv::udp::waitReadable(receiver.handle(), 2000))
    {
        return false;
    }
    char buffer[8];
    char from[orv::udp::kAddressTextSize];
    orv::udp::receiveFrom(receiver.handle(), buffer, sizeof buffer, from);
    return std::string(from) == "127.0.0.9";
}

} // namespace orvsupport
