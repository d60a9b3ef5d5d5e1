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
        : m_begin(reinterpret_cast<const unsigned char*>(data)), m_next(m_begin),
          m_end(m_begin + size)
    {
    }

    bool take_byte(uint8_t& byte)
    {
        if (m_next == m_end)
        {
            m_end_of_input = true;
            return false;
        }
        byte = *m_next++;
        return true;
    }

    // The next n bytes, in place (scratch is for readers that must copy), or nullptr when
    // fewer remain; then the input counts as ended.
    const unsigned char* take(size_t n, unsigned char* /*scratch*/)
    {
        if (static_cast<size_t>(m_end - m_next) < n)
        {
            m_next = m_end;
            m_end_of_input = true;
            return nullptr;
        }
        const unsigned char* bytes = m_next;
        m_next += n;
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
            std::min<uint64_t>(count, static_cast<size_t>(m_end - m_next) / min_bytes));
    }

    void refuse() { m_refused = true; }
    bool failed() const { return m_end_of_input || m_refused; }
    bool end_of_input() const { return m_end_of_input; }
    size_t position() const { return static_cast<size_t>(m_next - m_begin); }
    bool at_end() const { return m_next == m_end; }

    // Where the decoder puts the scalar values of the map it is reading (nullptr: the heap).
    NodeSlab* value_slab = nullptr;
    // Strings decoded to shared values (nullptr: none).
    const KnownStrings* known = nullptr;

private:
    const unsigned char* m_begin;
    const unsigned char* m_next;
    const unsigned char* m_end;
    bool m_end_of_input = false;
    bool m_refused = false;
};

} // namespace orvpack
