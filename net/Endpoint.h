// An IPv4 address and UDP port, read from "HOST:PORT", "HOST" or ":PORT" text. HOST is a
// dotted IPv4 address or a name the resolver turns into one ("localhost").
#pragma once

#include <cstdint>
#include <string>

namespace orv
{
namespace net
{

struct Endpoint
{
    std::uint32_t ip = 0; // host byte order
    std::uint16_t port = 0;

    std::string host() const; // "127.0.0.1"
    std::string text() const; // "127.0.0.1:3650"
    bool isLoopback() const;  // 127.0.0.0/8
    bool isMulticast() const; // 224.0.0.0/4
};

// Reads `text`; a part left out takes `defaultHost` / `defaultPort`. False, with a message
// in `error`, for a bad port or a host that does not resolve to an IPv4 address.
bool parseEndpoint(const std::string& text, const std::string& defaultHost,
                   std::uint16_t defaultPort, Endpoint& out, std::string& error);

// The endpoint of a dotted IPv4 address and a port; false when `ip` is not dotted IPv4.
bool makeEndpoint(const std::string& ip, std::uint16_t port, Endpoint& out);

} // namespace net
} // namespace orv
