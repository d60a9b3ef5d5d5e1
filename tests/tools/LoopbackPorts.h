// Loopback ports for the tool tests, always the ones the system hands out, so that the
// suite runs beside `orv demo`, another checkout's tests, or itself under ctest -j.
#pragma once

#include "net/UdpSocket.h"

#include <cstdint>
#include <string>

namespace orvtooltest
{

// A socket of the test's own, bound to 127.0.0.1 on a port the system chose; its
// localEndpoint() says which. A failed bind is a test failure (and a closed socket).
orv::net::UdpSocket loopbackSocket();

// For a port the orv process binds itself: binds 127.0.0.1:0, reads the port the system
// chose and releases it. Ports are handed out at random, so another bind taking it before
// the tool does is unlikely. 0 (and a test failure) when no socket could be bound.
uint16_t freeUdpPort();

// "127.0.0.1:PORT", as --to takes it and the tool prints it.
std::string loopbackText(uint16_t port);

} // namespace orvtooltest
