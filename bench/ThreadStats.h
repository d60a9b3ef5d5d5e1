// What the kernel knows about this process's threads and sockets (Linux): a thread's CPU
// time, its context switches, and the datagrams a UDP socket dropped.
#pragma once

#include <pthread.h>

#include <cstdint>
#include <set>

namespace orvbench
{

// CPU time (user and system) the thread has used, in nanoseconds.
std::int64_t threadCpuNs(pthread_t thread);
// The same for the calling thread.
std::int64_t ownCpuNs();

// Kernel ids of this process's threads right now.
std::set<int> threadIds();
// Voluntary plus involuntary context switches of the thread with that kernel id: every wake
// from a blocking call counts one. -1 when the thread is gone.
std::int64_t contextSwitches(int threadId);

// Datagrams dropped so far by the UDP socket bound to 127.0.0.1:port (its receive queue was
// full), or -1 when no such socket is listed.
std::int64_t udpDrops(std::uint16_t port);

} // namespace orvbench
