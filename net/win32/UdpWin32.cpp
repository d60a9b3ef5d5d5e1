// The UDP layer on Winsock 2; UdpCommon.cpp has the calls that read the same on the BSD
// sockets.

#include "net/SocketApi.h"

#include <climits>
#include <cstring>
#include <mutex>
#include <type_traits>

// Not every SDK's headers define it (it lives in mstcpip.h where they do).
#ifndef SIO_UDP_CONNRESET
#define SIO_UDP_CONNRESET _WSAIOW(IOC_VENDOR, 12)
#endif
#ifndef WSA_FLAG_NO_HANDLE_INHERIT
#define WSA_FLAG_NO_HANDLE_INHERIT 0x80
#endif

static_assert(std::is_same<SOCKET, orv::SocketHandle>::value, "SocketHandle must be SOCKET");
static_assert(INVALID_SOCKET == orv::kInvalidSocket, "kInvalidSocket must be INVALID_SOCKET");
static_assert(WSAEADDRINUSE == orv::udp::kAddressInUseError,
              "kAddressInUseError must be Winsock's");
static_assert(WSAEADDRNOTAVAIL == orv::udp::kAddressNotAvailableError, "Winsock's numbers");
static_assert(WSAEACCES == orv::udp::kAccessDeniedError, "Winsock's numbers");

namespace orv
{
namespace udp
{
namespace
{

// Winsock is started once per process, however many receivers and threads ask, and stays up
// until the process ends: several nodes share it, and a cleanup per node could pull it away
// from another node's open socket.
std::once_flag winsockStarted;
int winsockStartError = 0;

} // namespace

bool startup()
{
    std::call_once(winsockStarted,
                   []
                   {
                       WSADATA data;
                       winsockStartError = WSAStartup(MAKEWORD(2, 2), &data);
                   });
    if (winsockStartError != 0)
    {
        WSASetLastError(winsockStartError);
        return false;
    }
    return true;
}

SocketHandle openSocket()
{
    if (!startup())
    {
        return kInvalidSocket;
    }
    // Not inheritable: a program the host starts must not take the socket, and with it the
    // port, along. WSA_FLAG_OVERLAPPED is what ::socket would pass.
    SOCKET socket = ::WSASocketW(AF_INET, SOCK_DGRAM, IPPROTO_UDP, nullptr, 0,
                                 WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
    if (socket == INVALID_SOCKET)
    {
        return kInvalidSocket;
    }
    // Winsock reports an ICMP "port unreachable" for an earlier sendto (the discovery datagram
    // to a port where nobody listens) as WSAECONNRESET on the next recvfrom. That is no
    // receive error of ours; switch the report off.
    BOOL reportReset = FALSE;
    DWORD returned = 0;
    WSAIoctl(socket, SIO_UDP_CONNRESET, &reportReset, sizeof reportReset, nullptr, 0, &returned,
             nullptr, nullptr);
    return socket;
}

bool sendDatagram(SocketHandle socket, const sockaddr_in& to, const void* data, std::size_t size)
{
    if (size > static_cast<std::size_t>(INT_MAX))
    {
        return false;
    }
    const int sent = ::sendto(socket, static_cast<const char*>(data), static_cast<int>(size), 0,
                              reinterpret_cast<const sockaddr*>(&to), sizeof to);
    return sent != SOCKET_ERROR && static_cast<std::size_t>(sent) == size;
}

int receiveFrom(SocketHandle socket, char* buffer, std::size_t capacity,
                char (&senderText)[kAddressTextSize], std::uint16_t* senderPort)
{
    if (capacity > static_cast<std::size_t>(INT_MAX))
    {
        capacity = static_cast<std::size_t>(INT_MAX);
    }
    sockaddr_in sender;
    std::memset(&sender, 0, sizeof sender);
    int senderLength = sizeof sender;
    int received = ::recvfrom(socket, buffer, static_cast<int>(capacity), 0,
                              reinterpret_cast<sockaddr*>(&sender), &senderLength);
    // Winsock fills the buffer with the start of a longer datagram and reports WSAEMSGSIZE,
    // where BSD sockets cut it silently: the same datagram, cut to the buffer.
    if (received == SOCKET_ERROR && WSAGetLastError() == WSAEMSGSIZE)
    {
        received = static_cast<int>(capacity);
    }

    std::memset(senderText, 0, kAddressTextSize);
    if (received == SOCKET_ERROR)
    {
        return -1;
    }
    inet_ntop(AF_INET, &sender.sin_addr, senderText, kAddressTextSize);
    if (senderPort != nullptr)
    {
        *senderPort = ntohs(sender.sin_port);
    }
    return received;
}

bool waitReadable(SocketHandle socket, int timeoutMs)
{
    WSAPOLLFD entry;
    entry.fd = socket;
    entry.events = POLLRDNORM;
    entry.revents = 0;
    return WSAPoll(&entry, 1, timeoutMs) > 0 && (entry.revents & POLLRDNORM) != 0;
}

void wakeReceiver(SocketHandle socket)
{
    // Winsock has no shutdown that wakes a blocked recvfrom on an unconnected UDP socket, and
    // closing the socket under the receiver would let a new socket reuse its handle. An empty
    // datagram to the socket's own address wakes it: it is queued even if the receiver has
    // not reached recvfrom yet, and an empty datagram is dropped unread.
    if (sendEmptyDatagramToSelf(socket))
    {
        return;
    }
    // The datagram could not go (the bound interface went away): refuse further receives,
    // which ends a blocked one on the stacks that support it, and still leaves the handle
    // open until the receiver has stopped.
    ::shutdown(socket, SD_BOTH);
}

void closeSocket(SocketHandle socket)
{
    ::closesocket(socket);
}

int lastError()
{
    return WSAGetLastError();
}

bool setMulticastSending(SocketHandle socket)
{
    // Winsock takes these two as DWORD, where the BSD stacks take a byte.
    const DWORD hops = 1;
    const DWORD loop = 1;
    return ::setsockopt(socket, IPPROTO_IP, IP_MULTICAST_TTL, reinterpret_cast<const char*>(&hops),
                        sizeof hops) == 0 &&
           ::setsockopt(socket, IPPROTO_IP, IP_MULTICAST_LOOP, reinterpret_cast<const char*>(&loop),
                        sizeof loop) == 0;
}

bool enableDestinationAddress(SocketHandle)
{
    // Windows tells the destination only through WSARecvMsg, which the tool does without.
    return false;
}

int receiveDatagram(SocketHandle socket, void* buffer, std::size_t capacity, DatagramInfo& out)
{
    sockaddr_in from;
    std::memset(&from, 0, sizeof from);
    int fromLength = sizeof from;
    const int limit =
        capacity > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(capacity);
    int got = ::recvfrom(socket, static_cast<char*>(buffer), limit, 0,
                         reinterpret_cast<sockaddr*>(&from), &fromLength);
    bool truncated = false;
    if (got == SOCKET_ERROR)
    {
        const int number = WSAGetLastError();
        if (number == WSAEMSGSIZE)
        {
            // The buffer holds the datagram's first bytes.
            got = limit;
            truncated = true;
        }
        else if (number == WSAEINTR || number == WSAEWOULDBLOCK || number == WSAECONNRESET)
        {
            return 0;
        }
        else
        {
            return -1;
        }
    }
    out = DatagramInfo{};
    out.size = static_cast<std::size_t>(got);
    out.truncated = truncated;
    out.senderIp = ntohl(from.sin_addr.s_addr);
    out.senderPort = ntohs(from.sin_port);
    return 1;
}

std::string errorText(int number)
{
    // Winsock's numbers (10000 and up) and the other system error codes share one table.
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(number), 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string result = length > 0 && text != nullptr ? std::string(text, length) : "";
    LocalFree(text);
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r' ||
                               result.back() == ' ' || result.back() == '.'))
        result.pop_back();
    return result.empty() ? "error " + std::to_string(number) : result;
}

} // namespace udp
} // namespace orv
