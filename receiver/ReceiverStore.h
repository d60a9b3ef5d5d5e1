// The receiver's store: datagram in, state out. It filters a datagram by its sender, reads the
// type byte, decodes the map, and keeps the latest record of each kind (the mixer, four decks,
// four tracks, the events in the order their names first arrived, EventLog.h), how many datagrams
// set each event and how often each deck's track changed, the recent Deck datagrams of each deck
// for the beat clock, whether the node is connected and where its socket is bound, the node's error
// and warning texts, and how reception goes (counts, arrival times, senders: ReceiverHealth). It
// has no socket and no thread, so the tests drive it directly.
//
// Thread rules. Any thread may call any method: one mutex, `stateMutex_`, guards everything,
// and is held only to copy in or out, never while decoding or calling out. In the product the
// receive thread calls handleDatagram and setWarningText; the host thread connects (setting
// `connected` and the texts) and reads everything through read() and the accessors.
//
// Texts: `errorText` holds the last connect failure or the last decode error of a Deck, Meta
// or Event datagram; `warningText` the last receive error, the last decode error of a Control
// datagram, the last event name dropped at the bound, or what connect says of its address.
// startConnect clears both at each connect; after that a text is only replaced by the next text
// of its kind.
//
// Counting costs the receive path no extra hold: each count and arrival time is written in the
// hold that the datagram's filter check or store step takes anyway; only the rare drops (unknown
// type, deck number out of range) take one of their own.
#pragma once

#include "beat/DeckSamples.h"
#include "protocol/NodeLayout.h"
#include "receiver/EventLog.h"
#include "receiver/ReceiverSnapshot.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <mutex>
#include <string>
#include <string_view>

namespace orvreceiver
{

class ReceiverStore
{
public:
    ReceiverStore();

    // Bytes of a datagram that are handled; the rest of a longer one is cut.
    static constexpr std::size_t kDatagramLimit = orvprotocol::kDatagramLimit;
    // Distinct event names kept; a new name beyond this is dropped with a warning.
    static constexpr std::size_t kMaxEventNames = orvlayout::kMaxEventNames;

    // One datagram: sender filter, type byte, decode, store. At most kDatagramLimit bytes are
    // looked at; an empty datagram is dropped uncounted (it is also how a stopping receiver is
    // woken). Never throws for any input (only std::bad_alloc can leave it). `arrival` is when
    // it came (steadyNow()); `senderPort` 0 leaves the port out of the sender texts.
    void handleDatagram(const char* data, std::size_t size, const char* senderAddress,
                        std::int64_t arrival, std::uint16_t senderPort = 0);

    // One consistent copy of everything a cook shows, under one hold. The snapshot's strings
    // and vector keep their capacity from one call to the next.
    void read(ReceiverNumbers& out) const;
    void read(ReceiverSnapshot& out) const;
    // Only the samples of decks `firstDeck` to `lastDeck` (1 to 4) are copied; the others are
    // left as they were.
    void read(DeckHistory& out, int firstDeck = 1, int lastDeck = orvlayout::kDeckCount) const;
    // Ages are taken against `now` (steadyNow()).
    void read(ReceiverHealth& out, std::int64_t now) const;
    // Copies only the names that are new since the last read into `out` (see EventState).
    void read(EventState& out) const;

    // Copies of one record. Deck and meta numbers outside 1 to 4 give empty records.
    Deck deck(int deckNumber) const;
    Meta meta(int deckNumber) const;
    Control control() const;
    bool connected() const;

    // The texts into a caller-owned string, reusing its capacity (for a cook on every frame).
    void errorText(std::string& out) const;
    void warningText(std::string& out) const;

    // Connected on the socket bound to `boundAddress`:`boundPort` (dotted text), or, with
    // `connected` false, no longer bound.
    void setConnected(bool connected, std::string boundAddress = std::string(),
                      std::uint16_t boundPort = 0, bool groupJoined = false);
    void setErrorText(std::string text);
    void setWarningText(std::string text);
    // At each connect: clears both texts and the counts (ages and senders stay).
    void startConnect();
    // Whole-text, byte-wise sender filter; empty accepts every sender. Allocates only when
    // the filter changes.
    void setIpFilter(std::string_view filter);

private:
    // "255.255.255.255" and its terminating zero.
    static constexpr std::size_t kAddressSize = 16;
    // The sender of a datagram as it came, kept without allocating.
    struct SenderRecord
    {
        char address[kAddressSize] = {};
        std::uint16_t port = 0;
        bool known = false;
    };
    static constexpr std::int64_t kNoArrival = std::numeric_limits<std::int64_t>::min();

    bool accepts(const char* senderAddress, std::uint16_t senderPort);
    void storeDeck(const Deck& record, std::int64_t arrival);
    void storeEvent(Event&& event, std::int64_t arrival);
    void takeDecodeError(MessageType type, std::string&& error);
    void countIgnored();
    void countStored(std::int64_t arrival);       // caller holds stateMutex_
    void copyNumbers(ReceiverNumbers& out) const; // caller holds stateMutex_

    mutable std::mutex stateMutex_;
    bool connected_ = false;
    std::string ipFilter_;
    std::string errorText_;
    std::string warningText_;
    Control control_;
    std::array<Deck, orvlayout::kDeckCount> decks_;
    std::array<orvbeat::DeckSamples, orvlayout::kDeckCount> deckSamples_; // of decks_[k]
    std::array<Meta, orvlayout::kDeckCount> metas_;
    // of metas_[k]: records that brought another title or file path
    std::array<std::uint64_t, orvlayout::kDeckCount> trackChanges_{};
    EventLog events_{kMaxEventNames}; // in the order the names first arrived
    const std::uint64_t id_;          // tells its EventState readings apart: never 0, one per store

    std::string boundAddress_;
    std::uint16_t boundPort_ = 0;
    bool groupJoined_ = false;
    std::uint64_t datagrams_ = 0;
    std::uint64_t filtered_ = 0;
    std::uint64_t ignored_ = 0;
    std::uint64_t decodeErrors_ = 0;
    std::int64_t lastArrival_ = kNoArrival;
    std::array<std::int64_t, orvlayout::kDeckCount> deckArrivals_ = noArrivals();
    SenderRecord lastSender_;
    SenderRecord lastFilteredSender_;

    static constexpr std::array<std::int64_t, orvlayout::kDeckCount> noArrivals()
    {
        std::array<std::int64_t, orvlayout::kDeckCount> arrivals{};
        for (std::size_t k = 0; k < arrivals.size(); ++k)
        {
            arrivals[k] = kNoArrival;
        }
        return arrivals;
    }
};

} // namespace orvreceiver
