#pragma once
// The decoder's view of a byte range in memory: a cursor over [begin, end). It keeps the two
// failure flags a stream would (end of input, and refusal of a byte or a depth), so that the
// decoder reports the same outcome whichever reader it runs on.

#include "msgpack/NodeAllocator.h"

namespace orvpack
{
class KnownStrings;
}

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orvpack
{

class MemoryReader
{
public:
    MemoryReader(const char* data, size_t size)
        : begin_(reinterpret_cast<const unsigned char*>(data)), next_(begin_), end_(begin_ + size)
    {
    }

    bool take_byte(uint8_t& byte)
    {
        if (next_ == end_)
        {
            end_of_input_ = true;
            return false;
        }
        byte = *next_++;
        return true;
    }

    // The next n bytes, in place (scratch is for readers that must copy), or nullptr when
    // fewer remain; then the input counts as ended.
    const unsigned char* take(size_t n, unsigned char* /*scratch*/)
    {
        if (static_cast<size_t>(end_ - next_) < n)
        {
            next_ = end_;
            end_of_input_ = true;
            return nullptr;
        }
        const unsigned char* bytes = next_;
        next_ += n;
        return bytes;
    }

    bool take_block(size_t n, std::string& out)
    {
        const unsigned char* bytes = take(n, nullptr);
        if (bytes == nullptr)
        {
            return false;
        }
        out.assign(reinterpret_cast<const char*>(bytes), n);
        return true;
    }

    bool take_block(size_t n, std::vector<uint8_t>& out)
    {
        const unsigned char* bytes = take(n, nullptr);
        if (bytes == nullptr)
        {
            return false;
        }
        out.assign(bytes, bytes + n);
        return true;
    }

    // How many of count declared items, each at least min_bytes long, could still be present:
    // storage is never reserved beyond what the remaining input could fill.
    size_t plausible_count(uint64_t count, size_t min_bytes) const
    {
        return static_cast<size_t>(
            std::min<uint64_t>(count, static_cast<size_t>(end_ - next_) / min_bytes));
    }

    void refuse() { refused_ = true; }
    bool failed() const { return end_of_input_ || refused_; }
    bool end_of_input() const { return end_of_input_; }
    size_t position() const { return static_cast<size_t>(next_ - begin_); }
    bool at_end() const { return next_ == end_; }

    // Where the decoder puts the scalar values of the map it is reading (nullptr: the heap).
    NodeSlab* value_slab = nullptr;
    // Strings decoded to shared values (nullptr: none).
    const KnownStrings* known = nullptr;

private:
    const unsigned char* begin_;
    const unsigned char* next_;
    const unsigned char* end_;
    bool end_of_input_ = false;
    bool refused_ = false;
};

} // namespace orvpack
