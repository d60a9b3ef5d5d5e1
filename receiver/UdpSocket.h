// The one place of the project with socket calls: a small IPv4 UDP layer with one
// implementation per platform (posix/UdpSocketPosix.cpp for Linux and macOS,
// win32/UdpSocketWin32.cpp for Winsock). Callers see plain functions on a handle and the
// platform's own error numbers; no platform header leaks out of this one.
//
// Addresses are dotted IPv4 texts. A text that is not one converts to 0.0.0.0, as inet_pton's
// failure leaves it: bound, that means every interface.
//
// Thread rules: a handle may be used from several threads at once as the platform allows
// (one thread blocked in receiveFrom while another calls wakeReceiver is the intended use);
// closeSocket must come after every other call on the handle has returned. lastError reads
// the calling thread's last error, so read it right after the call that failed.

#ifndef ORV_RECEIVER_UDPSOCKET_H
#define ORV_RECEIVER_UDPSOCKET_H

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <string>

namespace orv
{

#ifdef _WIN32
// Winsock's SOCKET and INVALID_SOCKET, spelled without including the Winsock headers here.
using SocketHandle = std::uintptr_t;
constexpr SocketHandle invalidSocket = ~SocketHandle(0);
#else
using SocketHandle = int;
constexpr SocketHandle invalidSocket = -1;
#endif

namespace udp
{

// The platform's own error number for "address in use", as lastError gives it after a bind
// to a port that another socket holds (WSAEADDRINUSE on Windows).
#ifdef _WIN32
constexpr int addressInUseError = 10048;
#else
constexpr int addressInUseError = EADDRINUSE;
#endif

// Text of the sender's address: "255.255.255.255" and its terminating zero fit.
constexpr std::size_t addressTextSize = 16;

// Starts the platform's socket library for the process unless it runs already: Winsock, once
// however many nodes and threads ask, never stopped while the process lives; nothing to do on
// POSIX. openSocket calls it; code that resolves host names before it opens a socket calls it
// first. False (with lastError set) when the library cannot start.
bool startup();

// A new AF_INET / SOCK_DGRAM / IPPROTO_UDP socket, or invalidSocket. On Windows the socket
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
                char (&senderText)[addressTextSize], std::uint16_t* senderPort = nullptr);

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

} // namespace udp
} // namespace orv

#endif
