#include "msgpack/MsgPackValue.h"

namespace orvpack
{

namespace
{

int compare_values(const MsgPack& left, const MsgPack& right);

int compare_entries(const MsgPack::object::value_type& left,
                    const MsgPack::object::value_type& right)
{
    const int order = compare_values(left.first, right.first);
    return order != 0 ? order : compare_values(left.second, right.second);
}

template <typename Items, typename CompareItem>
int compare_items(const Items& left, const Items& right, CompareItem compare_item)
{
    auto l = left.begin();
    auto r = right.begin();
    for (; l != left.end() && r != right.end(); ++l, ++r)
    {
        if (const int order = compare_item(*l, *r))
        {
            return order;
        }
    }
    return l != left.end() ? 1 : (r != right.end() ? -1 : 0);
}

// -1, 0 or 1, as operator< in both directions would say, with each element compared once.
int compare_values(const MsgPack& left, const MsgPack& right)
{
    const MsgPack::Type kind = left.type();
    if (kind == right.type() && kind == MsgPack::ARRAY)
    {
        return compare_items(left.array_items(), right.array_items(), compare_values);
    }
    if (kind == right.type() && kind == MsgPack::OBJECT)
    {
        return compare_items(left.object_items(), right.object_items(), compare_entries);
    }
    return left < right ? -1 : (right < left ? 1 : 0);
}

} // namespace

bool stored_less(const MsgPack::array& left, const MsgPack::array& right)
{
    return compare_items(left, right, compare_values) < 0;
}

bool stored_less(const MsgPack::object& left, const MsgPack::object& right)
{
    return compare_items(left, right, compare_entries) < 0;
}

double MsgPackValue::number_value() const
{
    return 0.0;
}
float MsgPackValue::float32_value() const
{
    return 0.0f;
}
double MsgPackValue::float64_value() const
{
    return 0.0;
}
int32_t MsgPackValue::int_value() const
{
    return 0;
}
int8_t MsgPackValue::int8_value() const
{
    return 0;
}
int16_t MsgPackValue::int16_value() const
{
    return 0;
}
int32_t MsgPackValue::int32_value() const
{
    return 0;
}
int64_t MsgPackValue::int64_value() const
{
    return 0;
}
uint8_t MsgPackValue::uint8_value() const
{
    return 0;
}
uint16_t MsgPackValue::uint16_value() const
{
    return 0;
}
uint32_t MsgPackValue::uint32_value() const
{
    return 0;
}
uint64_t MsgPackValue::uint64_value() const
{
    return 0;
}
bool MsgPackValue::bool_value() const
{
    return false;
}
const std::string& MsgPackValue::string_value() const
{
    return statics().empty_string;
}
const MsgPack::array& MsgPackValue::array_items() const
{
    return statics().empty_array;
}
const MsgPack::binary& MsgPackValue::binary_items() const
{
    return statics().empty_binary;
}
const MsgPack& MsgPackValue::operator[](size_t) const
{
    return static_null();
}
const MsgPack::object& MsgPackValue::object_items() const
{
    return statics().empty_object;
}
const MsgPack& MsgPackValue::operator[](const std::string&) const
{
    return static_null();
}
const MsgPack::extension& MsgPackValue::extension_items() const
{
    return statics().empty_extension;
}
MsgPackValue::~MsgPackValue() = default;

const MsgPack& MsgPackArray::operator[](size_t i) const
{
    return i < value.size() ? value[i] : static_null();
}

} // namespace orvpack
