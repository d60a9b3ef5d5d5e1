#include "receiver/ReceiverStore.h"

#include <algorithm>
#include <utility>

namespace orvreceiver
{

namespace
{

constexpr std::size_t maxNameInWarning = 64;

bool isSlotNumber(int deckNumber)
{
    return deckNumber >= 1 && deckNumber <= orvlayout::deckCount;
}

std::size_t slotOf(int deckNumber)
{
    return static_cast<std::size_t>(deckNumber - 1);
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

orvbeat::DeckSample sampleOf(const Deck& record, std::int64_t arrival)
{
    orvbeat::DeckSample sample;
    sample.arrivalNs = arrival;
    sample.position = record.position;
    sample.bpm = record.bpm;
    sample.pitch = record.pitch;
    sample.length = record.length;
    sample.beat = record.beat;
    return sample;
}

} // namespace

void ReceiverStore::handleDatagram(const char* data, std::size_t size, const char* senderAddress,
                                   std::int64_t arrival)
{
    // An empty datagram has no type byte (and is what wakes a stopping receiver).
    if (data == nullptr || size == 0 || !accepts(senderAddress))
    {
        return;
    }
    if (size > datagramLimit)
    {
        size = datagramLimit;
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
        std::lock_guard<std::mutex> lock(stateMutex_);
        control_ = record;
        break;
    }
    case MessageType::Deck:
        storeDeck(Deck::fromMsgPack(value), arrival);
        break;
    case MessageType::Meta:
    {
        Meta record = Meta::fromMsgPack(value);
        if (isSlotNumber(record.deck))
        {
            std::lock_guard<std::mutex> lock(stateMutex_);
            // Swapped in; the old strings are freed after the lock is released.
            std::swap(metas_[slotOf(record.deck)], record);
        }
        break;
    }
    case MessageType::Event:
        storeEvent(Event::fromMsgPack(value));
        break;
    }
}

bool ReceiverStore::accepts(const char* senderAddress) const
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    // Whole-text, byte-wise: no prefix, mask or case rule.
    return ipFilter_.empty() || ipFilter_ == (senderAddress != nullptr ? senderAddress : "");
}

void ReceiverStore::storeDeck(const Deck& record, std::int64_t arrival)
{
    if (!isSlotNumber(record.deck))
    {
        return;
    }
    const std::size_t slot = slotOf(record.deck);
    const orvbeat::DeckSample sample = sampleOf(record, arrival);
    std::lock_guard<std::mutex> lock(stateMutex_);
    deckSamples_[slot].push(sample);
    decks_[slot] = record;
}

void ReceiverStore::storeEvent(Event&& event)
{
    {
        std::lock_guard<std::mutex> lock(stateMutex_);
        const auto known = events_.find(event.name);
        if (known != events_.end())
        {
            known->second = event.value;
            return;
        }
        if (events_.size() < maxEventNames)
        {
            events_.emplace(std::move(event.name), event.value);
            return;
        }
    }
    // Names come from the network and every name is a table row: keep memory and the table
    // bounded, and say what was lost.
    setWarningText("Too many event names: dropped new event \"" + shortenedName(event.name) +
                   "\" (at most " + std::to_string(maxEventNames) + " names are kept)");
}

void ReceiverStore::copyNumbers(ReceiverNumbers& out) const
{
    out.connected = connected_;
    out.control = control_;
    out.decks = decks_;
}

void ReceiverStore::read(ReceiverNumbers& out) const
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    copyNumbers(out);
}

void ReceiverStore::read(ReceiverSnapshot& out) const
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    copyNumbers(out.numbers);
    out.metas = metas_; // string assignment reuses the snapshot's capacity
    // The event map never shrinks, so neither does the vector: its strings keep their
    // capacity from cook to cook.
    out.events.resize(events_.size());
    std::size_t i = 0;
    for (const auto& [name, value] : events_)
    {
        out.events[i].first.assign(name);
        out.events[i].second = value;
        ++i;
    }
}

void ReceiverStore::read(DeckHistory& out, int firstDeck, int lastDeck) const
{
    firstDeck = std::max(firstDeck, 1);
    lastDeck = std::min(lastDeck, orvlayout::deckCount);
    std::lock_guard<std::mutex> lock(stateMutex_);
    out.connected = connected_;
    out.control = control_;
    for (int deck = firstDeck; deck <= lastDeck; ++deck)
        out.samples[slotOf(deck)] = deckSamples_[slotOf(deck)];
}

Deck ReceiverStore::deck(int deckNumber) const
{
    if (!isSlotNumber(deckNumber))
    {
        return Deck();
    }
    std::lock_guard<std::mutex> lock(stateMutex_);
    return decks_[slotOf(deckNumber)];
}

Meta ReceiverStore::meta(int deckNumber) const
{
    if (!isSlotNumber(deckNumber))
    {
        return Meta();
    }
    std::lock_guard<std::mutex> lock(stateMutex_);
    return metas_[slotOf(deckNumber)];
}

Control ReceiverStore::control() const
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    return control_;
}

bool ReceiverStore::connected() const
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    return connected_;
}

void ReceiverStore::errorText(std::string& out) const
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    out.assign(errorText_);
}

void ReceiverStore::warningText(std::string& out) const
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    out.assign(warningText_);
}

void ReceiverStore::setConnected(bool connected)
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    connected_ = connected;
}

void ReceiverStore::setErrorText(std::string text)
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    errorText_.swap(text); // the old text is freed after the lock is released
}

void ReceiverStore::setWarningText(std::string text)
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    warningText_.swap(text);
}

void ReceiverStore::clearTexts()
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    errorText_.clear();
    warningText_.clear();
}

void ReceiverStore::setIpFilter(std::string_view filter)
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    if (ipFilter_ != filter)
    {
        ipFilter_ = filter;
    }
}

} // namespace orvreceiver
