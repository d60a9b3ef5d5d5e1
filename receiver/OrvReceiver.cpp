#include "receiver/OrvReceiver.h"

#include "net/Interfaces.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <new>
#include <system_error>
#include <utility>

namespace
{

constexpr std::size_t maxNameInWarning = 64;
constexpr std::chrono::milliseconds receiveErrorPause{1};

bool isSlotNumber(int deckNumber)
{
    return deckNumber >= 1 && deckNumber <= 4;
}

// At most maxNameInWarning bytes of a name from the network, cut on a UTF-8 character
// boundary so the host is never handed half a character.
std::string shortenedName(const std::string& name)
{
    if (name.size() <= maxNameInWarning)
    {
        return name;
    }
    std::size_t cut = maxNameInWarning;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
    {
        --cut;
    }
    return name.substr(0, cut) + "...";
}

// What a Deck datagram arriving at `arrival` adds to its slot's timing, `previous` being the
// record it replaces (caller holds the lock).
void noteTiming(DeckTiming& timing, const Deck& previous, const Deck& next, std::int64_t arrival)
{
    if (timing.datagrams > 0 && next.beat != previous.beat)
    {
        ++timing.beatChanges;
        timing.arrivalBeforeChange = timing.arrival;
        timing.arrivalAtChange = arrival;
        timing.positionBeforeChange = previous.position;
        timing.positionAtChange = next.position;
        timing.beatBeforeChange = previous.beat;
        timing.beatAtChange = next.beat;
    }
    ++timing.datagrams;
    timing.arrival = arrival;
}

} // namespace

OrvReceiver::OrvReceiver(const TD::OP_NodeInfo*) {}

OrvReceiver::~OrvReceiver()
{
    disconnect();
}

void OrvReceiver::connect()
{
    {
        std::lock_guard<std::mutex> lock(stateMutex);
        errorText.clear();
        warningText.clear();
    }
    if (running.load() || receiveThread.joinable())
    {
        setErrorText("Already running");
        return;
    }
    if (ip.empty())
    {
        setErrorText("IP is empty");
        return;
    }
    if (port == 0)
    {
        setErrorText("Port is 0");
        return;
    }

    // Left open by a failed bind when connect runs without a disconnect in between.
    closeSocket();
    socketFd = orv::udp::openSocket();
    if (socketFd == orv::invalidSocket)
    {
        setErrorText("Socket creation failed");
        return;
    }
    if (!orv::udp::bindTo(socketFd, ip, static_cast<std::uint16_t>(port & 0xFFFFu)))
    {
        const int error = orv::udp::lastError();
        // The socket stays open until the next disconnect.
        setErrorText("Error Creating Socket: " + std::to_string(error));
        return;
    }
    if (multicast && !orv::udp::joinMulticastGroup(socketFd, orvprotocol::multicastGroup, ip))
    {
        const int error = orv::udp::lastError();
        // Receiving still works for datagrams sent to the bound address itself.
        setErrorText("Error setting multicast option: " + std::to_string(error));
    }
    // Made before `connected` is claimed: from there on only the thread's start can fail.
    const std::vector<std::string> discovery = discoveryAddresses(ip);
    {
        std::lock_guard<std::mutex> lock(stateMutex);
        connected = true;
    }

    // The discovery addresses are broadcast addresses on a real network, which the system
    // refuses to send to without the broadcast permission. No result sets a text.
    orv::udp::enableBroadcast(socketFd);
    const char request = static_cast<char>(orvprotocol::discoveryByte);
    for (const std::string& address : discovery)
    {
        orv::udp::sendTo(socketFd, address, orvprotocol::discoveryPort, &request, 1);
    }

    // `running` is set before the thread exists, so a disconnect right after this call always
    // finds it and joins the thread.
    running.store(true);
    int startError = 0; // stays 0 when the thread's own state could not be allocated
    try
    {
        receiveThread = std::thread(&OrvReceiver::runThread, this);
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
    running.store(false);
    closeSocket();
    {
        std::lock_guard<std::mutex> lock(stateMutex);
        connected = false;
    }
    setErrorText(startError != 0 ? "Error starting receive thread: " + std::to_string(startError)
                                 : std::string("Error starting receive thread: out of memory"));
}

void OrvReceiver::disconnect()
{
    running.exchange(false);
    if (receiveThread.joinable())
    {
        // The flag is already false: wake the blocked receive so the loop sees it now.
        orv::udp::wakeReceiver(socketFd);
        receiveThread.join();
    }
    closeSocket();
    std::lock_guard<std::mutex> lock(stateMutex);
    connected = false;
}

void OrvReceiver::runThread()
{
    char buffer[receiveBufferSize];
    char sender[orv::udp::addressTextSize];
    // The buffer is all zero before every receive. A receive writes only the bytes it reports,
    // so only that prefix needs clearing again, not all 4096 bytes for every datagram.
    std::memset(buffer, 0, sizeof buffer);
    std::size_t written = 0;
    while (running.load())
    {
        // Nothing may end this thread but disconnect: every failure becomes a text.
        try
        {
            std::memset(buffer, 0, written);
            written = sizeof buffer; // a failed receive may have written anything
            const int received = orv::udp::receiveFrom(socketFd, buffer, sizeof buffer, sender);
            if (received < 0)
            {
                const int error = orv::udp::lastError();
                if (!running.load())
                {
                    break; // the wake-up of disconnect, no receive error
                }
                setWarningText("Error Receiving: " + std::to_string(error));
                // An error that repeats at once (a socket gone bad) must not take a core of
                // the host's machine; datagrams wait in the socket meanwhile, and a stop is
                // seen after at most this pause.
                std::this_thread::sleep_for(receiveErrorPause);
                continue;
            }
            const std::int64_t arrival = steadyNow();
            written = static_cast<std::size_t>(received);
            handleDatagram(buffer, written, sender, arrival);
        }
        catch (const std::bad_alloc&)
        {
            try
            {
                setWarningText("Datagram dropped: out of memory");
            }
            catch (...)
            {
            }
        }
        catch (...)
        {
            try
            {
                setWarningText("Datagram dropped: unexpected failure");
            }
            catch (...)
            {
            }
        }
    }
}

std::int64_t OrvReceiver::steadyNow()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void OrvReceiver::handleDatagram(const char* data, std::size_t size, const char* senderAddress)
{
    handleDatagram(data, size, senderAddress, steadyNow());
}

void OrvReceiver::handleDatagram(const char* data, std::size_t size, const char* senderAddress,
                                 std::int64_t arrival)
{
    // An empty datagram has no type byte (and is what wakes a stopping receiver).
    if (data == nullptr || size == 0)
    {
        return;
    }
    if (size > receiveBufferSize)
    {
        size = receiveBufferSize;
    }
    {
        std::lock_guard<std::mutex> lock(stateMutex);
        // Whole-text, byte-wise: no prefix, mask or case rule.
        if (!ipFilter.empty() && ipFilter != (senderAddress != nullptr ? senderAddress : ""))
        {
            return;
        }
    }

    const orvprotocol::MessageInfo* message =
        orvprotocol::findMessage(static_cast<std::uint8_t>(data[0]));
    if (message == nullptr)
    {
        return;
    }

    // Decoded outside the lock.
    std::string error;
    const orvpack::MsgPack value =
        orvpack::MsgPack::parse(data + 1, size - 1, error, orvprotocol::wireKeys());
    if (!error.empty())
    {
        if (message->type == MessageType::Control)
        {
            setWarningText(std::move(error));
        }
        else
        {
            setErrorText(std::move(error));
        }
        return;
    }

    switch (message->type)
    {
    case MessageType::Control:
    {
        const Control record = Control::fromMsgPack(value);
        std::lock_guard<std::mutex> lock(stateMutex);
        control = record;
        break;
    }
    case MessageType::Deck:
    {
        const Deck record = Deck::fromMsgPack(value);
        if (isSlotNumber(record.deck))
        {
            const std::size_t slot = static_cast<std::size_t>(record.deck - 1);
            std::lock_guard<std::mutex> lock(stateMutex);
            noteTiming(deckTimings[slot], decks[slot], record, arrival);
            decks[slot] = record;
        }
        break;
    }
    case MessageType::Meta:
    {
        Meta record = Meta::fromMsgPack(value);
        if (isSlotNumber(record.deck))
        {
            std::lock_guard<std::mutex> lock(stateMutex);
            // Swapped in; the old strings are freed after the lock is released.
            std::swap(metas[static_cast<std::size_t>(record.deck - 1)], record);
        }
        break;
    }
    case MessageType::Event:
        storeEvent(Event::fromMsgPack(value));
        break;
    }
}

void OrvReceiver::storeEvent(Event&& event)
{
    {
        std::lock_guard<std::mutex> lock(stateMutex);
        const auto known = events.find(event.name);
        if (known != events.end())
        {
            known->second = event.value;
            return;
        }
        if (events.size() < maxEventNames)
        {
            events.emplace(std::move(event.name), event.value);
            return;
        }
    }
    // Names come from the network and every name is a table row: keep memory and the table
    // bounded, and say what was lost.
    setWarningText("Too many event names: dropped new event \"" + shortenedName(event.name) +
                   "\" (at most " + std::to_string(maxEventNames) + " names are kept)");
}

bool OrvReceiver::getDeckTiming(int deckNumber, Deck& deck, DeckTiming& timing) const
{
    std::lock_guard<std::mutex> lock(stateMutex);
    if (isSlotNumber(deckNumber))
    {
        deck = decks[static_cast<std::size_t>(deckNumber - 1)];
        timing = deckTimings[static_cast<std::size_t>(deckNumber - 1)];
    }
    else
    {
        deck = Deck();
        timing = DeckTiming();
    }
    return connected;
}

Deck OrvReceiver::getDeck(int deckNumber) const
{
    if (!isSlotNumber(deckNumber))
    {
        return Deck();
    }
    std::lock_guard<std::mutex> lock(stateMutex);
    return decks[static_cast<std::size_t>(deckNumber - 1)];
}

Meta OrvReceiver::getMeta(int deckNumber) const
{
    if (!isSlotNumber(deckNumber))
    {
        return Meta();
    }
    std::lock_guard<std::mutex> lock(stateMutex);
    return metas[static_cast<std::size_t>(deckNumber - 1)];
}

Control OrvReceiver::getControl() const
{
    std::lock_guard<std::mutex> lock(stateMutex);
    return control;
}

bool OrvReceiver::isConnected() const
{
    std::lock_guard<std::mutex> lock(stateMutex);
    return connected;
}

void OrvReceiver::snapshot(ReceiverSnapshot& out) const
{
    std::lock_guard<std::mutex> lock(stateMutex);
    out.connected = connected;
    out.decks = decks;
    out.metas = metas; // string assignment reuses the snapshot's capacity
    out.control = control;
    // The event map never shrinks, so neither does the vector: its strings keep their
    // capacity from cook to cook.
    out.events.resize(events.size());
    std::size_t i = 0;
    for (const auto& entry : events)
    {
        out.events[i].first.assign(entry.first);
        out.events[i].second = entry.second;
        ++i;
    }
}

void OrvReceiver::setIpFilter(std::string_view filter)
{
    std::lock_guard<std::mutex> lock(stateMutex);
    if (ipFilter != filter)
    {
        ipFilter = filter;
    }
}

std::string OrvReceiver::ipFilterCopy() const
{
    std::lock_guard<std::mutex> lock(stateMutex);
    return ipFilter;
}

std::string OrvReceiver::errorTextCopy() const
{
    std::lock_guard<std::mutex> lock(stateMutex);
    return errorText;
}

std::string OrvReceiver::warningTextCopy() const
{
    std::lock_guard<std::mutex> lock(stateMutex);
    return warningText;
}

void OrvReceiver::errorTextCopy(std::string& out) const
{
    std::lock_guard<std::mutex> lock(stateMutex);
    out.assign(errorText);
}

void OrvReceiver::warningTextCopy(std::string& out) const
{
    std::lock_guard<std::mutex> lock(stateMutex);
    out.assign(warningText);
}

std::string OrvReceiver::discoveryAddress(const std::string& ip)
{
    const std::size_t lastDot = ip.rfind('.');
    if (lastDot == std::string::npos)
    {
        return ip;
    }
    return ip.substr(0, lastDot + 1) + "255";
}

std::vector<std::string> OrvReceiver::discoveryAddresses(const std::string& ip)
{
    std::uint32_t bound = 0;
    if (!orv::udp::parseIpv4(ip, bound) || bound != 0)
    {
        return {discoveryAddress(ip)};
    }
    std::vector<std::string> addresses;
    const auto add = [&addresses](const std::string& address)
    {
        if (std::find(addresses.begin(), addresses.end(), address) == addresses.end())
        {
            addresses.push_back(address);
        }
    };
    for (const orv::udp::Ipv4Interface& entry : orv::udp::listIpv4Interfaces())
    {
        if (entry.up && !entry.broadcast.empty())
        {
            add(entry.broadcast);
        }
    }
    add(discoveryAddress(orvprotocol::defaultIp));
    return addresses;
}

void OrvReceiver::setErrorText(std::string text)
{
    std::lock_guard<std::mutex> lock(stateMutex);
    errorText = std::move(text);
}

void OrvReceiver::setWarningText(std::string text)
{
    std::lock_guard<std::mutex> lock(stateMutex);
    warningText = std::move(text);
}

void OrvReceiver::closeSocket()
{
    if (socketFd != orv::invalidSocket)
    {
        orv::udp::closeSocket(socketFd);
        socketFd = orv::invalidSocket;
    }
}
