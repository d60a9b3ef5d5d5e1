#include "net/Endpoint.h"

#include "net/Udp.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>

namespace orv
{
namespace net
{

std::string Endpoint::host() const
{
    return udp::ipv4Text(ip);
}

std::string Endpoint::text() const
{
    return host() + ":" + std::to_string(port);
}

bool Endpoint::isLoopback() const
{
    return (ip >> 24) == 127;
}

bool Endpoint::isMulticast() const
{
    return (ip >> 28) == 0xE;
}

bool makeEndpoint(const std::string& ip, std::uint16_t port, Endpoint& out)
{
    Endpoint endpoint;
    endpoint.port = port;
    if (!udp::parseIpv4(ip, endpoint.ip))
    {
        return false;
    }
    out = endpoint;
    return true;
}

namespace
{

// A port number: the whole text a decimal integer (sign allowed) from 1 to 65535.
bool parsePort(const std::string& text, std::uint16_t& port)
{
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0])))
    {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || end != text.c_str() + text.size() || value < 1 || value > 65535)
    {
        return false;
    }
    port = static_cast<std::uint16_t>(value);
    return true;
}

} // namespace

bool parseEndpoint(const std::string& text, const std::string& defaultHost,
                   std::uint16_t defaultPort, Endpoint& out, std::string& error)
{
    std::string host = text;
    std::uint16_t port = defaultPort;
    const size_t colon = text.rfind(':');
    if (colon != std::string::npos)
    {
        host = text.substr(0, colon);
        if (!parsePort(text.substr(colon + 1), port))
        {
            error = "bad port in \"" + text + "\" (want HOST:PORT, port 1 to 65535)";
            return false;
        }
    }
    if (host.empty())
    {
        host = defaultHost;
    }

    Endpoint endpoint;
    endpoint.port = port;
    if (!udp::resolveIpv4(host, endpoint.ip))
    {
        error = "\"" + host + "\" is no IPv4 address or known host name";
        return false;
    }
    out = endpoint;
    return true;
}

} // namespace net
} // namespace orv
