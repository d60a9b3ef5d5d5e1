#pragma once
// The immutable values behind a MsgPack handle. Private to msgpack/ (and its tests): users
// see only the handle, and the value classes can change without recompiling them.

#include "msgpack/Encoder.h"
#include "msgpack/MsgPack.h"
#include "msgpack/NumberConversion.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ostream>
#include <string_view>

namespace orvpack
{

struct NullStruct
{
    bool operator==(NullStruct) const { return true; }
    bool operator<(NullStruct) const { return false; }
};

inline constexpr bool is_numeric(MsgPack::Type type)
{
    return (type & 1) != 0;
}

// Exact comparisons of 64-bit integers of different signedness, each one branch-free test.
inline bool equal_uint64_int64(uint64_t u, int64_t i)
{
    const uint64_t bits = static_cast<uint64_t>(i);
    return ((u | bits) >> 63 == 0) & (u == bits);
}

inline bool less_uint64_int64(uint64_t u, int64_t i)
{
    const uint64_t bits = static_cast<uint64_t>(i);
    return ((u | bits) >> 63 == 0) & (u < bits);
}

inline bool less_int64_uint64(int64_t i, uint64_t u)
{
    const uint64_t bits = static_cast<uint64_t>(i);
    return ((u | bits) >> 63 != 0) | (bits < u);
}

// Unsigned bytewise order, a proper prefix being less. Keys are short and usually differ
// within their first bytes, where a plain loop beats a library call.
inline bool bytes_less(std::string_view left, std::string_view right)
{
    const size_t common = std::min(left.size(), right.size());
    const size_t head = std::min<size_t>(common, 16);
    for (size_t i = 0; i < head; ++i)
    {
        if (left[i] != right[i])
        {
            return static_cast<unsigned char>(left[i]) < static_cast<unsigned char>(right[i]);
        }
    }
    if (common > head)
    {
        const int order = std::memcmp(left.data() + head, right.data() + head, common - head);
        if (order != 0)
        {
            return order < 0;
        }
    }
    return left.size() < right.size();
}

// The order of two stored values of the same kind.
template <typename T> bool stored_less(const T& left, const T& right)
{
    return left < right;
}

inline bool stored_less(const std::string& left, const std::string& right)
{
    return bytes_less(left, right);
}

// Lexicographic like the standard containers' operator<, but with one three-way comparison
// per element pair instead of a < b and then b < a: nested containers would otherwise cost
// two (for maps three) recursive comparisons per level, exponential in the nesting depth.
bool stored_less(const MsgPack::array& left, const MsgPack::array& right);
bool stored_less(const MsgPack::object& left, const MsgPack::object& right);

// Every accessor gives its default here (0, false, an empty member of statics() or the null
// value); each value class overrides what its kind holds.
class MsgPackValue
{
public:
    // The same as type(), without a virtual call: the object map's order asks it on every
    // comparison.
    MsgPack::Type kind() const { return kind_; }

    virtual bool equals(const MsgPackValue* other) const = 0;
    virtual bool less(const MsgPackValue* other) const = 0;
    virtual void dump(std::ostream& out) const = 0;
    virtual MsgPack::Type type() const = 0;
    virtual double number_value() const;
    virtual float float32_value() const;
    virtual double float64_value() const;
    virtual int32_t int_value() const;
    virtual int8_t int8_value() const;
    virtual int16_t int16_value() const;
    virtual int32_t int32_value() const;
    virtual int64_t int64_value() const;
    virtual uint8_t uint8_value() const;
    virtual uint16_t uint16_value() const;
    virtual uint32_t uint32_value() const;
    virtual uint64_t uint64_value() const;
    virtual bool bool_value() const;
    virtual const std::string& string_value() const;
    virtual const MsgPack::array& array_items() const;
    virtual const MsgPack::binary& binary_items() const;
    virtual const MsgPack& operator[](size_t i) const;
    virtual const MsgPack::object& object_items() const;
    virtual const MsgPack& operator[](const std::string& key) const;
    virtual const MsgPack::extension& extension_items() const;
    virtual ~MsgPackValue();

protected:
    explicit MsgPackValue(MsgPack::Type kind) : kind_(kind) {}

private:
    const MsgPack::Type kind_;
};

// A value of kind tag holding one T. Every tag has exactly one T, so a value whose type() is
// tag is always a Value<tag, T> and the casts below are sound.
template <MsgPack::Type tag, typename T> class Value : public MsgPackValue
{
public:
    MsgPack::Type type() const override { return tag; }

    bool equals(const MsgPackValue* other) const override
    {
        return other->kind() == tag && value == static_cast<const Value*>(other)->value;
    }

    bool less(const MsgPackValue* other) const override
    {
        const MsgPack::Type other_type = other->kind();
        if (other_type != tag)
        {
            return tag < other_type;
        }
        return stored_less(value, static_cast<const Value*>(other)->value);
    }

    void dump(std::ostream& out) const override { encoder::write(out, value); }

protected:
    explicit Value(const T& value) : MsgPackValue(tag), value(value) {}
    explicit Value(T&& value) : MsgPackValue(tag), value(std::move(value)) {}

    const T value;
};

// The ten numeric kinds: they convert to every numeric result and compare with each other by
// numeric value (through double; the 64-bit kinds refine that below).
template <MsgPack::Type tag, typename T> class NumberValue : public Value<tag, T>
{
public:
    double number_value() const override { return convert_number<double>(this->value); }
    float float32_value() const override { return convert_number<float>(this->value); }
    double float64_value() const override { return convert_number<double>(this->value); }
    int32_t int_value() const override { return convert_number<int32_t>(this->value); }
    int8_t int8_value() const override { return convert_number<int8_t>(this->value); }
    int16_t int16_value() const override { return convert_number<int16_t>(this->value); }
    int32_t int32_value() const override { return convert_number<int32_t>(this->value); }
    int64_t int64_value() const override { return convert_number<int64_t>(this->value); }
    uint8_t uint8_value() const override { return convert_number<uint8_t>(this->value); }
    uint16_t uint16_value() const override { return convert_number<uint16_t>(this->value); }
    uint32_t uint32_value() const override { return convert_number<uint32_t>(this->value); }
    uint64_t uint64_value() const override { return convert_number<uint64_t>(this->value); }

    bool equals(const MsgPackValue* other) const override
    {
        return is_numeric(other->kind()) && float64_value() == other->float64_value();
    }

    bool less(const MsgPackValue* other) const override
    {
        const MsgPack::Type other_type = other->kind();
        if (!is_numeric(other_type))
        {
            return tag < other_type;
        }
        // NaN sorts above every number and alongside other NaNs: `<` alone would make a NaN
        // equivalent to every number, which is no order at all, and a map whose keys hold one
        // would sort its entries differently from one parse to the next.
        const double mine = float64_value();
        const double theirs = other->float64_value();
        return !std::isnan(mine) && (std::isnan(theirs) || mine < theirs);
    }

protected:
    explicit NumberValue(T value) : Value<tag, T>(value) {}
};

class MsgPackNull final : public Value<MsgPack::NUL, NullStruct>
{
public:
    MsgPackNull() : Value(NullStruct{}) {}
};

class MsgPackBoolean final : public Value<MsgPack::BOOL, bool>
{
public:
    explicit MsgPackBoolean(bool value) : Value(value) {}
    bool bool_value() const override { return value; }
};

#define ORVPACK_NUMBER_CLASS(Name, tag, T)                                                         \
    class Name final : public NumberValue<MsgPack::tag, T>                                         \
    {                                                                                              \
    public:                                                                                        \
        explicit Name(T value) : NumberValue(value) {}                                             \
    };
ORVPACK_NUMBER_CLASS(MsgPackFloat, FLOAT32, float)
ORVPACK_NUMBER_CLASS(MsgPackDouble, FLOAT64, double)
ORVPACK_NUMBER_CLASS(MsgPackInt8, INT8, int8_t)
ORVPACK_NUMBER_CLASS(MsgPackInt16, INT16, int16_t)
ORVPACK_NUMBER_CLASS(MsgPackInt32, INT32, int32_t)
ORVPACK_NUMBER_CLASS(MsgPackUint8, UINT8, uint8_t)
ORVPACK_NUMBER_CLASS(MsgPackUint16, UINT16, uint16_t)
ORVPACK_NUMBER_CLASS(MsgPackUint32, UINT32, uint32_t)
#undef ORVPACK_NUMBER_CLASS

// Through double, two 64-bit integers above 2^53 could compare equal while differing; these
// two compare exactly with each other.
class MsgPackInt64 final : public NumberValue<MsgPack::INT64, int64_t>
{
public:
    explicit MsgPackInt64(int64_t value) : NumberValue(value) {}

    bool equals(const MsgPackValue* other) const override
    {
        switch (other->kind())
        {
        case MsgPack::UINT64:
            return equal_uint64_int64(other->uint64_value(), value);
        case MsgPack::INT64:
            return value == other->int64_value();
        default:
            return NumberValue::equals(other);
        }
    }

    bool less(const MsgPackValue* other) const override
    {
        switch (other->kind())
        {
        case MsgPack::UINT64:
            return less_int64_uint64(value, other->uint64_value());
        case MsgPack::INT64:
            return value < other->int64_value();
        default:
            return NumberValue::less(other);
        }
    }
};

class MsgPackUint64 final : public NumberValue<MsgPack::UINT64, uint64_t>
{
public:
    explicit MsgPackUint64(uint64_t value) : NumberValue(value) {}

    bool equals(const MsgPackValue* other) const override
    {
        switch (other->kind())
        {
        case MsgPack::UINT64:
            return value == other->uint64_value();
        case MsgPack::INT64:
            return equal_uint64_int64(value, other->int64_value());
        default:
            return NumberValue::equals(other);
        }
    }

    bool less(const MsgPackValue* other) const override
    {
        switch (other->kind())
        {
        case MsgPack::UINT64:
            return value < other->uint64_value();
        case MsgPack::INT64:
            return less_uint64_int64(value, other->int64_value());
        default:
            return NumberValue::less(other);
        }
    }
};

class MsgPackString final : public Value<MsgPack::STRING, std::string>
{
public:
    explicit MsgPackString(const std::string& value) : Value(value) {}
    explicit MsgPackString(std::string&& value) : Value(std::move(value)) {}
    const std::string& string_value() const override { return value; }
};

class MsgPackBinary final : public Value<MsgPack::BINARY, MsgPack::binary>
{
public:
    explicit MsgPackBinary(const MsgPack::binary& value) : Value(value) {}
    explicit MsgPackBinary(MsgPack::binary&& value) : Value(std::move(value)) {}
    const MsgPack::binary& binary_items() const override { return value; }
};

class MsgPackArray final : public Value<MsgPack::ARRAY, MsgPack::array>
{
public:
    explicit MsgPackArray(const MsgPack::array& value) : Value(value) {}
    explicit MsgPackArray(MsgPack::array&& value) : Value(std::move(value)) {}
    const MsgPack::array& array_items() const override { return value; }
    const MsgPack& operator[](size_t i) const override;
};

// Owns the slab of a decoded map's nodes. A base class of MsgPackObject ahead of the map, so
// that the slab is made before the map and outlives it.
struct NodeSlabOwner
{
    NodeSlabPtr slab;
};

class MsgPackObject final : private NodeSlabOwner, public Value<MsgPack::OBJECT, MsgPack::object>
{
public:
    explicit MsgPackObject(const MsgPack::object& value) : Value(value) {}
    explicit MsgPackObject(MsgPack::object&& value) : Value(std::move(value)) {}
    // A decoded map, whose nodes lie in `nodes`.
    MsgPackObject(MsgPack::object&& value, NodeSlabPtr nodes)
        : NodeSlabOwner{std::move(nodes)}, Value(std::move(value))
    {
    }
    const MsgPack::object& object_items() const override { return value; }
    const MsgPack& operator[](const std::string& key) const override;
};

class MsgPackExtension final : public Value<MsgPack::EXTENSION, MsgPack::extension>
{
public:
    explicit MsgPackExtension(const MsgPack::extension& value) : Value(value) {}
    explicit MsgPackExtension(MsgPack::extension&& value) : Value(std::move(value)) {}
    const MsgPack::extension& extension_items() const override { return value; }
};

// The handles the decoder makes on values in a slab.
struct DecodedValues
{
    // A map whose nodes lie in `slab`. The slab moves into the map only once the map exists:
    // if making it fails, the caller still owns the slab, and frees it after the entries.
    static MsgPack object(MsgPack::object&& entries, NodeSlabPtr&& slab);

    // Adds an entry unless an equivalent key is there already: the first wins, and a refused
    // entry takes no node.
    static void add_entry(MsgPack::object& entries, MsgPack&& key, MsgPack&& value);

    // A value of class V whose shared block lies in `slab`, which must have value room.
    template <typename V, typename Arg> static MsgPack in_slab(NodeSlab* slab, Arg&& arg)
    {
        return MsgPack(std::shared_ptr<MsgPackValue>(
            std::allocate_shared<V>(SlabValueAllocator<V>(slab), std::forward<Arg>(arg))));
    }
};

// The value class of each stored number type.
template <typename T> struct ValueClassOf;
// clang-format off
template <> struct ValueClassOf<float> { using type = MsgPackFloat; };
template <> struct ValueClassOf<double> { using type = MsgPackDouble; };
template <> struct ValueClassOf<int8_t> { using type = MsgPackInt8; };
template <> struct ValueClassOf<int16_t> { using type = MsgPackInt16; };
template <> struct ValueClassOf<int32_t> { using type = MsgPackInt32; };
template <> struct ValueClassOf<int64_t> { using type = MsgPackInt64; };
template <> struct ValueClassOf<uint8_t> { using type = MsgPackUint8; };
template <> struct ValueClassOf<uint16_t> { using type = MsgPackUint16; };
template <> struct ValueClassOf<uint32_t> { using type = MsgPackUint32; };
template <> struct ValueClassOf<uint64_t> { using type = MsgPackUint64; };
// clang-format on

// The process-wide shared values, created on first use (thread-safe) and never changed.
struct Statics
{
    const std::shared_ptr<MsgPackValue> null_value = std::make_shared<MsgPackNull>();
    const std::shared_ptr<MsgPackValue> true_value = std::make_shared<MsgPackBoolean>(true);
    const std::shared_ptr<MsgPackValue> false_value = std::make_shared<MsgPackBoolean>(false);
    const std::string empty_string;
    const MsgPack::array empty_array{};
    const MsgPack::object empty_object{};
    const MsgPack::binary empty_binary{};
    const MsgPack::extension empty_extension{0, {}};
};

const Statics& statics();
// A handle to the null value of statics(), for results that must be a reference.
const MsgPack& static_null();

} // namespace orvpack
