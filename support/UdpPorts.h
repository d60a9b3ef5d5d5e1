// Free UDP ports, for a process that binds a port itself (a node in the headless host, an orv
// command under test, `orv demo`): bind port 0, read the port the system handed out, release
// it. Ports are handed out at random, so another bind taking it first is unlikely.
#pragma once

#include <cstdint>
#include <string>

namespace orvsupport
{

// A port on `ip` that nothing holds right now: `preferred` when it is free (0: no
// preference), else one the system hands out. 0, with the reason in `error`, when no socket
// binds at all.
std::uint16_t freeUdpPort(const std::string& ip, std::uint16_t preferred, std::string& error);
// The same on 127.0.0.1 without a preference; 0 when no socket binds.
std::uint16_t freeUdpPort();

// Whether a UDP socket could bind ip:port right now (so nothing holds it).
bool udpPortIsFree(const std::string& ip, std::uint16_t port);

// "127.0.0.1:PORT", as the orv tool takes an address and prints it.
std::string loopbackText(std::uint16_t port);

} // namespace orvsupport
