// The machine's IPv4 interfaces on Windows, from the IP helper's adapter list.

#include "net/Interfaces.h"
#include "net/SocketApi.h"

#include <iphlpapi.h>

#include <vector>

namespace orv
{
namespace udp
{

namespace
{

std::string dotted(const in_addr& address)
{
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address, text, sizeof text);
    return text;
}

std::uint32_t maskOf(unsigned prefixLength)
{
    return prefixLength == 0 ? 0 : 0xFFFFFFFFu << (32 - prefixLength);
}

std::string dottedNumber(std::uint32_t ip)
{
    in_addr address{};
    address.s_addr = htonl(ip);
    return dotted(address);
}

std::string narrow(const wchar_t* wide)
{
    if (wide == nullptr)
    {
        return "";
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
    {
        return "";
    }
    std::string text(static_cast<size_t>(size - 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, &text[0], size, nullptr, nullptr);
    return text;
}

} // namespace

std::vector<Ipv4Interface> listIpv4Interfaces()
{
    std::vector<Ipv4Interface> found;
    const ULONG flags = GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
    ULONG size = 16 * 1024;
    std::vector<unsigned char> buffer;
    ULONG result = ERROR_BUFFER_OVERFLOW;
    // The list may grow between the size query and the read: retry a few times.
    for (int attempt = 0; attempt < 3 && result == ERROR_BUFFER_OVERFLOW; ++attempt)
    {
        buffer.resize(size);
        result = GetAdaptersAddresses(
            AF_INET, flags, nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
    }
    if (result != NO_ERROR)
    {
        return found;
    }

    for (auto* adapter = reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(buffer.data());
         adapter != nullptr; adapter = adapter->Next)
    {
        for (const IP_ADAPTER_UNICAST_ADDRESS* unicast = adapter->FirstUnicastAddress;
             unicast != nullptr; unicast = unicast->Next)
        {
            const sockaddr* address = unicast->Address.lpSockaddr;
            if (address == nullptr || address->sa_family != AF_INET)
            {
                continue;
            }
            const std::uint32_t ip =
                ntohl(reinterpret_cast<const sockaddr_in*>(address)->sin_addr.s_addr);
            const unsigned prefix = unicast->OnLinkPrefixLength;
            Ipv4Interface entry;
            entry.name = narrow(adapter->FriendlyName);
            entry.address = dottedNumber(ip);
            entry.netmask = dottedNumber(maskOf(prefix));
            entry.up = adapter->OperStatus == IfOperStatusUp;
            entry.loopback = adapter->IfType == IF_TYPE_SOFTWARE_LOOPBACK;
            // Windows lists no broadcast address: it is the network's address with every host
            // bit set, on networks that have host bits to spare (not /31 or /32).
            if (!entry.loopback && prefix > 0 && prefix < 31)
            {
                entry.broadcast = dottedNumber(ip | ~maskOf(prefix));
            }
            entry.multicast = (adapter->Flags & IP_ADAPTER_NO_MULTICAST) == 0;
            found.push_back(entry);
        }
    }
    return found;
}

} // namespace udp
} // namespace orv
