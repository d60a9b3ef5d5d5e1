// The receiver behind every ORV table node, and the table operator's base object: the node's
// settings, the store of the latest state (ReceiverStore.h) and the receive loop that feeds it
// from a UDP socket (ReceiveLoop.h).
//
// OrvReceiver is the table operator's instance (the host creates the subclass OrvDat, which
// adds the host operations), so it derives from the host's DAT base and leaves `execute` to
// the subclass. The other operators reach the same object through the host. Every cook reads
// it with one call, so a frame never mixes two datagrams: the channel operator
// read(ReceiverNumbers&), the beat operator read(DeckHistory&), the table operator
// read(ReceiverSnapshot&), and its Info CHOP and Info DAT read(ReceiverHealth&), the events
// operator read(EventState&). getDeck, getMeta, getControl and isConnected copy one record each.
//
// Thread rules.
// - The host thread (one call at a time per instance) constructs and destroys the receiver,
//   calls connect and disconnect, writes the settings `ip`, `port` and `multicast`, and reads
//   the state through read and the accessors.
// - The receive thread exists between connect and disconnect; it writes only the store.
// - The store guards what crosses between the two under its one lock (see ReceiverStore.h).

#pragma once

#include "DAT_CPlusPlusBase.h"
#include "protocol/NodeLayout.h"
#include "protocol/WireSchema.h"
#include "receiver/ReceiveLoop.h"
#include "receiver/ReceiverSnapshot.h"
#include "receiver/ReceiverStore.h"

#include <cstdint>
#include <string>

class OrvReceiver : public TD::DAT_CPlusPlusBase
{
public:
    // Opens nothing; the node information is not used.
    explicit OrvReceiver(const TD::OP_NodeInfo* info);
    // Runs disconnect.
    ~OrvReceiver() override;

    OrvReceiver(const OrvReceiver&) = delete;
    OrvReceiver& operator=(const OrvReceiver&) = delete;

    // Host thread. Clears both texts and the counts, then starts the receive loop on the current
    // settings; failures land in the error text. Meant for an idle receiver (run disconnect first).
    void connect();
    // Host thread. Stops the receive loop (joins its thread, closes its socket); keeps the
    // store and the texts.
    void disconnect();

    // One consistent copy of one moment, under one short hold, into a caller-owned object.
    void read(ReceiverNumbers& out) const;
    void read(ReceiverSnapshot& out) const;
    void read(DeckHistory& out, int firstDeck = 1, int lastDeck = orvlayout::kDeckCount) const;
    void read(ReceiverHealth& out) const;
    void read(EventState& out) const;

    // Copies of one record each. Deck and meta numbers outside 1 to 4 give empty records.
    Deck getDeck(int deckNumber) const;
    Meta getMeta(int deckNumber) const;
    Control getControl() const;
    bool isConnected() const;

protected:
    // Settings (host thread). The receiver uses the low 16 bits of `port`.
    std::string ip = orvprotocol::kDefaultIp;
    std::uint32_t port = orvprotocol::kDefaultPort;
    bool multicast = false;

    orvreceiver::ReceiverStore store;
    orvreceiver::ReceiveLoop loop{store}; // declared after the store it feeds
};
