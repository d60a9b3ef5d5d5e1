#include "receiver/ReceiverStore.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <utility>

namespace orvreceiver
{

namespace
{

constexpr std::size_t kMaxNameInWarning = 64;

std::uint64_t nextStoreId()
{
    // Stores are made by the table operator's bundle (one counter) or by a test program.
    static std::atomic<std::uint64_t> lastId{0};
    return ++lastId;
}

bool isSlotNumber(int deckNumber)
{
    return deckNumber >= 1 && deckNumber <= orvlayout::kDeckCount;
}

std::size_t slotOf(int deckNumber)
{
    return static_cast<std::size_t>(deckNumber - 1);
}

// At most kMaxNameInWarning bytes of a name from the network, cut on a UTF-8 character
// boundary so the host is never handed half a character.
std::string shortenedName(const std::string& name)
{
    if (name.size() <= kMaxNameInWarning)
    {
        return name;
    }
    std::size_t cut = kMaxNameInWarning;
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

// Copies the sender without allocating; at most kAddressSize - 1 bytes of its text.
template <class Record> void keepSender(Record& record, const char* address, std::uint16_t port)
{
    std::size_t length = 0;
    while (length + 1 < sizeof record.address && address[length] != '\0')
    {
        record.address[length] = address[length];
        ++length;
    }
    record.address[length] = '\0';
    record.port = port;
    record.known = true;
}

// "address:port" (or the address alone for port 0) into `out`, reusing its capacity.
template <class Record> void senderText(const Record& record, std::string& out)
{
    out.clear();
    if (!record.known)
    {
        return;
    }
    out.append(record.address);
    if (record.port != 0)
    {
        char digits[8];
        const auto end = std::to_chars(digits, digits + sizeof digits, record.port).ptr;
        out.push_back(':');
        out.append(digits, end);
    }
}

double ageSeconds(std::int64_t arrival, std::int64_t now, std::int64_t noArrival)
{
    if (arrival == noArrival)
    {
        return -1.0;
    }
    return now > arrival ? static_cast<double>(now - arrival) * 1e-9 : 0.0;
}

} // namespace

ReceiverStore::ReceiverStore() : id_(nextStoreId()) {}

void ReceiverStore::handleDatagram(const char* data, std::size_t size, const char* senderAddress,
                                   std::int64_t arrival, std::uint16_t senderPort)
{
    // An empty datagram has no type byte (and is what wakes a stopping receiver).
    if (data == nullptr || size == 0 || !accepts(senderAddress, senderPort))
    {
        return;
    }
    if (size > kDatagramLimit)
    {
        size = kDatagramLimit;
    }
    const orvprotocol::MessageInfo* message =
        orvprotocol::findMessage(static_cast<std::uint8_t>(data[0]));
    if (message == nullptr)
    {
        countIgnored();
        return;
    }

    // Decoded outside the lock.
    std::string error;
    const orvpack::MsgPack value =
        orvpack::MsgPack::parse(data + 1, size - 1, error, orvprotocol::wireKeys());
    if (!error.empty())
    {
        takeDecodeError(message->type, std::move(error));
        return;
    }

    switch (message->type)
    {
    case MessageType::Control:
    {
        const Control record = Control::fromMsgPack(value);
        std::lock_guard<std::mutex> lock(stateMutex_);
        control_ = record;
        countStored(arrival);
        break;
    }
    case MessageType::Deck:
        storeDeck(Deck::fromMsgPack(value), arrival);
        break;
    case MessageType::Meta:
    {
        Meta record = Meta::fromMsgPack(value);
        if (!isSlotNumber(record.deck))
        {
            countIgnored();
            break;
        }
        const std::size_t slot = slotOf(record.deck);
        std::lock_guard<std::mutex> lock(stateMutex_);
        if (record.title != metas_[slot].title || record.filepath != metas_[slot].filepath)
        {
            ++trackChanges_[slot];
        }
        // Swapped in; the old strings are freed after the lock is released.
        std::swap(metas_[slot], record);
        countStored(arrival);
        break;
    }
    case MessageType::Event:
        storeEvent(Event::fromMsgPack(value), arrival);
        break;
    }
}

bool ReceiverStore::accepts(const char* senderAddress, std::uint16_t senderPort)
{
    const char* sender = senderAddress != nullptr ? senderAddress : "";
    std::lock_guard<std::mutex> lock(stateMutex_);
    keepSender(lastSender_, sender, senderPort);
    // Whole-text, byte-wise: no prefix, mask or case rule.
    if (ipFilter_.empty() || ipFilter_ == sender)
    {
        return true;
    }
    ++filtered_;
    keepSender(lastFilteredSender_, sender, senderPort);
    return false;
}

void ReceiverStore::storeDeck(const Deck& record, std::int64_t arrival)
{
    if (!isSlotNumber(record.deck))
    {
        countIgnored();
        return;
    }
    const std::size_t slot = slotOf(record.deck);
    const orvbeat::DeckSample sample = sampleOf(record, arrival);
    std::lock_guard<std::mutex> lock(stateMutex_);
    deckSamples_[slot].push(sample);
    decks_[slot] = record;
    deckArrivals_[slot] = arrival;
    countStored(arrival);
}

void ReceiverStore::storeEvent(Event&& event, std::int64_t arrival)
{
    {
        std::lock_guard<std::mutex> lock(stateMutex_);
        // A known name is updated without allocating; a new one goes at the end.
        if (events_.set(std::move(event.name), event.value))
        {
            countStored(arrival);
            return;
        }
        ++ignored_; // a new name beyond the bound: `event.name` is left as it was
    }
    // Names come from the network and every name is a table row: keep memory and the table
    // bounded, and say what was lost.
    setWarningText("Too many event names: dropped new event \"" + shortenedName(event.name) +
                   "\" (at most " + std::to_string(kMaxEventNames) + " names are kept)");
}

void ReceiverStore::takeDecodeError(MessageType type, std::string&& error)
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    ++decodeErrors_;
    // A broken mixer datagram is a warning, a broken deck, track or event datagram an error.
    // The old text is freed after the lock is released.
    (type == MessageType::Control ? warningText_ : errorText_).swap(error);
}

void ReceiverStore::countIgnored()
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    ++ignored_;
}

void ReceiverStore::countStored(std::int64_t arrival)
{
    ++datagrams_;
    lastArrival_ = arrival;
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
    // The events never shrink, so neither does the vector: its strings keep their capacity
    // from cook to cook.
    out.events.resize(events_.size());
    for (std::size_t place = 0; place < events_.size(); ++place)
    {
        out.events[place].first.assign(events_[place].name);
        out.events[place].second = events_[place].value;
    }
}

void ReceiverStore::read(EventState& out) const
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    out.connected = connected_;
    out.trackChanges = trackChanges_;
    if (out.source != id_ || out.events.size() > events_.size())
    {
        out.events.clear(); // another store's names
        out.source = id_;
    }
    const std::size_t known = out.events.size();
    for (std::size_t place = 0; place < known; ++place)
    {
        out.events[place].value = events_[place].value;
        out.events[place].count = events_[place].count;
    }
    for (std::size_t place = known; place < events_.size(); ++place)
    {
        const EventLog::Entry& entry = events_[place];
        out.events.push_back(EventReading{entry.name, entry.value, entry.count});
    }
}

void ReceiverStore::read(ReceiverHealth& out, std::int64_t now) const
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    out.connected = connected_;
    out.datagrams = datagrams_;
    out.filtered = filtered_;
    out.ignored = ignored_;
    out.decodeErrors = decodeErrors_;
    out.lastDatagramAge = ageSeconds(lastArrival_, now, kNoArrival);
    for (std::size_t slot = 0; slot < deckArrivals_.size(); ++slot)
    {
        out.deckAges[slot] = ageSeconds(deckArrivals_[slot], now, kNoArrival);
    }
    out.events = events_.size();
    out.boundAddress.assign(boundAddress_);
    out.boundPort = boundPort_;
    out.groupJoined = groupJoined_;
    senderText(lastSender_, out.lastSender);
    senderText(lastFilteredSender_, out.lastFilteredSender);
}

void ReceiverStore::read(DeckHistory& out, int firstDeck, int lastDeck) const
{
    firstDeck = std::max(firstDeck, 1);
    lastDeck = std::min(lastDeck, orvlayout::kDeckCount);
    std::lock_guard<std::mutex> lock(stateMutex_);
    out.connected = connected_;
    out.control = control_;
    for (int deck = firstDeck; deck <= lastDeck; ++deck)
    {
        out.samples[slotOf(deck)] = deckSamples_[slotOf(deck)];
    }
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

void ReceiverStore::setConnected(bool connected, std::string boundAddress, std::uint16_t boundPort,
                                 bool groupJoined)
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    connected_ = connected;
    boundAddress_.swap(boundAddress);
    boundPort_ = boundPort;
    groupJoined_ = groupJoined;
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

void ReceiverStore::startConnect()
{
    std::lock_guard<std::mutex> lock(stateMutex_);
    errorText_.clear();
    warningText_.clear();
    datagrams_ = 0;
    filtered_ = 0;
    ignored_ = 0;
    decodeErrors_ = 0;
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
