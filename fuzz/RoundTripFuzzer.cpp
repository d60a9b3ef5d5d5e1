// Decode, encode, decode: whatever decodes encodes to bytes that decode again without error
// to an equal value, and encoding is canonical (a second encoding gives the same bytes).

#include "FuzzCheck.h"
#include "msgpack/MsgPack.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

using orvpack::MsgPack;

namespace
{

bool holdsNaN(const MsgPack& value)
{
    switch (value.type())
    {
    case MsgPack::FLOAT32:
    case MsgPack::FLOAT64:
        return std::isnan(value.float64_value());
    case MsgPack::ARRAY:
        for (const MsgPack& item : value.array_items())
        {
            if (holdsNaN(item))
            {
                return true;
            }
        }
        return false;
    case MsgPack::OBJECT:
        for (const auto& [key, item] : value.object_items())
        {
            if (holdsNaN(key) || holdsNaN(item))
            {
                return true;
            }
        }
        return false;
    default:
        return false;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string error;
    const MsgPack first = MsgPack::parse(reinterpret_cast<const char*>(data), size, error);
    if (!error.empty())
    {
        return 0;
    }

    const std::string encoded = first.dump();
    FUZZ_CHECK(!encoded.empty());
    FUZZ_CHECK(encoded.size() <= size); // shortest forms: never longer than the input

    std::string secondError;
    const MsgPack second = MsgPack::parse(encoded, secondError);
    FUZZ_CHECK(secondError.empty());
    FUZZ_CHECK(second.dump() == encoded);
    // NaN equals nothing, itself included; everything else must compare equal both ways.
    if (!holdsNaN(first))
    {
        FUZZ_CHECK(first == second);
        FUZZ_CHECK(second == first);
        FUZZ_CHECK(!(first < second) && !(second < first));
    }
    return 0;
}
