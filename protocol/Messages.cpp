#include "protocol/Messages.h"

#include "protocol/Protocol.h"

#include <string_view>

namespace
{

// Fills a record from a map payload in one walk of the map: each entry whose key is a string
// and names a key of the record goes into that key's field. Map keys are unique, so each
// field gets exactly the value under its key, as a lookup per field would give it. A payload
// that is no map has no entries: every field keeps its default.
template <class Record> Record decodeRecord(const orvpack::MsgPack& value)
{
    Record record;
    for (const auto& [key, field] : value.object_items())
    {
        if (key.type() != orvpack::MsgPack::STRING)
        {
            continue;
        }
        const std::string_view name(key.string_value());
        for (const auto& known : orvprotocol::KeysOf<Record>::keys)
        {
            if (known.key == name)
            {
                known.assign(record, field);
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
