#include "wire/RecordFields.h"
#include "harness/NumberText.h"

#include "protocol/NodeLayout.h"
#include "protocol/WireSchema.h"
#include "view/TextFormat.h"

#include <type_traits>
#include <variant>

namespace orvtool
{

namespace
{

using namespace orvprotocol;
using namespace orvlayout;

bool isDeckNumber(int32_t deck)
{
    return deck >= 1 && deck <= kDeckCount;
}

std::string fieldText(const std::string& text)
{
    return quotedText(text);
}
std::string fieldText(int32_t number)
{
    return std::to_string(number);
}
std::string fieldText(uint8_t number)
{
    return std::to_string(number);
}
std::string fieldText(double number) // a float field's number too
{
    return orvharness::numberText(number);
}

template <class Record> std::string valueText(const Key<Record>& key, const Record& record)
{
    return std::visit([&](auto member) { return fieldText(record.*member); }, key.member);
}

// Where a field shows: its table row, and the channel of its key (a deck field's channel
// only when the deck number selects a slot).
template <class Record> std::string shownAt(const Key<Record>& key, int32_t deck)
{
    const FieldPlace place = placeOf<Record>(key.key);
    std::string shown;
    if (place.row != kNoRow)
        shown = std::string("row ") + kRowLabels[place.row];
    if (place.channel == kNoChannel)
        return shown;
    int channel = place.channel;
    if constexpr (std::is_same_v<Record, Deck>)
    {
        if (!isDeckNumber(deck))
            return shown;
        channel = deckChannel(deck, place.channel);
    }
    return (shown.empty() ? "" : shown + ", ") + "channel " + std::to_string(channel);
}

template <class Record> void describeFields(const Record& record, int32_t deck, RecordView& out)
{
    for (const Key<Record>& key : KeysOf<Record>::keys)
        out.fields.push_back(RecordField{key.field, std::string(key.key), valueText(key, record),
                                         shownAt(key, deck)});
}

void dropRecord(const std::string& why, RecordView& out)
{
    out.outcome = "dropped: " + why;
    out.dropReason = why;
}

void describeControl(const orvpack::MsgPack& payload, RecordView& out)
{
    describeFields(Control::fromMsgPack(payload), 0, out);
    out.outcome = "replaces the mixer record (rows 15 to 17 of every deck column, channels 0 to "
                  "2; \"Active\" is not shown)";
}

void describeDeck(const orvpack::MsgPack& payload, RecordView& out)
{
    const Deck deck = Deck::fromMsgPack(payload);
    const int32_t n = deck.deck;
    describeFields(deck, n, out);
    for (RecordField& field : out.fields)
    {
        if (field.key == keyOf(&Deck::deck)->key)
            field.shown = "selects the slot" + (field.shown.empty() ? "" : ", " + field.shown);
    }
    if (isDeckNumber(n))
        out.outcome = "replaces deck slot " + std::to_string(n) + " (column \"" +
                      kDeckHeaders[n - 1] + "\", channels " + std::to_string(deckChannel(n, 0)) +
                      " to " + std::to_string(deckChannel(n, kChannelsPerDeck - 1)) + ")";
    else
        dropRecord("deck " + std::to_string(n) + " is not 1 to 4", out);
}

void describeMeta(const orvpack::MsgPack& payload, RecordView& out)
{
    const Meta meta = Meta::fromMsgPack(payload);
    describeFields(meta, meta.deck, out);
    for (RecordField& field : out.fields)
    {
        if (field.key == keyOf(&Meta::deck)->key)
            field.shown = "selects the slot";
    }
    if (isDeckNumber(meta.deck))
        out.outcome = "replaces metadata slot " + std::to_string(meta.deck) + " (rows 1 to 4 of " +
                      "column \"" + kDeckHeaders[meta.deck - 1] + "\")";
    else
        dropRecord("deck " + std::to_string(meta.deck) + " is not 1 to 4", out);
}

void describeEvent(const orvpack::MsgPack& payload, RecordView& out)
{
    const Event event = Event::fromMsgPack(payload);
    describeFields(event, 0, out);
    out.fields[0].shown = "column 0 of the event's row";
    out.fields[1].shown = "column 1 of the event's row";
    out.outcome = "sets event " + quotedText(event.name) + " to " + std::to_string(event.value) +
                  " (one row per event name, below \"Crossfader\")";
}

} // namespace

bool describeRecord(uint8_t type, const orvpack::MsgPack& payload, RecordView& out)
{
    out = RecordView{};
    const MessageInfo* message = findMessage(type);
    if (message == nullptr)
        return false;
    out.record = message->name;
    switch (message->type)
    {
    case MessageType::Control:
        describeControl(payload, out);
        break;
    case MessageType::Deck:
        describeDeck(payload, out);
        break;
    case MessageType::Meta:
        describeMeta(payload, out);
        break;
    case MessageType::Event:
        describeEvent(payload, out);
        break;
    }
    return true;
}

} // namespace orvtool
