#include "net/Interfaces.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

namespace orv
{
namespace udp
{

namespace
{

std::string dotted(const sockaddr* address)
{
    if (address == nullptr || address->sa_family != AF_INET)
    {
        return "";
    }
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(address)->sin_addr, text, sizeof text);
    return text;
}

} // namespace

std::vector<Ipv4Interface> listIpv4Interfaces()
{
    std::vector<Ipv4Interface> found;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
    {
        return found;
    }
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next)
    {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET)
        {
            continue;
        }
        Ipv4Interface address;
        address.name = entry->ifa_name != nullptr ? entry->ifa_name : "";
        address.address = dotted(entry->ifa_addr);
        address.netmask = dotted(entry->ifa_netmask);
        // The broadcast address shares its field with a point-to-point link's peer address,
        // so it counts only with the broadcast flag.
        if ((entry->ifa_flags & IFF_BROADCAST) != 0)
        {
            address.broadcast = dotted(entry->ifa_broadaddr);
        }
        address.up = (entry->ifa_flags & IFF_UP) != 0;
        address.loopback = (entry->ifa_flags & IFF_LOOPBACK) != 0;
        address.multicast = (entry->ifa_flags & IFF_MULTICAST) != 0;
        found.push_back(address);
    }
    freeifaddrs(list);
    return found;
}

} // namespace udp
} // namespace orv
