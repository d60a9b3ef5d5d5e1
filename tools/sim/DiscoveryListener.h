// Listens on the discovery port (7000) for the one-byte datagram 0x09 that a receiver node
// sends each time it connects, and tells who sent it. Any node on the network or on this
// machine sends there; a node sends from its own socket, so the sender's address and port
// tell one node from another.
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
    // The node the caller runs itself, bound to `node`: its bytes are reported as `label`'s,
    // every other node's as another program's.
    void setOwnNode(const orv::net::Endpoint& node, const std::string& label);

    // Waits at most `timeoutMs` and reads what has arrived; `report` gets one line per
    // datagram ("discovery byte 0x09 from 127.0.0.1:3650 (sent to 127.0.0.255:7000)", with
    // ", the demo's node" or ", another program's node" after the sender once setOwnNode
    // was called).
    void poll(int timeoutMs, const std::function<void(const std::string&)>& report);

private:
    std::string senderText(const orv::net::Endpoint& from) const;

    orv::net::UdpSocket socket_;
    orv::net::Endpoint ownNode_;
    std::string ownLabel_; // empty: no node of our own to tell apart
};

} // namespace orvsim
