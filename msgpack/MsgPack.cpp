#include "msgpack/MsgPack.h"

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
