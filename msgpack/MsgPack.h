#pragma once
// MsgPack: a handle sharing ownership of one immutable MessagePack value.
//
// A handle is never empty: a default-constructed handle refers to the process-wide null
// value. Copying a handle shares the value. Reading never fails: a missing key, an index out
// of range or a value of another kind gives 0, false, an empty container or the null value.
//
// Numeric accessors convert the stored number to their result type:
//  - integer to integer keeps the low bits in two's complement (uint8_value of -1 is 255);
//  - integer to floating rounds to nearest; FLOAT64 to float rounds to nearest;
//  - floating to integer truncates toward zero; when that integer fits int64 it then
//    converts like a stored integer, so narrower results keep its low bits (uint8_value of
//    300.0 is 44, of 1.9 is 1, of -1.0 is 255). Beyond the int64 range, infinities included,
//    the result saturates at the bound of the result type (int_value of 1e30 is 2^31 - 1,
//    uint8_value of -1e30 is 0, uint32_value of 1e19 is 2^32 - 1), except that uint64_value
//    keeps every value below 2^64 exactly. NaN gives 0. No conversion is ever undefined
//    behaviour.
//
// Threads: values are immutable and their reference counts atomic, so one tree may be read
// and its handles copied from any number of threads; one MsgPack object that a thread
// assigns must not be read by another at the same time. Decoding may run on many threads.
//
// Only the handle is here. The value classes behind it are private to msgpack/
// (MsgPackValue.h), so they can change without touching a caller; KnownStrings.h has the
// strings a decoder shares.

#include "msgpack/NodeAllocator.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iosfwd>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

namespace orvpack
{

class KnownStrings;
class MsgPack;
class MsgPackValue;

// The order of MsgPack::object keys: MsgPack::operator<. It also compares a key with a plain
// string exactly as a STRING value of those bytes would compare, so that lookups by string
// need no temporary value.
struct ObjectKeyLess
{
    using is_transparent = void;
    bool operator()(const MsgPack& left, const MsgPack& right) const;
    bool operator()(const MsgPack& left, std::string_view right) const;
    bool operator()(std::string_view left, const MsgPack& right) const;
};

class MsgPack final
{
public:
    // Bits 2 and up: ordinal in this list. Bit 0: numeric kind. Bit 1 (with bit 0): integer.
    enum Type
    {
        NUL = 4,
        FLOAT32 = 9,
        FLOAT64 = 13,
        INT8 = 19,
        INT16 = 23,
        INT32 = 27,
        INT64 = 31,
        UINT8 = 35,
        UINT16 = 39,
        UINT32 = 43,
        UINT64 = 47,
        BOOL = 48,
        STRING = 52,
        BINARY = 56,
        ARRAY = 60,
        OBJECT = 64,
        EXTENSION = 68,
    };

    using array = std::vector<MsgPack>;
    // A std::map with its own allocator: see NodeAllocator.h.
    using object =
        std::map<MsgPack, MsgPack, ObjectKeyLess, NodeAllocator<std::pair<const MsgPack, MsgPack>>>;
    using binary = std::vector<uint8_t>;
    using extension = std::tuple<int8_t, binary>;
    using shape = std::initializer_list<std::pair<std::string, Type>>;

    // Null and bool share the values of statics() and never allocate; every other value is
    // one allocation holding the value and its reference count.
    MsgPack();
    MsgPack(std::nullptr_t);
    MsgPack(bool value);
    MsgPack(float value);
    MsgPack(double value);
    MsgPack(int8_t value);
    MsgPack(int16_t value);
    MsgPack(int32_t value);
    MsgPack(int64_t value);
    MsgPack(uint8_t value);
    MsgPack(uint16_t value);
    MsgPack(uint32_t value);
    MsgPack(uint64_t value);
    MsgPack(const std::string& value);
    MsgPack(std::string&& value);
    MsgPack(const char* value);
    MsgPack(const array& values);
    MsgPack(array&& values);
    MsgPack(const object& values);
    MsgPack(object&& values);
    MsgPack(const binary& values);
    MsgPack(binary&& values);
    MsgPack(const extension& value);
    MsgPack(extension&& value);
    // Any other pointer would silently become a bool.
    MsgPack(const void*) = delete;

    Type type() const;

    double number_value() const; // same as float64_value()
    float float32_value() const;
    double float64_value() const;
    int32_t int_value() const; // same as int32_value()
    int8_t int8_value() const;
    int16_t int16_value() const;
    int32_t int32_value() const;
    int64_t int64_value() const;
    uint8_t uint8_value() const;
    uint16_t uint16_value() const;
    uint32_t uint32_value() const;
    uint64_t uint64_value() const;
    bool bool_value() const;

    // References stay valid while the value lives.
    const std::string& string_value() const;
    const array& array_items() const;
    const binary& binary_items() const;
    const object& object_items() const;
    const extension& extension_items() const;
    // Element i of an ARRAY, otherwise the null value.
    const MsgPack& operator[](size_t i) const;
    // The value under the STRING key of an OBJECT, otherwise the null value.
    const MsgPack& operator[](const std::string& key) const;

    // Numbers compare by numeric value whatever their kind (64-bit integers exactly);
    // otherwise kinds order as NUL, numbers, BOOL, STRING, BINARY, ARRAY, OBJECT, EXTENSION.
    bool operator==(const MsgPack& other) const;
    bool operator!=(const MsgPack& other) const { return !(*this == other); }
    bool operator<(const MsgPack& other) const;

    // True when this is an OBJECT and every key in items holds a value of its kind (a missing
    // key reads as NUL). Otherwise false, with err set to "expected MessagePack object" or
    // "bad type for <key>".
    bool has_shape(const shape& items, std::string& err) const;

    // Decoding. On failure the result is the null value and err becomes "end of buffer."
    // (input ended early) or "format error." (byte 0xc1, or a value inside 201 nested
    // containers: 201 nested arrays may still be read when the innermost is empty); on
    // success err is untouched. Bytes after the first value are ignored.
    static MsgPack parse(const std::string& in, std::string& err);
    // Reads the range [in, in + length) directly; a null in gives "null input".
    static MsgPack parse(const char* in, size_t length, std::string& err);
    // The same, with every string of `known` decoded to its shared value: no allocation for
    // the keys that a protocol's maps repeat in every message.
    static MsgPack parse(const char* in, size_t length, std::string& err,
                         const KnownStrings& known);
    // From the stream's position; failure shows in the stream's state (fail bit, and the
    // end-of-file bit when the input ended early) and in the null result.
    static MsgPack parse(std::istream& in);
    static MsgPack parse(std::istream& in, std::string& err);
    // Every complete value one after another; stop_position becomes the offset just past the
    // last value read (untouched when none was), err is set as by parse on the first failure.
    static std::vector<MsgPack>
    parse_multi(const std::string& in, std::string::size_type& stop_position, std::string& err);

    // Encoding, shortest forms for integers. Throws std::runtime_error for a length or count
    // above 2^32 - 1.
    void dump(std::ostream& out) const;
    std::string dump() const;

private:
    friend struct ObjectKeyLess;
    friend class KnownStrings;
    friend class RecurringValues;
    friend struct DecodedValues;

    // A handle on the same value that shares no ownership: copying and dropping it touch no
    // reference count. Only for values that are never destroyed.
    static MsgPack uncounted(const MsgPack& value);

    // A handle on a value made elsewhere, without touching the shared null value first.
    explicit MsgPack(std::shared_ptr<MsgPackValue>&& value) noexcept : ptr_(std::move(value)) {}

    // The value classes stay behind the handle (MsgPackValue.h, private to msgpack/): a
    // shared_ptr copies, moves and releases without seeing the class it points to.
    std::shared_ptr<MsgPackValue> ptr_;
};

// Decodes one value into out (the null value on failure); the stream's state tells the outcome.
std::istream& operator>>(std::istream& in, MsgPack& out);
// Writes the encoding of value.
std::ostream& operator<<(std::ostream& out, const MsgPack& value);

} // namespace orvpack
