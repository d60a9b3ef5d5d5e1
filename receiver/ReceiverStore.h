// The receiver's store: datagram in, state out. It filters a datagram by its sender, reads the
// type byte, decodes the map, and keeps the latest record of each kind (the mixer, four decks,
// four tracks, the events), the recent Deck datagrams of each deck for the beat clock, whether the
// node is connected, and the node's error and warning texts. It has no socket and no thread, so the
// tests drive it directly.
//
// Thread rules. Any thread may call any method: one mutex, `stateMutex_`, guards everything,
// and is held only to copy in or out, never while decoding or calling out. In the product the
// receive thread calls handleDatagram and setWarningText; the host thread connects (setting
// `connected` and the texts) and reads everything through read() and the accessors.
//
// Texts: `errorText` holds the last connect failure or the last decode error of a Deck, Meta
// or Event datagram; `warningText` the last receive error, the last decode error of a Control
// datagram, or the last event name dropped at the bound. clearTexts runs at each connect; after
// that a text is only replaced by the next text of its kind.
#pragma once

#include "beat/DeckSamples.h"
#include "protocol/NodeLayout.h"
#include "receiver/ReceiverSnapshot.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

namespace orvreceiver
{

class ReceiverStore
{
public:
    // Bytes of a datagram that are handled; the rest of a longer one is cut.
    static constexpr std::size_t datagramLimit = orvprotocol::datagramLimit;
    // Distinct event names kept; a new name beyond this is dropped with a warning.
    static constexpr std::size_t maxEventNames = orvlayout::maxEventNames;

    // One datagram: sender filter, type byte, decode, store. At most datagramLimit bytes are
    // looked at; an empty datagram is dropped. Never throws for any input (only
    // std::bad_alloc can leave it). `arrival` is when it came (steadyNow()).
    void handleDatagram(const char* data, std::size_t size, const char* senderAddress,
                        std::int64_t arrival);

    // One consistent copy of everything a cook shows, under one hold. The snapshot's strings
    // and vector keep their capacity from one call to the next.
    void read(ReceiverNumbers& out) const;
    void read(ReceiverSnapshot& out) const;
    // Only the samples of decks `firstDeck` to `lastDeck` (1 to 4) are copied; the others are
    // left as they were.
    void read(DeckHistory& out, int firstDeck = 1, int lastDeck = orvlayout::deckCount) const;

    // Copies of one record. Deck and meta numbers outside 1 to 4 give empty records.
    Deck deck(int deckNumber) const;
    Meta meta(int deckNumber) const;
    Control control() const;
    bool connected() const;

    // The texts into a caller-owned string, reusing its capacity (for a cook on every frame).
    void errorText(std::string& out) const;
    void warningText(std::string& out) const;

    void setConnected(bool connected);
    void setErrorText(std::string text);
    void setWarningText(std::string text);
    void clearTexts();
    // Whole-text, byte-wise sender filter; empty accepts every sender. Allocates only when
    // the filter changes.
    void setIpFilter(std::string_view filter);

private:
    bool accepts(const char* senderAddress) const;
    void storeDeck(const Deck& record, std::int64_t arrival);
    void storeEvent(Event&& event);
    void copyNumbers(ReceiverNumbers& out) const; // caller holds stateMutex_

    mutable std::mutex stateMutex_;
    bool connected_ = false;
    std::string ipFilter_;
    std::string errorText_;
    std::string warningText_;
    Control control_;
    std::array<Deck, orvlayout::deckCount> decks_;
    std::array<orvbeat::DeckSamples, orvlayout::deckCount> deckSamples_; // of decks_[k]
    std::array<Meta, orvlayout::deckCount> metas_;
    std::unordered_map<std::string, std::uint8_t> events_;
};

} // namespace orvreceiver
