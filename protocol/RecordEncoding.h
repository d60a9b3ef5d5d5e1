// Records as a sender encodes them, for the orv tool's simulator, the benchmarks and the tests.
// The bundles only decode (protocol/WireSchema.h) and never include this.
#pragma once

#include "protocol/WireSchema.h"

#include "msgpack/MsgPack.h"

#include <string>
#include <utility>
#include <variant>

namespace orvprotocol
{

// The value of a key's field as the sender encodes it: the MessagePack kind of the field's type.
template <class Record> orvpack::MsgPack encodeField(const Key<Record>& key, const Record& record)
{
    return std::visit([&](auto member) { return orvpack::MsgPack(record.*member); }, key.member);
}

// A record as a sender encodes it: a map holding every key of the record.
template <class Record> orvpack::MsgPack encodeRecord(const Record& record)
{
    orvpack::MsgPack::object entries;
    for (const Key<Record>& key : KeysOf<Record>::keys)
    {
        entries.emplace(std::string(key.key), encodeField(key, record));
    }
    return orvpack::MsgPack(std::move(entries));
}

// The datagram of a record: its type byte, then encodeRecord.
template <class Record> std::string recordDatagram(MessageType type, const Record& record)
{
    return std::string(1, static_cast<char>(type)) + encodeRecord(record).dump();
}

} // namespace orvprotocol
