// The system's socket declarations for the UDP layer's own files (never included elsewhere):
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
#include <netinet/in.h>
#include <sys/socket.h>
#endif

#include "receiver/UdpSocket.h"

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

// Sends an empty datagram to the socket's own address (loopback when it is bound to every
// interface), which wakes a receive blocked on it. False when it could not be sent.
bool sendEmptyDatagramToSelf(SocketHandle socket);

} // namespace udp
} // namespace orv
