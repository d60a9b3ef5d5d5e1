// What a node says of an address text that is no dotted IPv4 address. Such an "IP" still
// binds every interface (the conversion leaves 0.0.0.0), and such an "IP Filter" matches no
// sender, since a sender is always written as dotted text: both are kept as they are, and the
// node warns instead of failing silently.
#pragma once

#include <string>

namespace orvreceiver
{

// Whether `text` is a dotted IPv4 address, as the socket layer reads one (no blank around it).
bool isIpv4Address(const std::string& text);

// IP "localhost" is no IPv4 address: listening on every interface
// "" when `ip` is an address.
std::string listenAddressWarning(const std::string& ip);

// IP Filter "x" is no IPv4 address: every datagram is dropped
// "" when `filter` is empty (every sender) or an address.
std::string ipFilterWarning(const std::string& filter);

} // namespace orvreceiver
