#include "msgpack/MsgPackValue.h"

namespace orvpack
{

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
    return i < m_value.size() ? m_value[i] : static_null();
}

const MsgPack& MsgPackObject::operator[](const std::string& key) const
{
    // The transparent order compares the key as a STRING value would, with no temporary.
    const auto found = m_value.find(std::string_view(key));
    return found == m_value.end() ? static_null() : found->second;
}

} // namespace orvpack
