#include "msgpack/MsgPackValue.h"

namespace orvpack
{

// Function-local statics: built by the first call on any thread, exactly once.

const Statics& statics()
{
    static const Statics shared;
    return shared;
}

const MsgPack& static_null()
{
    static const MsgPack null_handle;
    return null_handle;
}

} // namespace orvpack
