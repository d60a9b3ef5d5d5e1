#pragma once
// Strings that recur in the input, such as the keys of a protocol's maps: a decode given this
// set hands out one shared STRING value per string instead of a new one each time. Equal
// values, so the sharing cannot be observed. Strings longer than `kLongest` bytes (and the
// empty string) are not kept.
//
// Made once, with create(), then only read (from any thread), and never destroyed: decoded
// values hold uncounted handles on its strings, so it must outlive them all.

#include "msgpack/MsgPack.h"

#include <cstddef>
#include <string_view>
#include <utility>
#include <vector>

namespace orvpack
{

class KnownStrings
{
public:
    static constexpr size_t kLongest = 32;

    static const KnownStrings& create(const std::vector<std::string_view>& strings);

    KnownStrings(const KnownStrings&) = delete;
    KnownStrings& operator=(const KnownStrings&) = delete;

    // The shared STRING value with exactly these bytes, or nullptr.
    const MsgPack* find(const unsigned char* bytes, size_t length) const;

private:
    explicit KnownStrings(const std::vector<std::string_view>& strings);

    std::vector<MsgPack> owners_;    // the values, sorted by length
    std::vector<MsgPack> values_;    // uncounted handles on owners_
    std::vector<const char*> bytes_; // the bytes of owners_[k]
    // For each length, the range [first, last) of owners_ of that length.
    std::pair<size_t, size_t> by_length_[kLongest + 1] = {};
};

} // namespace orvpack
