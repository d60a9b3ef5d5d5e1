#pragma once
// Decoded values that recur in every input: the small integers of the fixint forms. The
// decoder hands out these prebuilt values instead of allocating new ones; the values are
// immutable, so sharing them cannot be observed. Built once (thread-safe), then only read,
// and never destroyed: the handles handed out are uncounted (each counted copy would cost two
// atomic operations), so they must stay valid until the process ends, even in the destructors
// of other statics. The strings that recur are the caller's to name: KnownStrings.

#include "msgpack/MsgPack.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace orvpack
{

class RecurringValues
{
public:
    static const RecurringValues& get();

    // UINT8 0 to 127, as positive fixints decode.
    const MsgPack& small_unsigned(uint8_t value) const { return unsigned_[value & 0x7f]; }
    // INT8 -32 to -1, as negative fixints decode.
    const MsgPack& small_negative(int8_t value) const { return negative_[(value + 32) & 0x1f]; }

private:
    RecurringValues();

    // The values themselves; the arrays below hold uncounted handles on them.
    std::vector<MsgPack> owners_;
    std::array<MsgPack, 128> unsigned_;
    std::array<MsgPack, 32> negative_;
};

} // namespace orvpack
