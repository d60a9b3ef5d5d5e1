// The receiver's parts opened for the tests: a store that takes datagrams in one call and
// answers with copies, and an OrvReceiver with the host's cook left empty whose settings,
// store, socket and thread the tests can reach.
#pragma once

#include "receiver/ArrivalClock.h"
#include "receiver/Discovery.h"
#include "receiver/OrvReceiver.h"
#include "receiver/ReceiverStore.h"
#include "tests/receiver/ReceiveLoopProbe.h"

#include <cstdint>
#include <string>
#include <thread>
#include <unordered_map>

inline std::string errorTextOf(const orvreceiver::ReceiverStore& store)
{
    std::string text;
    store.errorText(text);
    return text;
}

inline std::string warningTextOf(const orvreceiver::ReceiverStore& store)
{
    std::string text;
    store.warningText(text);
    return text;
}

inline std::unordered_map<std::string, std::uint8_t>
eventsOf(const orvreceiver::ReceiverStore& store)
{
    ReceiverSnapshot snapshot;
    store.read(snapshot);
    return {snapshot.events.begin(), snapshot.events.end()};
}

class TestStore : public orvreceiver::ReceiverStore
{
public:
    using ReceiverStore::handleDatagram;
    void handleDatagram(const char* data, std::size_t size, const char* sender)
    {
        handleDatagram(data, size, sender, orvreceiver::steadyNow());
    }
    void receive(const std::string& datagram, const char* sender = "127.0.0.1")
    {
        handleDatagram(datagram.data(), datagram.size(), sender);
    }
    std::string errorTextCopy() const { return errorTextOf(*this); }
    std::string warningTextCopy() const { return warningTextOf(*this); }
    std::unordered_map<std::string, std::uint8_t> events() const { return eventsOf(*this); }
};

class TestReceiver final : public OrvReceiver
{
public:
    // Port 65536 binds port 0: the system hands one out, so a test never meets a port that
    // another program (such as `orv demo` on the default port) holds.
    TestReceiver() : OrvReceiver(nullptr) { port = 65536; }
    void execute(TD::DAT_Output*, const TD::OP_Inputs*, void*) override {}

    void receive(const std::string& datagram, const char* sender = "127.0.0.1")
    {
        store.handleDatagram(datagram.data(), datagram.size(), sender, orvreceiver::steadyNow());
    }
    void setIpFilter(const std::string& filter) { store.setIpFilter(filter); }
    std::string errorTextCopy() const { return errorTextOf(store); }
    std::string warningTextCopy() const { return warningTextOf(store); }
    std::unordered_map<std::string, std::uint8_t> events() const { return eventsOf(store); }

    orv::SocketHandle socketFd() const { return orvreceiver::ReceiveLoopProbe::socket(loop); }
    std::thread& receiveThread() { return orvreceiver::ReceiveLoopProbe::thread(loop); }
    bool running() const { return orvreceiver::ReceiveLoopProbe::running(loop); }

    using OrvReceiver::ip;
    using OrvReceiver::multicast;
    using OrvReceiver::port;
    using OrvReceiver::store;
};
