#pragma once
// The decoder's view of an input stream. Failure is the stream's own state: a read past the
// end sets its end-of-file and fail bits, a refused byte or depth sets the fail bit.
// Large blocks are read in bounded chunks, so a declared length that the stream cannot fill
// costs no more storage than the bytes that really arrive.

#include "msgpack/NodeAllocator.h"

namespace orvpack
{
class KnownStrings;
}

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <istream>
#include <string>
#include <vector>

namespace orvpack
{

class StreamReader
{
public:
    explicit StreamReader(std::istream& in) : in_(in) {}

    bool take_byte(uint8_t& byte)
    {
        const auto c = in_.get();
        if (c == std::istream::traits_type::eof())
        {
            return false;
        }
        byte = static_cast<uint8_t>(c);
        return true;
    }

    // The next n bytes copied into scratch (at least n long), or nullptr when fewer remain.
    const unsigned char* take(size_t n, unsigned char* scratch)
    {
        in_.read(reinterpret_cast<char*>(scratch), static_cast<std::streamsize>(n));
        return static_cast<size_t>(in_.gcount()) == n ? scratch : nullptr;
    }

    bool take_block(size_t n, std::string& out) { return take_chunked(n, out); }
    bool take_block(size_t n, std::vector<uint8_t>& out) { return take_chunked(n, out); }

    // A stream does not tell how much is left: reserve little and let storage grow.
    size_t plausible_count(uint64_t count, size_t /*min_bytes*/) const
    {
        return static_cast<size_t>(std::min<uint64_t>(count, 64));
    }

    void refuse() { in_.setstate(std::ios::failbit); }
    bool failed() const { return in_.rdstate() != std::ios::goodbit; }
    bool end_of_input() const { return in_.eof(); }

    // Where the decoder puts the scalar values of the map it is reading (nullptr: the heap).
    NodeSlab* value_slab = nullptr;
    // Strings decoded to shared values (nullptr: none).
    const KnownStrings* known = nullptr;

private:
    static constexpr size_t kChunk = 64 * 1024;

    template <typename Bytes> bool take_chunked(size_t n, Bytes& out)
    {
        out.clear();
        while (n > 0)
        {
            const size_t wanted = std::min(n, kChunk);
            const size_t old_size = out.size();
            out.resize(old_size + wanted);
            in_.read(reinterpret_cast<char*>(&out[old_size]), static_cast<std::streamsize>(wanted));
            if (static_cast<size_t>(in_.gcount()) != wanted)
            {
                return false;
            }
            n -= wanted;
        }
        return true;
    }

    std::istream& in_;
};

} // namespace orvpack
