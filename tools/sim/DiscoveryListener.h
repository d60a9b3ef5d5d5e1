// Listens on the discovery port (7000) for the one-byte datagram 0x09 that a receiver node
// sends each time it connects, and tells who sent it.
// Thread rules: one thread per listener.
#pragma once

#include "net/UdpSocket.h"

#include <functional>
#include <string>

namespace orvsim
{

class DiscoveryListener
{
public:
    // Binds `ip`:`port` (0.0.0.0 sees the .255 address a node sends to). False with the
    // reason in `error`, which says plainly when the port is taken.
    bool open(const std::string& ip, uint16_t port, std::string& error);
    bool isOpen() const { return socket_.isOpen(); }
    orv::net::Endpoint local() const { return socket_.localEndpoint(); }

    // Waits at most `timeoutMs` and reads what has arrived; `report` gets one line per
    // datagram ("discovery byte 0x09 from 127.0.0.1:3650 (sent to 127.0.0.255:7000)").
    void poll(int timeoutMs, const std::function<void(const std::string&)>& report);

private:
    orv::net::UdpSocket socket_;
};

} // namespace orvsim
