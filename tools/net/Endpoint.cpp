#include "net/Endpoint.h"

#include "cli/NumberText.h"
#include "net/SocketHeaders.h"
#include "receiver/UdpSocket.h"

#include <cstring>

namespace orvtool
{

std::string Endpoint::host() const
{
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
    return text;
}

uint16_t Endpoint::port() const
{
    return ntohs(address.sin_port);
}

std::string Endpoint::text() const
{
    return host() + ":" + std::to_string(port());
}

bool Endpoint::isLoopback() const
{
    return (ntohl(address.sin_addr.s_addr) >> 24) == 127;
}

bool Endpoint::isMulticast() const
{
    return (ntohl(address.sin_addr.s_addr) >> 28) == 0xE;
}

bool makeEndpoint(const std::string& ip, uint16_t port, Endpoint& out)
{
    Endpoint endpoint;
    endpoint.address.sin_family = AF_INET;
    endpoint.address.sin_port = htons(port);
    if (inet_pton(AF_INET, ip.c_str(), &endpoint.address.sin_addr) != 1)
        return false;
    out = endpoint;
    return true;
}

Endpoint endpointOf(const sockaddr_in& address)
{
    Endpoint endpoint;
    endpoint.address = address;
    return endpoint;
}

namespace
{

bool resolveHost(const std::string& host, in_addr& out)
{
    if (inet_pton(AF_INET, host.c_str(), &out) == 1)
        return true;
    if (!orv::udp::startup())
        return false;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr)
        return false;
    out = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
    freeaddrinfo(found);
    return true;
}

} // namespace

bool parseEndpoint(const std::string& text, const std::string& defaultHost, uint16_t defaultPort,
                   Endpoint& out, std::string& error)
{
    std::string host = text;
    uint16_t port = defaultPort;
    const size_t colon = text.rfind(':');
    if (colon != std::string::npos)
    {
        host = text.substr(0, colon);
        long long value = 0;
        if (!parseInteger(text.substr(colon + 1), value) || value < 1 || value > 65535)
        {
            error = "bad port in \"" + text + "\" (want HOST:PORT, port 1 to 65535)";
            return false;
        }
        port = static_cast<uint16_t>(value);
    }
    if (host.empty())
        host = defaultHost;

    Endpoint endpoint;
    endpoint.address.sin_family = AF_INET;
    endpoint.address.sin_port = htons(port);
    if (!resolveHost(host, endpoint.address.sin_addr))
    {
        error = "\"" + host + "\" is no IPv4 address or known host name";
        return false;
    }
    out = endpoint;
    return true;
}

} // namespace orvtool
