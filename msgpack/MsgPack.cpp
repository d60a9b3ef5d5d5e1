#include "msgpack/MsgPack.h"

#include "msgpack/MsgPackValue.h"

#include <sstream>

namespace orvpack
{

MsgPack::MsgPack() : ptr_(statics().null_value) {}
MsgPack::MsgPack(std::nullptr_t) : ptr_(statics().null_value) {}
MsgPack::MsgPack(bool value) : ptr_(value ? statics().true_value : statics().false_value) {}
MsgPack::MsgPack(float value) : ptr_(std::make_shared<MsgPackFloat>(value)) {}
MsgPack::MsgPack(double value) : ptr_(std::make_shared<MsgPackDouble>(value)) {}
MsgPack::MsgPack(int8_t value) : ptr_(std::make_shared<MsgPackInt8>(value)) {}
MsgPack::MsgPack(int16_t value) : ptr_(std::make_shared<MsgPackInt16>(value)) {}
MsgPack::MsgPack(int32_t value) : ptr_(std::make_shared<MsgPackInt32>(value)) {}
MsgPack::MsgPack(int64_t value) : ptr_(std::make_shared<MsgPackInt64>(value)) {}
MsgPack::MsgPack(uint8_t value) : ptr_(std::make_shared<MsgPackUint8>(value)) {}
MsgPack::MsgPack(uint16_t value) : ptr_(std::make_shared<MsgPackUint16>(value)) {}
MsgPack::MsgPack(uint32_t value) : ptr_(std::make_shared<MsgPackUint32>(value)) {}
MsgPack::MsgPack(uint64_t value) : ptr_(std::make_shared<MsgPackUint64>(value)) {}
MsgPack::MsgPack(const std::string& value) : ptr_(std::make_shared<MsgPackString>(value)) {}
MsgPack::MsgPack(std::string&& value) : ptr_(std::make_shared<MsgPackString>(std::move(value))) {}
MsgPack::MsgPack(const char* value) : ptr_(std::make_shared<MsgPackString>(std::string(value))) {}
MsgPack::MsgPack(const array& values) : ptr_(std::make_shared<MsgPackArray>(values)) {}
MsgPack::MsgPack(array&& values) : ptr_(std::make_shared<MsgPackArray>(std::move(values))) {}
MsgPack::MsgPack(const object& values) : ptr_(std::make_shared<MsgPackObject>(values)) {}
MsgPack::MsgPack(object&& values) : ptr_(std::make_shared<MsgPackObject>(std::move(values))) {}
MsgPack DecodedValues::object(MsgPack::object&& entries, NodeSlabPtr&& slab)
{
    return MsgPack(std::shared_ptr<MsgPackValue>(
        std::make_shared<MsgPackObject>(std::move(entries), std::move(slab))));
}
MsgPack::MsgPack(const binary& values) : ptr_(std::make_shared<MsgPackBinary>(values)) {}
MsgPack::MsgPack(binary&& values) : ptr_(std::make_shared<MsgPackBinary>(std::move(values))) {}
MsgPack::MsgPack(const extension& value) : ptr_(std::make_shared<MsgPackExtension>(value)) {}
MsgPack::MsgPack(extension&& value) : ptr_(std::make_shared<MsgPackExtension>(std::move(value))) {}

MsgPack MsgPack::uncounted(const MsgPack& value)
{
    MsgPack handle;
    handle.ptr_ = std::shared_ptr<MsgPackValue>(std::shared_ptr<MsgPackValue>(), value.ptr_.get());
    return handle;
}

// The accessors: each asks the value behind the handle.
MsgPack::Type MsgPack::type() const
{
    return ptr_->kind();
}
double MsgPack::number_value() const
{
    return ptr_->float64_value();
}
float MsgPack::float32_value() const
{
    return ptr_->float32_value();
}
double MsgPack::float64_value() const
{
    return ptr_->float64_value();
}
int32_t MsgPack::int_value() const
{
    return ptr_->int32_value();
}
int8_t MsgPack::int8_value() const
{
    return ptr_->int8_value();
}
int16_t MsgPack::int16_value() const
{
    return ptr_->int16_value();
}
int32_t MsgPack::int32_value() const
{
    return ptr_->int32_value();
}
int64_t MsgPack::int64_value() const
{
    return ptr_->int64_value();
}
uint8_t MsgPack::uint8_value() const
{
    return ptr_->uint8_value();
}
uint16_t MsgPack::uint16_value() const
{
    return ptr_->uint16_value();
}
uint32_t MsgPack::uint32_value() const
{
    return ptr_->uint32_value();
}
uint64_t MsgPack::uint64_value() const
{
    return ptr_->uint64_value();
}
bool MsgPack::bool_value() const
{
    return ptr_->bool_value();
}
const std::string& MsgPack::string_value() const
{
    return ptr_->string_value();
}
const MsgPack::array& MsgPack::array_items() const
{
    return ptr_->array_items();
}
const MsgPack::binary& MsgPack::binary_items() const
{
    return ptr_->binary_items();
}
const MsgPack::object& MsgPack::object_items() const
{
    return ptr_->object_items();
}
const MsgPack::extension& MsgPack::extension_items() const
{
    return ptr_->extension_items();
}
const MsgPack& MsgPack::operator[](size_t i) const
{
    return (*ptr_)[i];
}
const MsgPack& MsgPack::operator[](const std::string& key) const
{
    return (*ptr_)[key];
}
bool MsgPack::operator==(const MsgPack& other) const
{
    return ptr_->equals(other.ptr_.get());
}
bool MsgPack::operator<(const MsgPack& other) const
{
    return ptr_->less(other.ptr_.get());
}

bool MsgPack::has_shape(const shape& items, std::string& err) const
{
    if (type() != OBJECT)
    {
        err = "expected MessagePack object";
        return false;
    }
    for (const auto& [key, expected] : items)
    {
        if ((*this)[key].type() != expected)
        {
            err = "bad type for " + key;
            return false;
        }
    }
    return true;
}

void MsgPack::dump(std::ostream& out) const
{
    ptr_->dump(out);
}

std::string MsgPack::dump() const
{
    std::ostringstream out;
    dump(out);
    return out.str();
}

std::ostream& operator<<(std::ostream& out, const MsgPack& value)
{
    value.dump(out);
    return out;
}

} // namespace orvpack
