#include "protocol/WireSchema.h"

#include "msgpack/KnownStrings.h"

#include <vector>

namespace orvprotocol
{

const MessageInfo* findMessage(std::uint8_t typeByte)
{
    for (const MessageInfo& message : kMessageTypes)
    {
        if (static_cast<std::uint8_t>(message.type) == typeByte)
        {
            return &message;
        }
    }
    return nullptr;
}

namespace
{

template <class Record> void addKeys(std::vector<std::string_view>& keys)
{
    for (const auto& key : KeysOf<Record>::keys)
    {
        keys.push_back(key.key);
    }
}

} // namespace

const orvpack::KnownStrings& wireKeys()
{
    // Built on the first decode (thread-safe) and kept for the life of the process, as the
    // values decoded with it require.
    static const orvpack::KnownStrings& keys = []() -> const orvpack::KnownStrings&
    {
        std::vector<std::string_view> all;
        addKeys<Control>(all);
        addKeys<Deck>(all);
        addKeys<Meta>(all);
        addKeys<Event>(all);
        return orvpack::KnownStrings::create(all);
    }();
    return keys;
}

} // namespace orvprotocol

namespace
{

// A key's value into its field, with the accessor of the field's type.
void readValue(const orvpack::MsgPack& value, double& field)
{
    field = value.float64_value();
}
void readValue(const orvpack::MsgPack& value, float& field)
{
    field = value.float32_value();
}
void readValue(const orvpack::MsgPack& value, std::int32_t& field)
{
    field = value.int_value();
}
void readValue(const orvpack::MsgPack& value, std::uint8_t& field)
{
    field = value.uint8_value();
}
void readValue(const orvpack::MsgPack& value, std::string& field)
{
    field = value.string_value();
}

// A key's value into the record, with the accessor of its field's type.
template <class Record>
void assign(const orvprotocol::Key<Record>& key, Record& record, const orvpack::MsgPack& value)
{
    std::visit([&](auto member) { readValue(value, record.*member); }, key.member);
}

// decodeRecord reads a key that is no string as "": no record may have a key of that name.
template <class Record> constexpr bool noEmptyKey()
{
    for (const auto& key : orvprotocol::KeysOf<Record>::keys)
    {
        if (key.key.empty())
        {
            return false;
        }
    }
    return true;
}
static_assert(noEmptyKey<Control>() && noEmptyKey<Deck>() && noEmptyKey<Meta>() &&
              noEmptyKey<Event>());

// Fills a record from a map payload in one walk of the map: each entry whose key is a string
// and names a key of the record goes into that key's field. Map keys are unique, so each
// field gets exactly the value under its key, as a lookup per field would give it. A payload
// that is no map has no entries: every field keeps its default. A key that is no string reads
// as the empty string, which names no key.
template <class Record> Record decodeRecord(const orvpack::MsgPack& value)
{
    Record record;
    for (const auto& [key, field] : value.object_items())
    {
        const std::string_view name(key.string_value());
        for (const auto& known : orvprotocol::KeysOf<Record>::keys)
        {
            if (known.key == name)
            {
                assign(known, record, field);
                break;
            }
        }
    }
    return record;
}

} // namespace

Control Control::fromMsgPack(const orvpack::MsgPack& value)
{
    return decodeRecord<Control>(value);
}

Deck Deck::fromMsgPack(const orvpack::MsgPack& value)
{
    return decodeRecord<Deck>(value);
}

Meta Meta::fromMsgPack(const orvpack::MsgPack& value)
{
    return decodeRecord<Meta>(value);
}

Event Event::fromMsgPack(const orvpack::MsgPack& value)
{
    return decodeRecord<Event>(value);
}
