// The system's socket declarations for the socket module's own files (never included
// elsewhere):
// the BSD headers or Winsock 2, the length type the calls take, and the helpers that both
// platforms' files share.
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#endif

#include "net/Udp.h"

#include <cstdint>
#include <string>

namespace orv
{
namespace udp
{

#ifdef _WIN32
using SocketLength = int;
#else
using SocketLength = socklen_t;
#endif

// An IPv4 socket address; text that is no dotted IPv4 address leaves 0.0.0.0.
sockaddr_in socketAddress(const std::string& ip, std::uint16_t port);
// The same from an address in host byte order.
sockaddr_in socketAddress(std::uint32_t ip, std::uint16_t port);

// One datagram to `to` with flags 0; true when the platform took all of it.
bool sendDatagram(SocketHandle socket, const sockaddr_in& to, const void* data, std::size_t size);

// Sends an empty datagram to the socket's own address (loopback when it is bound to every
// interface), which wakes a receive blocked on it. False when it could not be sent.
bool sendEmptyDatagramToSelf(SocketHandle socket);

} // namespace udp
} // namespace orv
