// The order of an object's keys, with the two operations that run it on every key: the
// decoder's insertion and the lookup by string. Both are flattened so that the map's code
// inside them compares keys inline: through a call per comparison a Deck payload decodes
// about a tenth slower.

#include "msgpack/MsgPackValue.h"

#include <string_view>
#include <utility>

#if defined(__GNUC__)
#define ORVPACK_FLATTEN __attribute__((flatten))
#else
#define ORVPACK_FLATTEN
#endif

namespace orvpack
{

// String keys, by far the most common, are compared here directly.
bool ObjectKeyLess::operator()(const MsgPack& left, const MsgPack& right) const
{
    const MsgPackValue& left_value = *left.ptr_;
    const MsgPackValue& right_value = *right.ptr_;
    if (left_value.kind() == MsgPack::STRING && right_value.kind() == MsgPack::STRING)
    {
        return bytes_less(static_cast<const MsgPackString&>(left_value).string_value(),
                          static_cast<const MsgPackString&>(right_value).string_value());
    }
    return left_value.less(&right_value);
}

// As MsgPack(right) would order: kinds before STRING are less, kinds after it greater.
bool ObjectKeyLess::operator()(const MsgPack& left, std::string_view right) const
{
    const MsgPackValue& value = *left.ptr_;
    if (value.kind() != MsgPack::STRING)
    {
        return value.kind() < MsgPack::STRING;
    }
    // MsgPackString is the one class of kind STRING, and final: the call is direct.
    return bytes_less(static_cast<const MsgPackString&>(value).string_value(), right);
}

bool ObjectKeyLess::operator()(std::string_view left, const MsgPack& right) const
{
    const MsgPackValue& value = *right.ptr_;
    if (value.kind() != MsgPack::STRING)
    {
        return MsgPack::STRING < value.kind();
    }
    return bytes_less(left, static_cast<const MsgPackString&>(value).string_value());
}

ORVPACK_FLATTEN const MsgPack& MsgPackObject::operator[](const std::string& key) const
{
    // The transparent order compares the key as a STRING value would, with no temporary.
    const auto found = value.find(std::string_view(key));
    return found == value.end() ? static_null() : found->second;
}

ORVPACK_FLATTEN void DecodedValues::add_entry(MsgPack::object& entries, MsgPack&& key,
                                              MsgPack&& value)
{
    entries.try_emplace(std::move(key), std::move(value));
}

} // namespace orvpack
