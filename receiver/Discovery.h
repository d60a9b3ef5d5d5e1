// Where a connecting receiver sends its one discovery byte (to the protocol's discovery port).
#pragma once

#include <string>
#include <vector>

namespace orvreceiver
{

// The discovery address for a local address: `ip` cut after its last "." with "255" appended
// (192.168.1.20 gives 192.168.1.255); `ip` itself when it holds no ".".
std::string discoveryAddress(const std::string& ip);

// discoveryAddress(ip) alone, except for a node bound to every interface ("0.0.0.0"), whose
// .255 address no peer could receive: then the broadcast address of every up IPv4 interface
// that has one, and 127.0.0.255 for a peer on this machine, each once.
std::vector<std::string> discoveryAddresses(const std::string& ip);

} // namespace orvreceiver
