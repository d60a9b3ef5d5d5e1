#include "wire/KeyCheck.h"

#include "harness/NumberText.h"

#include "view/TextFormat.h"
#include "wire/RecordFields.h"
#include "wire/ValueTree.h"

#include <algorithm>
#include <cctype>
#include <type_traits>

namespace orvtool
{

namespace
{

using orvpack::MsgPack;
using orvprotocol::MessageInfo;
using orvprotocol::ValueKind;

// Calls visit(Record{}) with the record of message type `type`; false for a type without one.
template <class Visit> bool withRecord(uint8_t type, Visit&& visit)
{
    const MessageInfo* message = orvprotocol::findMessage(type);
    if (message == nullptr)
        return false;
    switch (message->type)
    {
    case MessageType::Control:
        visit(Control{});
        break;
    case MessageType::Deck:
        visit(Deck{});
        break;
    case MessageType::Meta:
        visit(Meta{});
        break;
    case MessageType::Event:
        visit(Event{});
        break;
    }
    return true;
}

std::string lowered(std::string_view text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

bool isNumber(const MsgPack& value)
{
    // Bit 0 of a type marks the numeric kinds (MsgPack.h).
    return (value.type() & 1) != 0;
}

// Why a node skips `key`, and the key meant when the protocol has one close to it.
std::string ignoredKeyText(uint8_t type, const std::string& key)
{
    const MessageInfo& message = *orvprotocol::findMessage(type);
    std::string text = quotedText(key) + " is no " + message.name + " key: a node ignores it";
    std::string otherCase;
    withRecord(type,
               [&](auto none)
               {
                   using Record = decltype(none);
                   for (const auto& known : orvprotocol::KeysOf<Record>::keys)
                   {
                       if (lowered(known.key) == lowered(key))
                           otherCase = std::string(known.key);
                   }
               });
    if (!otherCase.empty())
        return text + " (the key is " + quotedText(otherCase) + ")";
    for (const MessageInfo& other : orvprotocol::kMessageTypes)
    {
        ValueKind kind = ValueKind::Text;
        if (other.type != message.type && keyKind(static_cast<uint8_t>(other.type), key, kind))
            return text + " (" + other.name + " datagrams carry it)";
    }
    return text;
}

// What a node makes of `value` under a key of `kind` when that is not what was written; ""
// when it reads the value as written.
std::string readOtherwise(const std::string& key, ValueKind kind, const MsgPack& value)
{
    const std::string holds = quotedText(key) + " holds " + valueHeadline(value);
    if (kind == ValueKind::Text)
        return value.type() == MsgPack::STRING
                   ? ""
                   : holds + ": a node reads text there and leaves the field empty";
    if (!isNumber(value))
        return holds + ": a node reads a number there and makes it 0";
    if (kind == ValueKind::Int32 || kind == ValueKind::UInt8)
    {
        const double written = value.float64_value();
        const double read = kind == ValueKind::Int32 ? value.int_value() : value.uint8_value();
        if (read != written)
            return holds + ": a node reads it as " + orvharness::numberText(read) +
                   (kind == ValueKind::UInt8 ? " (a whole number from 0 to 255)"
                                             : " (a whole number)");
    }
    return "";
}

// The keys of a kept Control, Deck or Meta record that the payload leaves out: the record
// replaces the old one as a whole, so each of them becomes 0 or empty, whatever it was.
std::string leftOutText(uint8_t type, const MsgPack& payload)
{
    const auto present = [&](std::string_view key)
    {
        for (const auto& entry : payload.object_items())
        {
            if (entry.first.type() == MsgPack::STRING && entry.first.string_value() == key)
                return true;
        }
        return false;
    };
    std::string keys;
    bool numbers = false;
    bool texts = false;
    withRecord(type,
               [&](auto none)
               {
                   using Record = decltype(none);
                   if constexpr (!std::is_same_v<Record, Event>)
                   {
                       for (const auto& known : orvprotocol::KeysOf<Record>::keys)
                       {
                           if (present(known.key))
                               continue;
                           keys += (keys.empty() ? "" : ", ") + std::string(known.key);
                           (known.kind() == ValueKind::Text ? texts : numbers) = true;
                       }
                   }
               });
    if (keys.empty())
        return "";
    const char* record =
        type == static_cast<uint8_t>(MessageType::Control) ? "the mixer's whole record"
        : type == static_cast<uint8_t>(MessageType::Meta)  ? "its deck's whole track record"
                                                           : "its deck's whole record";
    const char* becomes = numbers && texts ? "0 or empty" : texts ? "empty" : "0";
    return std::string("a ") + orvprotocol::findMessage(type)->name + " datagram replaces " +
           record + ": what it leaves out (" + keys + ") becomes " + becomes +
           " rather than keeping its value";
}

std::string handledTypes()
{
    std::string text;
    for (const MessageInfo& message : orvprotocol::kMessageTypes)
        text += (text.empty() ? "" : ", ") + std::to_string(static_cast<int>(message.type)) + " " +
                message.name;
    return text;
}

} // namespace

bool keyKind(uint8_t type, std::string_view key, ValueKind& kind)
{
    bool found = false;
    withRecord(type,
               [&](auto none)
               {
                   using Record = decltype(none);
                   for (const auto& known : orvprotocol::KeysOf<Record>::keys)
                   {
                       if (known.key == key)
                       {
                           kind = known.kind();
                           found = true;
                       }
                   }
               });
    return found;
}

std::vector<KeyFinding> checkKeys(uint8_t type, const MsgPack& payload)
{
    std::vector<KeyFinding> findings;
    if (orvprotocol::findMessage(type) == nullptr)
        return findings;
    if (payload.type() != MsgPack::OBJECT)
    {
        findings.push_back({"payload", "the payload is " + valueHeadline(payload) +
                                           ", not a map: a node leaves every field 0 or empty"});
        return findings;
    }
    for (const auto& [key, value] : payload.object_items())
    {
        if (key.type() != MsgPack::STRING)
        {
            findings.push_back(
                {"ignored", "the key " + valueHeadline(key) + " is no text: a node ignores it"});
            continue;
        }
        ValueKind kind = ValueKind::Text;
        if (!keyKind(type, key.string_value(), kind))
        {
            findings.push_back({"ignored", ignoredKeyText(type, key.string_value())});
            continue;
        }
        const std::string otherwise = readOtherwise(key.string_value(), kind, value);
        if (!otherwise.empty())
            findings.push_back({"kind", otherwise});
    }
    // What the record a node keeps holds otherwise than the sender may think.
    RecordView view;
    if (!describeRecord(type, payload, view) || !view.dropReason.empty())
        return findings;
    const std::string leftOut = leftOutText(type, payload);
    if (!leftOut.empty())
        findings.push_back({"missing", leftOut});
    if (type == static_cast<uint8_t>(MessageType::Event) && payload["Event"].string_value().empty())
        findings.push_back({"name", "the event has no name (\"Event\" is empty or left out): a "
                                    "node shows it as a row with an empty label, and an OrvEvents "
                                    "node names its channel \"_\""});
    return findings;
}

std::vector<std::string> datagramWarnings(const std::string& datagram)
{
    if (datagram.empty())
        return {"an empty datagram has no type byte: a node ignores it"};
    std::vector<std::string> warnings;
    std::string bytes = datagram;
    if (bytes.size() > orvprotocol::kDatagramLimit)
    {
        warnings.push_back("a node reads only the first " +
                           std::to_string(orvprotocol::kDatagramLimit) + " bytes; the last " +
                           std::to_string(bytes.size() - orvprotocol::kDatagramLimit) +
                           " are cut off");
        bytes.resize(orvprotocol::kDatagramLimit);
    }
    const auto type = static_cast<uint8_t>(bytes[0]);
    const MessageInfo* message = orvprotocol::findMessage(type);
    if (message == nullptr)
    {
        warnings.push_back("a node ignores a datagram of type " + std::to_string(type) +
                           " (it handles " + handledTypes() + ")");
        return warnings;
    }
    std::string error;
    const MsgPack payload =
        MsgPack::parse(bytes.data() + 1, bytes.size() - 1, error, orvprotocol::wireKeys());
    if (!error.empty())
    {
        warnings.push_back("the payload does not decode (" + quotedText(error) +
                           "): a node shows that as its " +
                           (message->type == MessageType::Control ? "warning" : "error") +
                           " text and drops the datagram");
        return warnings;
    }
    for (const KeyFinding& finding : checkKeys(type, payload))
        warnings.push_back(finding.text);
    RecordView view;
    if (describeRecord(type, payload, view) && !view.dropReason.empty())
        warnings.push_back("a node drops the datagram: " + view.dropReason);
    return warnings;
}

} // namespace orvtool
