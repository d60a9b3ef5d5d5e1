// An OrvReceiver with the host's cook left empty and its fields opened for the tests.
#pragma once

#include "receiver/OrvReceiver.h"

#include <string>

class TestReceiver final : public OrvReceiver
{
public:
    TestReceiver() : OrvReceiver(nullptr) {}
    void execute(TD::DAT_Output*, const TD::OP_Inputs*, void*) override {}

    void receive(const std::string& datagram, const char* sender = "127.0.0.1")
    {
        handleDatagram(datagram.data(), datagram.size(), sender);
    }

    using OrvReceiver::events;
    using OrvReceiver::ip;
    using OrvReceiver::multicast;
    using OrvReceiver::port;
    using OrvReceiver::receiveThread;
    using OrvReceiver::running;
    using OrvReceiver::socketFd;
};
