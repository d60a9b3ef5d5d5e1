#include "receiver/Discovery.h"

#include "net/Interfaces.h"
#include "net/Udp.h"
#include "protocol/WireSchema.h"

#include <algorithm>
#include <cstdint>

namespace orvreceiver
{

std::string discoveryAddress(const std::string& ip)
{
    const std::size_t lastDot = ip.rfind('.');
    if (lastDot == std::string::npos)
    {
        return ip;
    }
    return ip.substr(0, lastDot + 1) + "255";
}

std::vector<std::string> discoveryAddresses(const std::string& ip)
{
    std::uint32_t bound = 0;
    if (!orv::udp::parseIpv4(ip, bound) || bound != 0)
    {
        return {discoveryAddress(ip)};
    }
    std::vector<std::string> addresses;
    const auto add = [&addresses](const std::string& address)
    {
        if (std::find(addresses.begin(), addresses.end(), address) == addresses.end())
        {
            addresses.push_back(address);
        }
    };
    for (const orv::udp::Ipv4Interface& entry : orv::udp::listIpv4Interfaces())
    {
        if (entry.up && !entry.broadcast.empty())
        {
            add(entry.broadcast);
        }
    }
    add(discoveryAddress(orvprotocol::kDefaultIp));
    return addresses;
}

} // namespace orvreceiver
