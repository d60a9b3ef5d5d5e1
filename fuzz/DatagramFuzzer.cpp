// The receiver's store on any bytes, from varied senders through varied filters.
//
// Input: one control byte, then the datagram. The control byte picks the sender text (bits
// 0-2) and the filter (bits 3-5); bit 6 sends the datagram twice, once cut by a byte. Each
// input gets a fresh store, so a finding replays alone.

#include "FuzzCheck.h"
#include "receiver/ReceiverStore.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace
{

const char* const senders[] = {
    "127.0.0.1", "127.0.0.2",       "192.168.1.5", "192.168.1.50",
    "",          "255.255.255.255", nullptr,       "127.0.0.1 ",
};
const char* const filters[] = {
    "", "127.0.0.1", "127.0.0.2", "192.168.1.5", "127.0.0.1 ", "127.0.0", " ", "0.0.0.0",
};

bool acceptedBy(const std::string& filter, const char* sender)
{
    return filter.empty() || filter == (sender != nullptr ? sender : "");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
    {
        return 0;
    }
    const uint8_t control = data[0];
    const char* sender = senders[control & 7];
    const std::string filter = filters[(control >> 3) & 7];
    const char* datagram = reinterpret_cast<const char*>(data + 1);
    const size_t length = size - 1;

    orvreceiver::ReceiverStore store;
    store.setIpFilter(filter);
    store.handleDatagram(datagram, length, sender, 1);
    if ((control & 0x40) != 0 && length > 0)
    {
        store.handleDatagram(datagram, length - 1, sender, 2);
    }

    ReceiverSnapshot state;
    store.read(state);
    const ReceiverNumbers& numbers = state.numbers;
    FUZZ_CHECK(!numbers.connected);
    FUZZ_CHECK(state.events.size() <= 2);
    for (int slot = 1; slot <= orvlayout::kDeckCount; ++slot)
    {
        // A slot is empty or holds a record of its own number.
        FUZZ_CHECK(numbers.decks[slot - 1].deck == 0 || numbers.decks[slot - 1].deck == slot);
        FUZZ_CHECK(state.metas[slot - 1].deck == 0 || state.metas[slot - 1].deck == slot);
        FUZZ_CHECK(store.deck(slot).deck == numbers.decks[slot - 1].deck);
    }
    std::string error;
    std::string warning;
    store.errorText(error);
    store.warningText(warning);
    FUZZ_CHECK(error.empty() || error == "end of buffer." || error == "format error.");
    FUZZ_CHECK(warning.empty() || warning == "end of buffer." || warning == "format error.");

    // A filtered sender changes nothing at all.
    if (!acceptedBy(filter, sender))
    {
        FUZZ_CHECK(error.empty() && warning.empty() && state.events.empty());
        for (int slot = 0; slot < orvlayout::kDeckCount; ++slot)
        {
            FUZZ_CHECK(numbers.decks[slot].deck == 0 && state.metas[slot].deck == 0);
        }
        FUZZ_CHECK(numbers.control.upfaderA == 0.0 && numbers.control.active == 0);
    }
    return 0;
}
