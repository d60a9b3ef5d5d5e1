// Datagrams and records as a sender encodes them, for the orv tool's simulator and `send`, the
// benchmarks and the tests. The bundles only decode (protocol/WireSchema.h) and never include
// this.
#pragma once

#include "protocol/WireSchema.h"

#include "msgpack/MsgPack.h"

#include <cstdint>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace orvprotocol
{

// Map entries in the order a sender writes them, duplicates allowed.
using Entries = std::vector<std::pair<std::string, orvpack::MsgPack>>;

// A datagram: the type byte, then the payload's bytes. Any byte may be the type, the ones a
// receiver ignores included.
std::string datagram(std::uint8_t type, const std::string& payload);
inline std::string datagram(MessageType type, const std::string& payload)
{
    return datagram(static_cast<std::uint8_t>(type), payload);
}
// A datagram whose payload is `map` (a MsgPack map: its keys go out sorted).
inline std::string datagram(MessageType type, const orvpack::MsgPack::object& map)
{
    return datagram(type, orvpack::MsgPack(map).dump());
}

// The bytes of a MessagePack map holding `entries` in their order. Written here rather than
// through a MsgPack map, which sorts its keys and keeps one of each.
std::string encodeEntries(const Entries& entries);

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

// The payload of a record with every key in its key table's order, as a DJ-side sender writes
// it (encodeRecord's map sorts them).
template <class Record> std::string encodeRecordInKeyOrder(const Record& record)
{
    Entries entries;
    for (const Key<Record>& key : KeysOf<Record>::keys)
    {
        entries.emplace_back(std::string(key.key), encodeField(key, record));
    }
    return encodeEntries(entries);
}

// The datagram of a record: its type byte, then encodeRecord.
template <class Record> std::string recordDatagram(MessageType type, const Record& record)
{
    return datagram(type, encodeRecord(record).dump());
}

} // namespace orvprotocol
