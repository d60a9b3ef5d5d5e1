// The receiver behind every ORV table node: a UDP socket bound to `ip`:`port`, optionally a
// member of the multicast group 239.0.0.1, a receive thread that decodes each datagram and
// keeps the latest state, and the accessors through which the cooks read that state.
//
// OrvReceiver is the table operator's instance (the host creates the subclass OrvDat, which
// adds the host operations and no fields), so it derives from the host's DAT base and leaves
// `execute` to the subclass. The channel operators reach the same object through the host:
// OrvChannels calls isConnected, getControl and getDeck; OrvBeat calls isConnected and
// getDeckTiming.
//
// Thread rules.
// - The host thread (one call at a time per instance) constructs and destroys the receiver,
//   calls connect and disconnect, writes the settings `ip`, `port` and `multicast`, and reads
//   everything through the accessors, snapshot and the text copies.
// - The receive thread exists between connect and disconnect. It writes the store (`decks`
//   with their `deckTimings`, `metas`, `control`, `events`) and the two texts, and reads
//   `ipFilter` for every datagram.
// - `stateMutex` guards the store, `connected`, `ipFilter`, `errorText` and `warningText`.
//   Outside this class touch those only through setIpFilter, the copies and the accessors. The
//   lock is held only to copy in or out, never while decoding or calling out.
// - `running` is the only atomic: true from connect until disconnect asks the thread to stop.
//
// Texts: `errorText` holds the last connect failure or the last decode error of a Deck, Meta
// or Event datagram; `warningText` the last receive error, the last decode error of a Control
// datagram, or the last event name dropped at the bound. Each connect clears both first; after
// that a text is only replaced by the next text of its kind (disconnect keeps both).

#ifndef ORV_RECEIVER_ORVRECEIVER_H
#define ORV_RECEIVER_ORVRECEIVER_H

#include "DAT_CPlusPlusBase.h"
#include "net/Udp.h"
#include "protocol/NodeLayout.h"
#include "protocol/WireSchema.h"
#include "receiver/DeckTiming.h"
#include "receiver/ReceiverSnapshot.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

class OrvReceiver : public TD::DAT_CPlusPlusBase
{
public:
    // Bytes of a datagram that are handled; the rest of a longer one is cut.
    static constexpr std::size_t receiveBufferSize = orvprotocol::datagramLimit;
    // Distinct event names kept; a new name beyond this is dropped with a warning.
    static constexpr std::size_t maxEventNames = orvlayout::maxEventNames;

    // Opens nothing; the node information is not used.
    explicit OrvReceiver(const TD::OP_NodeInfo* info);
    // Runs disconnect.
    ~OrvReceiver() override;

    OrvReceiver(const OrvReceiver&) = delete;
    OrvReceiver& operator=(const OrvReceiver&) = delete;

    // Host thread. Clears both texts, checks the settings, opens and binds the socket, joins
    // the multicast group if asked, sends the discovery datagram and starts the receive
    // thread. Failures land in errorText. Meant for an idle receiver (run disconnect first).
    void connect();
    // Host thread. Stops and joins the receive thread (promptly, with or without traffic),
    // closes the socket and clears `connected`. Keeps the store and the texts.
    void disconnect();

    // One datagram as the receive thread handles it: sender filter, type byte, decode, store.
    // At most receiveBufferSize bytes are looked at; an empty datagram is dropped. Never
    // throws for any input (only std::bad_alloc can leave it). `arrival` is when it came
    // (steadyNow()); without it, now. Any thread; used by the receive thread, tests and the
    // fuzzer.
    void handleDatagram(const char* data, std::size_t size, const char* senderAddress);
    void handleDatagram(const char* data, std::size_t size, const char* senderAddress,
                        std::int64_t arrival);

    // Nanoseconds of the steady clock that arrival times are read on.
    static std::int64_t steadyNow();

    // Copies under stateMutex. Deck and meta numbers outside 1 to 4 give empty records.
    Deck getDeck(int deckNumber) const;
    Meta getMeta(int deckNumber) const;
    Control getControl() const;
    bool isConnected() const;
    // Deck n (1 to 4) with the timing of its datagrams, under one lock; answers isConnected.
    // Other numbers give empty records.
    bool getDeckTiming(int deckNumber, Deck& deck, DeckTiming& timing) const;

    // Everything a table cook shows, under one lock, into a caller-owned snapshot whose
    // strings and vector keep their capacity from one call to the next.
    void snapshot(ReceiverSnapshot& out) const;

    // Thread-safe hand-overs of what crosses between the host and the receive thread.
    void setIpFilter(std::string_view filter); // allocates only when the filter changes
    std::string ipFilterCopy() const;
    std::string errorTextCopy() const;
    std::string warningTextCopy() const;
    // The same into a caller-owned string, reusing its capacity (for a cook on every frame).
    void errorTextCopy(std::string& out) const;
    void warningTextCopy(std::string& out) const;

    // The discovery address for a local address: `ip` cut after its last "." with "255"
    // appended (192.168.1.20 gives 192.168.1.255); `ip` itself when it holds no ".".
    static std::string discoveryAddress(const std::string& ip);
    // Where connect sends the discovery byte: discoveryAddress(ip) alone, except for a node
    // bound to every interface ("0.0.0.0"), whose .255 address no peer could receive: then
    // the broadcast address of every up IPv4 interface that has one, and 127.0.0.255 for a
    // peer on this machine, each once.
    static std::vector<std::string> discoveryAddresses(const std::string& ip);

protected:
    // Body of the receive thread: receive, hand to handleDatagram, until `running` is false.
    void runThread();

    // Settings (host thread; ipFilter under stateMutex).
    std::string ip = orvprotocol::defaultIp;
    std::uint32_t port = orvprotocol::defaultPort; // only the low 16 bits reach the socket
    std::string ipFilter;                          // empty accepts every sender
    bool multicast = false;
    // Texts handed to the host (under stateMutex).
    std::string errorText;
    std::string warningText;
    // Receive loop and socket.
    std::atomic<bool> running{false};
    std::thread receiveThread;
    bool connected = false; // written on the host thread, under stateMutex
    orv::SocketHandle socketFd = orv::invalidSocket;
    // The store (under stateMutex). deckTimings[k] belongs to decks[k].
    std::array<Deck, 4> decks;
    std::array<DeckTiming, 4> deckTimings;
    std::array<Meta, 4> metas;
    Control control;
    std::unordered_map<std::string, std::uint8_t> events;
    mutable std::mutex stateMutex;

private:
    void setErrorText(std::string text);
    void setWarningText(std::string text);
    void storeEvent(Event&& event);
    void closeSocket();
};

#endif
