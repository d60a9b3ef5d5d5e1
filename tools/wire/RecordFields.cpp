#include "wire/RecordFields.h"

#include "receiver/Messages.h"
#include "view/NumberFormat.h"
#include "wire/WireKeys.h"

namespace orvtool
{

namespace
{

const char* const kDeckColumns[] = {"Deck A", "Deck B", "Deck C", "Deck D"};

bool isDeckNumber(int32_t deck)
{
    return deck >= 1 && deck <= 4;
}

// Channel index of a deck field, from the channel operator's map: 3 + 11 * (deck - 1) + offset.
std::string channelOf(int32_t deck, int offset)
{
    if (!isDeckNumber(deck))
        return "";
    return ", channel " + std::to_string(3 + 11 * (deck - 1) + offset);
}

RecordField field(const char* name, const char* key, const std::string& value,
                  const std::string& shown)
{
    return RecordField{name, key, value, shown};
}

std::string number(double value)
{
    return shortestText(value);
}

void describeControl(const orvpack::MsgPack& payload, RecordView& out)
{
    const Control control = Control::fromMsgPack(payload);
    out.record = "Control";
    out.fields = {
        field("upfaderA", keys::kUpfaderA, number(control.upfaderA), "row UpfaderA, channel 0"),
        field("upfaderB", keys::kUpfaderB, number(control.upfaderB), "row UpfaderB, channel 1"),
        field("crossfader", keys::kCrossfader, number(control.crossfader),
              "row Crossfader, channel 2"),
        field("active", keys::kActive, std::to_string(control.active), ""),
    };
    out.outcome = "replaces the mixer record (rows 15 to 17 of every deck column, channels 0 to "
                  "2; \"Active\" is not shown)";
}

void describeDeck(const orvpack::MsgPack& payload, RecordView& out)
{
    const Deck deck = Deck::fromMsgPack(payload);
    const int32_t n = deck.deck;
    out.record = "Deck";
    out.fields = {
        field("pitch", keys::kPitch, number(deck.pitch), "row Velocity" + channelOf(n, 0)),
        field("position", keys::kPosition, number(deck.position), "row Position" + channelOf(n, 1)),
        field("position2", keys::kPosition2, number(deck.position2),
              "row Position2" + channelOf(n, 2)),
        field("normalizedPosition", keys::kNormalizedPosition, number(deck.normalizedPosition),
              "row NormPos" + channelOf(n, 3)),
        field("bpm", keys::kBpm, number(deck.bpm), "row BPM" + channelOf(n, 4)),
        field("length", keys::kLength, number(deck.length), "row Length" + channelOf(n, 5)),
        field("eqLow", keys::kEqLow, number(deck.eqLow), "row EQLow" + channelOf(n, 6)),
        field("eqMid", keys::kEqMid, number(deck.eqMid), "row EQMid" + channelOf(n, 7)),
        field("eqHigh", keys::kEqHigh, number(deck.eqHigh), "row EQHigh" + channelOf(n, 8)),
        field("deck", keys::kDeck, std::to_string(deck.deck),
              isDeckNumber(n) ? "selects the slot" + channelOf(n, 9) : "selects the slot"),
        field("beat", keys::kBeat, std::to_string(deck.beat), "row Beat" + channelOf(n, 10)),
    };
    if (isDeckNumber(n))
        out.outcome = "replaces deck slot " + std::to_string(n) + " (column \"" +
                      kDeckColumns[n - 1] + "\", channels " + std::to_string(3 + 11 * (n - 1)) +
                      " to " + std::to_string(13 + 11 * (n - 1)) + ")";
    else
        out.outcome = "dropped: deck " + std::to_string(n) + " is not 1 to 4";
}

void describeMeta(const orvpack::MsgPack& payload, RecordView& out)
{
    const Meta meta = Meta::fromMsgPack(payload);
    out.record = "Meta";
    out.fields = {
        field("deck", keys::kDeck, std::to_string(meta.deck), "selects the slot"),
        field("title", keys::kTitle, quotedText(meta.title), "row Title"),
        field("artist", keys::kArtist, quotedText(meta.artist), "row Artist"),
        field("album", keys::kAlbum, quotedText(meta.album), "row Album"),
        field("filepath", keys::kFilepath, quotedText(meta.filepath), "row Filepath"),
    };
    if (isDeckNumber(meta.deck))
        out.outcome = "replaces metadata slot " + std::to_string(meta.deck) + " (rows 1 to 4 of " +
                      "column \"" + kDeckColumns[meta.deck - 1] + "\")";
    else
        out.outcome = "dropped: deck " + std::to_string(meta.deck) + " is not 1 to 4";
}

void describeEvent(const orvpack::MsgPack& payload, RecordView& out)
{
    const Event event = Event::fromMsgPack(payload);
    out.record = "Event";
    out.fields = {
        field("name", keys::kEvent, quotedText(event.name), "column 0 of the event's row"),
        field("value", keys::kValue, std::to_string(event.value), "column 1 of the event's row"),
    };
    out.outcome = "sets event " + quotedText(event.name) + " to " + std::to_string(event.value) +
                  " (one row per event name, below \"Crossfader\")";
}

} // namespace

bool describeRecord(uint8_t type, const orvpack::MsgPack& payload, RecordView& out)
{
    out = RecordView{};
    switch (type)
    {
    case keys::kControlType:
        describeControl(payload, out);
        return true;
    case keys::kDeckType:
        describeDeck(payload, out);
        return true;
    case keys::kMetaType:
        describeMeta(payload, out);
        return true;
    case keys::kEventType:
        describeEvent(payload, out);
        return true;
    default:
        return false;
    }
}

} // namespace orvtool
