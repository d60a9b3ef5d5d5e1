// The machine's IPv4 interfaces on Windows, from the IP helper's adapter list.

#include "net/Interfaces.h"
#include "net/SocketHeaders.h"

#include <iphlpapi.h>

#include <vector>

namespace orvtool
{

namespace
{

std::string dotted(const in_addr& address)
{
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address, text, sizeof text);
    return text;
}

std::string netmaskOf(unsigned prefixLength)
{
    in_addr mask{};
    mask.s_addr = prefixLength == 0 ? 0 : htonl(0xFFFFFFFFu << (32 - prefixLength));
    return dotted(mask);
}

std::string narrow(const wchar_t* wide)
{
    if (wide == nullptr)
        return "";
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return "";
    std::string text(static_cast<size_t>(size - 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, &text[0], size, nullptr, nullptr);
    return text;
}

} // namespace

std::vector<InterfaceAddress> listIpv4Interfaces()
{
    std::vector<InterfaceAddress> found;
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
        return found;

    for (auto* adapter = reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(buffer.data());
         adapter != nullptr; adapter = adapter->Next)
    {
        for (const IP_ADAPTER_UNICAST_ADDRESS* unicast = adapter->FirstUnicastAddress;
             unicast != nullptr; unicast = unicast->Next)
        {
            const sockaddr* address = unicast->Address.lpSockaddr;
            if (address == nullptr || address->sa_family != AF_INET)
                continue;
            InterfaceAddress entry;
            entry.name = narrow(adapter->FriendlyName);
            entry.address = dotted(reinterpret_cast<const sockaddr_in*>(address)->sin_addr);
            entry.netmask = netmaskOf(unicast->OnLinkPrefixLength);
            entry.up = adapter->OperStatus == IfOperStatusUp;
            entry.loopback = adapter->IfType == IF_TYPE_SOFTWARE_LOOPBACK;
            entry.multicast = (adapter->Flags & IP_ADAPTER_NO_MULTICAST) == 0;
            found.push_back(entry);
        }
    }
    return found;
}

} // namespace orvtool
