#pragma once
// The MessagePack encoding of each stored type, written to a stream. The value classes call
// these from dump(); integers of every width go out in their shortest form.

// It stands alone (forward declarations only) so that it can be included in any order.

#include "msgpack/NodeAllocator.h"

#include <cstdint>
#include <iosfwd>
#include <map>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

namespace orvpack
{

class MsgPack;
struct ObjectKeyLess;
struct NullStruct;

namespace encoder
{

void write(std::ostream& out, const NullStruct&);
void write(std::ostream& out, bool value);
void write(std::ostream& out, float value);
void write(std::ostream& out, double value);
void write_signed(std::ostream& out, int64_t value);
void write_unsigned(std::ostream& out, uint64_t value);
void write(std::ostream& out, const std::string& value);
void write(std::ostream& out, const std::vector<uint8_t>& value); // BINARY
void write(std::ostream& out, const std::vector<MsgPack>& values);
void write(std::ostream& out,
           const std::map<MsgPack, MsgPack, ObjectKeyLess,
                          NodeAllocator<std::pair<const MsgPack, MsgPack>>>& values);
void write(std::ostream& out, const std::tuple<int8_t, std::vector<uint8_t>>& value);

// What precedes the bytes, elements or entries of each sized kind. A length or count above
// 2^32 - 1 throws std::runtime_error before anything is written.
void write_string_header(std::ostream& out, uint64_t length);
void write_binary_header(std::ostream& out, uint64_t length);
void write_extension_header(std::ostream& out, int8_t type, uint64_t length);
void write_array_header(std::ostream& out, uint64_t count);
void write_map_header(std::ostream& out, uint64_t count);

template <typename Int>
std::enable_if_t<std::is_integral_v<Int> && !std::is_same_v<Int, bool>> write(std::ostream& out,
                                                                              Int value)
{
    if constexpr (std::is_signed_v<Int>)
    {
        write_signed(out, value);
    }
    else
    {
        write_unsigned(out, value);
    }
}

} // namespace encoder
} // namespace orvpack
