#pragma once
// Decoded values that recur in every datagram: small integers and the wire keys of the DJ
// messages. The decoder hands out these prebuilt values instead of allocating new ones; the
// values are immutable, so sharing them cannot be observed. Built once (thread-safe), then
// only read, and never destroyed: the handles handed out are uncounted (a decoded Deck takes
// 13 of them, and each counted copy would cost two atomic operations), so they must stay
// valid until the process ends, even in the destructors of other statics.

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
    const MsgPack& small_unsigned(uint8_t value) const { return m_unsigned[value & 0x7f]; }
    // INT8 -32 to -1, as negative fixints decode.
    const MsgPack& small_negative(int8_t value) const { return m_negative[(value + 32) & 0x1f]; }

    static constexpr size_t longest_key = 18;

    // The shared STRING value with exactly these bytes, or nullptr when it is not a wire key.
    const MsgPack* wire_key(const unsigned char* bytes, size_t length) const
    {
        if (length > longest_key)
        {
            return nullptr;
        }
        const auto [first, last] = m_keys_by_length[length];
        for (size_t k = first; k < last; ++k)
        {
            // The first and last bytes tell the keys of one length apart.
            const char* key = m_key_bytes[k];
            if (key[0] == static_cast<char>(bytes[0]) &&
                key[length - 1] == static_cast<char>(bytes[length - 1]) &&
                same_bytes(key, bytes, length))
            {
                return &m_keys[k];
            }
        }
        return nullptr;
    }

private:
    RecurringValues();

    // For keys this short a plain loop beats a call to memcmp.
    static bool same_bytes(const char* key, const unsigned char* bytes, size_t length)
    {
        for (size_t i = 1; i + 1 < length; ++i)
        {
            if (key[i] != static_cast<char>(bytes[i]))
            {
                return false;
            }
        }
        return true;
    }

    // The values themselves; the arrays below hold uncounted handles on them.
    std::vector<MsgPack> m_owners;
    std::array<MsgPack, 128> m_unsigned;
    std::array<MsgPack, 32> m_negative;
    std::vector<MsgPack> m_keys;          // sorted by length
    std::vector<const char*> m_key_bytes; // the bytes of m_keys[k]
    // For each length, the range [first, last) of m_keys of that length.
    std::array<std::pair<size_t, size_t>, longest_key + 1> m_keys_by_length{};
};

} // namespace orvpack
