// The one place of the project with socket calls: a small IPv4 UDP layer with one
// implementation per platform (posix/UdpPosix.cpp for Linux and macOS, win32/UdpWin32.cpp for
// Winsock; UdpCommon.cpp has what reads the same on both). Callers see plain functions on a
// handle and the platform's own error numbers; no platform header leaks out of this one.
//
// The first group is what the receiver inside a bundle needs; the second what tools and
// tests add (the sender's and destination's addresses as numbers, truncation, multicast
// sending, error texts). UdpSocket.h builds a socket class for them on top of these.
//
// Addresses are dotted IPv4 texts. A text that is not one converts to 0.0.0.0, as inet_pton's
// failure leaves it: bound, that means every interface.
//
// Thread rules: a handle may be used from several threads at once as the platform allows
// (one thread blocked in receiveFrom while another calls wakeReceiver is the intended use);
// closeSocket must come after every other call on the handle has returned. lastError reads
// the calling thread's last error, so read it right after the call that failed.

#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orv
{

#ifdef _WIN32
// Winsock's SOCKET and INVALID_SOCKET, spelled without including the Winsock headers here.
using SocketHandle = std::uintptr_t;
constexpr SocketHandle kInvalidSocket = ~SocketHandle(0);
#else
using SocketHandle = int;
constexpr SocketHandle kInvalidSocket = -1;
#endif

namespace udp
{

// The platform's own error numbers, as lastError gives them: "address in use" after a bind
// to a port that another socket holds, "address not available" after a bind to an address of
// no interface, "access denied" (Windows' answer for a port held exclusively).
#ifdef _WIN32
constexpr int kAddressInUseError = 10048;        // WSAEADDRINUSE
constexpr int kAddressNotAvailableError = 10049; // WSAEADDRNOTAVAIL
constexpr int kAccessDeniedError = 10013;        // WSAEACCES
#else
constexpr int kAddressInUseError = EADDRINUSE;
constexpr int kAddressNotAvailableError = EADDRNOTAVAIL;
constexpr int kAccessDeniedError = EACCES;
#endif

// Text of the sender's address: "255.255.255.255" and its terminating zero fit.
constexpr std::size_t kAddressTextSize = 16;

// Starts the platform's socket library for the process unless it runs already: Winsock, once
// however many nodes and threads ask, never stopped while the process lives; nothing to do on
// POSIX. openSocket calls it; code that resolves host names before it opens a socket calls it
// first. False (with lastError set) when the library cannot start.
bool startup();

// A new AF_INET / SOCK_DGRAM / IPPROTO_UDP socket, or kInvalidSocket. On Windows the socket
// does not report an ICMP "port unreachable" for an earlier send as a receive error.
SocketHandle openSocket();

// Binds to ip:port (ip converted as described above).
bool bindTo(SocketHandle socket, const std::string& ip, std::uint16_t port);

// Joins the multicast group on the interface with the given address (IP_ADD_MEMBERSHIP).
bool joinMulticastGroup(SocketHandle socket, const std::string& group,
                        const std::string& interfaceIp);

// Allows sending to broadcast addresses (SO_BROADCAST).
bool enableBroadcast(SocketHandle socket);

// Sends one datagram to ip:port with flags 0. True when the platform took it.
bool sendTo(SocketHandle socket, const std::string& ip, std::uint16_t port, const void* data,
            std::size_t size);

// Blocks until a datagram arrives and copies at most `capacity` bytes of it into `buffer`; a
// longer datagram is cut. Returns the byte count (0 for an empty datagram, and on Linux after
// wakeReceiver), or -1 on error (see lastError). `senderText` receives the sender's address as
// dotted decimal text; `senderPort`, when given, its port.
int receiveFrom(SocketHandle socket, char* buffer, std::size_t capacity,
                char (&senderText)[kAddressTextSize], std::uint16_t* senderPort = nullptr);

// Waits at most `timeoutMs` milliseconds for a datagram to be ready. For tools and tests; the
// receive thread blocks in receiveFrom instead.
bool waitReadable(SocketHandle socket, int timeoutMs);

// The port the socket is bound to, 0 if none.
std::uint16_t localPort(SocketHandle socket);

// Makes a receiveFrom blocked on the socket in another thread return now, or, if the thread
// has not reached it yet, its next one return at once: the way to stop a receive loop without
// polling. The loop must check its own stop flag, set before this call, after each return.
// Linux shuts the receive side down (every later receive returns 0 too); Winsock and the BSD
// stacks get an empty datagram from the socket to itself.
void wakeReceiver(SocketHandle socket);

void closeSocket(SocketHandle socket);

// The calling thread's last socket error number (errno, or WSAGetLastError on Windows).
int lastError();

// --- For tools and tests -----------------------------------------------------------------
// IPv4 addresses as numbers are in host byte order (127.0.0.1 is 0x7f000001).

// Reads a dotted IPv4 address; false for anything else.
bool parseIpv4(const std::string& text, std::uint32_t& ip);
// "192.168.1.20".
std::string ipv4Text(std::uint32_t ip);
// A dotted address, or a host name the system resolves to an IPv4 address ("localhost").
bool resolveIpv4(const std::string& host, std::uint32_t& ip);
// The address and port the socket is bound to; false when the system does not say.
bool localAddress(SocketHandle socket, std::uint32_t& ip, std::uint16_t& port);
// Sends one datagram to ip:port with flags 0. True when the platform took all of it.
bool sendTo(SocketHandle socket, std::uint32_t ip, std::uint16_t port, const void* data,
            std::size_t size);

// For sending to a multicast group: hop limit 1 (stay on the local network) and loop back
// to receivers on this machine.
bool setMulticastSending(SocketHandle socket);
// Asks the system to tell, for each datagram, the address it was sent to (unicast or the
// group). False where the platform cannot (Windows): receiveDatagram then reports 0.
bool enableDestinationAddress(SocketHandle socket);

struct DatagramInfo
{
    std::size_t size = 0;   // bytes stored in the caller's buffer
    bool truncated = false; // the datagram was longer than the buffer
    std::uint32_t senderIp = 0;
    std::uint16_t senderPort = 0;
    std::uint32_t destinationIp = 0; // 0 when the system does not say
};

// Reads one waiting datagram (call it after waitReadable). 1: read; 0: nothing to read after
// all (a signal, a reset report); -1: an error (see lastError).
int receiveDatagram(SocketHandle socket, void* buffer, std::size_t capacity, DatagramInfo& out);

// The system's words for a socket error number ("Address already in use").
std::string errorText(int number);

} // namespace udp
} // namespace orv
