#include "receiver/AddressWarnings.h"

#include "net/Udp.h"

#include <cstdint>

namespace orvreceiver
{

bool isIpv4Address(const std::string& text)
{
    std::uint32_t address = 0;
    return orv::udp::parseIpv4(text, address);
}

std::string listenAddressWarning(const std::string& ip)
{
    if (isIpv4Address(ip))
    {
        return std::string();
    }
    return "IP \"" + ip + "\" is no IPv4 address: listening on every interface";
}

std::string ipFilterWarning(const std::string& filter)
{
    if (filter.empty() || isIpv4Address(filter))
    {
        return std::string();
    }
    return "IP Filter \"" + filter + "\" is no IPv4 address: every datagram is dropped";
}

} // namespace orvreceiver
