#include "receiver/ReceiveLoop.h"

#include "receiver/AddressWarnings.h"
#include "receiver/ArrivalClock.h"
#include "receiver/Discovery.h"

#include <chrono>
#include <cstring>
#include <new>
#include <system_error>
#include <utility>
#include <vector>

namespace orvreceiver
{

namespace
{
constexpr std::chrono::milliseconds kReceiveErrorPause{1};
}

ReceiveLoop::~ReceiveLoop()
{
    stop();
}

void ReceiveLoop::start(const std::string& ip, std::uint32_t port, bool multicast)
{
    if (running_.load() || receiveThread_.joinable())
    {
        store_.setErrorText("Already running");
        return;
    }
    if (ip.empty())
    {
        store_.setErrorText("IP is empty");
        return;
    }
    if (port == 0)
    {
        store_.setErrorText("Port is 0");
        return;
    }

    // Left open by a failed bind when start runs without a stop in between.
    closeSocket();
    socketFd_ = orv::udp::openSocket();
    if (socketFd_ == orv::kInvalidSocket)
    {
        store_.setErrorText("Socket creation failed");
        return;
    }
    if (!orv::udp::bindTo(socketFd_, ip, static_cast<std::uint16_t>(port & 0xFFFFu)))
    {
        const int error = orv::udp::lastError();
        // The socket stays open until the next stop.
        store_.setErrorText("Error Creating Socket: " + std::to_string(error));
        return;
    }
    // Text that is no address binds every interface; kept so, but said.
    std::string warning = listenAddressWarning(ip);
    if (!warning.empty())
    {
        store_.setWarningText(std::move(warning));
    }
    bool groupJoined = false;
    if (multicast)
    {
        groupJoined = orv::udp::joinMulticastGroup(socketFd_, orvprotocol::kMulticastGroup, ip);
        if (!groupJoined)
        {
            const int error = orv::udp::lastError();
            // Receiving still works for datagrams sent to the bound address itself.
            store_.setErrorText("Error setting multicast option: " + std::to_string(error));
        }
    }
    // Made before `connected` is claimed: from there on only the thread's start can fail.
    const std::vector<std::string> discovery = discoveryAddresses(ip);
    std::uint32_t boundIp = 0;
    std::uint16_t boundPort = 0;
    orv::udp::localAddress(socketFd_, boundIp, boundPort);
    store_.setConnected(true, orv::udp::ipv4Text(boundIp), boundPort, groupJoined);

    // The discovery addresses are broadcast addresses on a real network, which the system
    // refuses to send to without the broadcast permission. No result sets a text.
    orv::udp::enableBroadcast(socketFd_);
    const char request = static_cast<char>(orvprotocol::kDiscoveryByte);
    for (const std::string& address : discovery)
    {
        orv::udp::sendTo(socketFd_, address, orvprotocol::kDiscoveryPort, &request, 1);
    }

    // `running_` is set before the thread exists, so a stop right after this call always
    // finds it and joins the thread.
    running_.store(true);
    int startError = 0; // stays 0 when the thread's own state could not be allocated
    try
    {
        receiveThread_ = std::thread(&ReceiveLoop::run, this);
        return;
    }
    catch (const std::system_error& error)
    {
        startError = error.code().value();
    }
    catch (...)
    {
    }
    // No thread: claim none, and keep no socket.
    running_.store(false);
    closeSocket();
    store_.setConnected(false);
    store_.setErrorText(startError != 0
                            ? "Error starting receive thread: " + std::to_string(startError)
                            : std::string("Error starting receive thread: out of memory"));
}

void ReceiveLoop::stop()
{
    running_.exchange(false);
    if (receiveThread_.joinable())
    {
        // The flag is already false: wake the blocked receive so the loop sees it now.
        orv::udp::wakeReceiver(socketFd_);
        receiveThread_.join();
    }
    closeSocket();
    store_.setConnected(false);
}

void ReceiveLoop::run()
{
    char buffer[ReceiverStore::kDatagramLimit];
    char sender[orv::udp::kAddressTextSize];
    std::uint16_t senderPort = 0;
    // The buffer is all zero before every receive. A receive writes only the bytes it reports,
    // so only that prefix needs clearing again, not the whole buffer for every datagram.
    std::memset(buffer, 0, sizeof buffer);
    std::size_t written = 0;
    while (running_.load())
    {
        // Nothing may end this thread but stop: every failure becomes a text.
        try
        {
            std::memset(buffer, 0, written);
            written = sizeof buffer; // a failed receive may have written anything
            const int received =
                orv::udp::receiveFrom(socketFd_, buffer, sizeof buffer, sender, &senderPort);
            if (received < 0)
            {
                const int error = orv::udp::lastError();
                if (!running_.load())
                {
                    break; // the wake-up of stop, no receive error
                }
                store_.setWarningText("Error Receiving: " + std::to_string(error));
                // An error that repeats at once (a socket gone bad) must not take a core of
                // the host's machine; datagrams wait in the socket meanwhile, and a stop is
                // seen after at most this pause.
                std::this_thread::sleep_for(kReceiveErrorPause);
                continue;
            }
            const std::int64_t arrival = steadyNow();
            written = static_cast<std::size_t>(received);
            store_.handleDatagram(buffer, written, sender, arrival, senderPort);
        }
        catch (const std::bad_alloc&)
        {
            try
            {
                store_.setWarningText("Datagram dropped: out of memory");
            }
            catch (...)
            {
            }
        }
        catch (...)
        {
            try
            {
                store_.setWarningText("Datagram dropped: unexpected failure");
            }
            catch (...)
            {
            }
        }
    }
}

void ReceiveLoop::closeSocket()
{
    if (socketFd_ != orv::kInvalidSocket)
    {
        orv::udp::closeSocket(socketFd_);
        socketFd_ = orv::kInvalidSocket;
    }
}

} // namespace orvreceiver
