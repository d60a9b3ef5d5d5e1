#include "msgpack/RecurringValues.h"

namespace orvpack
{

const RecurringValues& RecurringValues::get()
{
    // Deliberately never destroyed (see the header).
    static const RecurringValues* const values = new RecurringValues();
    return *values;
}

RecurringValues::RecurringValues()
{
    const auto keep = [this](MsgPack value)
    {
        owners_.push_back(std::move(value));
        return MsgPack::uncounted(owners_.back());
    };
    owners_.reserve(128 + 32);
    for (int i = 0; i < 128; ++i)
    {
        unsigned_[i] = keep(MsgPack(static_cast<uint8_t>(i)));
    }
    for (int i = 0; i < 32; ++i)
    {
        negative_[i] = keep(MsgPack(static_cast<int8_t>(i - 32)));
    }
}

} // namespace orvpack
