#include "sim/DiscoveryListener.h"

#include "protocol/WireSchema.h"
#include "wire/Datagram.h"

namespace orvsim
{

bool DiscoveryListener::open(const std::string& ip, uint16_t port, std::string& error)
{
    orv::net::Endpoint local;
    if (!orv::net::makeEndpoint(ip, port, local))
    {
        error = "\"" + ip + "\" is no IPv4 address";
        return false;
    }
    if (!socket_.open(error))
        return false;
    if (!socket_.bind(local, error))
    {
        socket_.close();
        return false;
    }
    return true;
}

void DiscoveryListener::setOwnNode(const orv::net::Endpoint& node, const std::string& label)
{
    ownNode_ = node;
    ownLabel_ = label;
}

std::string DiscoveryListener::senderText(const orv::net::Endpoint& from) const
{
    if (ownLabel_.empty())
        return from.text();
    const bool own = from.ip == ownNode_.ip && from.port == ownNode_.port;
    return from.text() + ", " + (own ? ownLabel_ : "another program's node");
}

void DiscoveryListener::poll(int timeoutMs, const std::function<void(const std::string&)>& report)
{
    if (!socket_.isOpen())
        return;
    char buffer[512];
    std::string error;
    orv::net::ReceivedDatagram datagram;
    int waitMs = timeoutMs;
    // Everything that has arrived, then back to the caller.
    while (socket_.receive(buffer, sizeof buffer, waitMs, datagram, error) == 1)
    {
        waitMs = 0;
        const std::string bytes(buffer, datagram.size);
        if (datagram.size == 1 && static_cast<uint8_t>(buffer[0]) == orvprotocol::kDiscoveryByte)
            report("discovery byte 0x09 from " + senderText(datagram.from) + " (sent to " +
                   datagram.to.text() + ")");
        else
            report("datagram of " + std::to_string(datagram.size) +
                   " bytes on the discovery port from " + datagram.from.text() +
                   ", not the discovery byte: " + orvtool::toHex(bytes.substr(0, 16)) +
                   (datagram.size > 16 ? " ..." : ""));
    }
}

} // namespace orvsim
