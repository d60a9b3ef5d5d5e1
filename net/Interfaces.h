// The machine's IPv4 interfaces: for the receiver's discovery datagram when it is bound to
// every interface, and for the tool's diagnostics. One implementation per platform:
// posix/InterfacesPosix.cpp (getifaddrs) and win32/InterfacesWin32.cpp (the IP helper's
// adapter list).
#pragma once

#include <string>
#include <vector>

namespace orv
{
namespace udp
{

struct Ipv4Interface
{
    std::string name;    // "eth0", "lo"
    std::string address; // "192.168.1.20"
    std::string netmask; // "255.255.255.0"
    bool up = false;
    bool loopback = false;
    bool multicast = false; // the interface can take part in multicast
    std::string broadcast;  // "192.168.1.255"; empty when the interface has none
};

// Every IPv4 address of every interface, in the system's order; empty when the list cannot
// be read.
std::vector<Ipv4Interface> listIpv4Interfaces();

} // namespace udp
} // namespace orv
