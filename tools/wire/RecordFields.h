// What the receiver makes of a decoded payload: the record of the datagram's type, field by
// field, and where each field shows in the table and the channels. Built with the receiver's
// own record decoders, so `orv decode` reads a payload exactly as a node does.
#pragma once

#include "msgpack/MsgPack.h"

#include <cstdint>
#include <string>
#include <vector>

namespace orvtool
{

struct RecordField
{
    std::string field; // the record's field: "pitch"
    std::string key;   // the wire key it is read from: "Pitch"
    std::string value; // the value the record holds, as text
    std::string shown; // where it shows: "row Velocity, channel 14"; "" when it does not show
};

struct RecordView
{
    std::string record; // "Deck"
    std::vector<RecordField> fields;
    std::string outcome; // what the receiver does with the record
    // Why the receiver keeps nothing of it ("deck 5 is not 1 to 4"); empty when it keeps it.
    std::string dropReason;
};

// False for a type byte that the receiver ignores (3, 5 to 255).
bool describeRecord(uint8_t type, const orvpack::MsgPack& payload, RecordView& out);

} // namespace orvtool
