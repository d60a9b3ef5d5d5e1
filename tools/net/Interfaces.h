// The machine's IPv4 interfaces, for the monitor's diagnostics.
#pragma once

#include <string>
#include <vector>

namespace orvtool
{

struct InterfaceAddress
{
    std::string name;    // "eth0", "lo"
    std::string address; // "192.168.1.20"
    std::string netmask; // "255.255.255.0"
    bool up = false;
    bool loopback = false;
    bool multicast = false; // the interface can take part in multicast
};

// Every IPv4 address of every interface, in the system's order; empty when the list cannot
// be read.
std::vector<InterfaceAddress> listIpv4Interfaces();

} // namespace orvtool
