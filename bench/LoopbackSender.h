// The sending side of the loopback benchmarks: a UDP socket bound to 127.0.0.1, and free
// ports to bind receivers to. Loopback only, as every benchmark here.
#pragma once

#include "net/Udp.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace orvbench
{

// A port of 127.0.0.1 that nothing was bound to a moment ago.
std::uint16_t freeLoopbackPort();

class LoopbackSender
{
public:
    LoopbackSender();
    ~LoopbackSender();
    LoopbackSender(const LoopbackSender&) = delete;
    LoopbackSender& operator=(const LoopbackSender&) = delete;

    // One sendto to 127.0.0.1:port; false when the system refused it.
    bool send(std::uint16_t port, const char* data, std::size_t size);
    bool send(std::uint16_t port, const std::string& bytes)
    {
        return send(port, bytes.data(), bytes.size());
    }

private:
    orv::SocketHandle socket_ = orv::kInvalidSocket;
};

} // namespace orvbench
