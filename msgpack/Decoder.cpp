// The decoder: one table of 256 parse functions per reader, indexed by the lead byte.
// The same body reads a byte range in memory (the receive thread's hot path) and a stream;
// results and error texts are the same for both.

#include "msgpack/KnownStrings.h"
#include "msgpack/MemoryReader.h"
#include "msgpack/MsgPackValue.h"
#include "msgpack/RecurringValues.h"
#include "msgpack/StreamReader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <istream>
#include <utility>

namespace orvpack
{
namespace
{

// The top-level value is read at depth 0; a value at depth kMaxDepth is refused, so at most
// 201 containers nest and the innermost of them is empty.
constexpr int kMaxDepth = 201;

// Storage set aside before a container's items are read is for at most this many items, and
// never more than the rest of the input could fill: nested containers each declaring a huge
// count would otherwise each reserve room for the whole rest of the input. Longer
// containers grow as their items arrive.
constexpr uint64_t kMaxReservedItems = 16;

// What one map node takes: the entry and the tree's links (colour and three pointers in the
// usual implementations). Only sizes the slab; a node larger than this comes from the heap.
constexpr size_t kNodeBytes = sizeof(MsgPack::object::value_type) + 4 * sizeof(void*);
// What one number value takes with its reference counts and allocator, likewise.
constexpr size_t kValueBytes = sizeof(MsgPackUint64) + 3 * sizeof(void*);

template <typename Reader> class MsgPackParser
{
public:
    using ParseFunction = MsgPack (*)(Reader& in, uint8_t lead, int depth);

    static MsgPack parse_msgpack(Reader& in, int depth)
    {
        if (depth >= kMaxDepth)
        {
            in.refuse();
            return MsgPack();
        }
        uint8_t lead;
        if (!in.take_byte(lead))
        {
            in.refuse();
            return MsgPack();
        }
        MsgPack value = parsers()[lead](in, lead, depth + 1);
        if (in.failed())
        {
            in.refuse();
            return MsgPack();
        }
        return value;
    }

private:
    // Built on the first decode with this reader (thread-safe), from the ranges in lead-byte
    // order, each given by its last byte.
    static const std::array<ParseFunction, 256>& parsers()
    {
        static const std::array<ParseFunction, 256> table = build_table();
        return table;
    }

    static std::array<ParseFunction, 256> build_table()
    {
        const std::pair<int, ParseFunction> ranges[] = {
            {0x7f, parse_pos_fixint},
            {0x8f, parse_fixobject},
            {0x9f, parse_fixarray},
            {0xbf, parse_fixstring},
            {0xc0, parse_nil},
            {0xc1, parse_invalid},
            {0xc3, parse_bool},
            {0xc4, parse_binary<uint8_t>},
            {0xc5, parse_binary<uint16_t>},
            {0xc6, parse_binary<uint32_t>},
            {0xc7, parse_extension<uint8_t>},
            {0xc8, parse_extension<uint16_t>},
            {0xc9, parse_extension<uint32_t>},
            {0xca, parse_arith<float>},
            {0xcb, parse_arith<double>},
            {0xcc, parse_arith<uint8_t>},
            {0xcd, parse_arith<uint16_t>},
            {0xce, parse_arith<uint32_t>},
            {0xcf, parse_arith<uint64_t>},
            {0xd0, parse_arith<int8_t>},
            {0xd1, parse_arith<int16_t>},
            {0xd2, parse_arith<int32_t>},
            {0xd3, parse_arith<int64_t>},
            {0xd8, parse_fixext},
            {0xd9, parse_string<uint8_t>},
            {0xda, parse_string<uint16_t>},
            {0xdb, parse_string<uint32_t>},
            {0xdc, parse_array<uint16_t>},
            {0xdd, parse_array<uint32_t>},
            {0xde, parse_object<uint16_t>},
            {0xdf, parse_object<uint32_t>},
            {0xff, parse_neg_fixint},
        };
        std::array<ParseFunction, 256> table{};
        int lead = 0;
        for (const auto& [last, function] : ranges)
        {
            for (; lead <= last; ++lead)
            {
                table[lead] = function;
            }
        }
        return table;
    }

    // An unsigned big-endian field of sizeof(Int) bytes; false when the input ends first.
    template <typename Int> static bool read_unsigned(Reader& in, Int& out)
    {
        unsigned char scratch[sizeof(Int)];
        const unsigned char* bytes = in.take(sizeof(Int), scratch);
        if (bytes == nullptr)
        {
            return false;
        }
        uint64_t value = 0;
        for (size_t i = 0; i < sizeof(Int); ++i)
        {
            value = (value << 8) | bytes[i];
        }
        out = static_cast<Int>(value);
        return true;
    }

    static MsgPack parse_pos_fixint(Reader&, uint8_t lead, int)
    {
        return RecurringValues::get().small_unsigned(lead);
    }

    static MsgPack parse_neg_fixint(Reader&, uint8_t lead, int)
    {
        return RecurringValues::get().small_negative(static_cast<int8_t>(lead));
    }

    static MsgPack parse_nil(Reader&, uint8_t, int) { return MsgPack(); }

    static MsgPack parse_invalid(Reader& in, uint8_t, int)
    {
        in.refuse();
        return MsgPack();
    }

    static MsgPack parse_bool(Reader&, uint8_t lead, int) { return MsgPack(lead == 0xc3); }

    template <typename T> static MsgPack parse_arith(Reader& in, uint8_t, int)
    {
        if constexpr (std::is_floating_point_v<T>)
        {
            using Bits = std::conditional_t<sizeof(T) == 4, uint32_t, uint64_t>;
            Bits bits;
            if (!read_unsigned(in, bits))
            {
                return MsgPack();
            }
            T value;
            std::memcpy(&value, &bits, sizeof value);
            return make_value<typename ValueClassOf<T>::type>(in, value);
        }
        else
        {
            std::make_unsigned_t<T> bits;
            if (!read_unsigned(in, bits))
            {
                return MsgPack();
            }
            const auto value = static_cast<T>(bits);
            // The same kind and value as a fixint: share the prebuilt one.
            if constexpr (std::is_same_v<T, uint8_t>)
            {
                if (value < 128)
                {
                    return RecurringValues::get().small_unsigned(value);
                }
            }
            if constexpr (std::is_same_v<T, int8_t>)
            {
                if (value < 0 && value >= -32)
                {
                    return RecurringValues::get().small_negative(value);
                }
            }
            return make_value<typename ValueClassOf<T>::type>(in, value);
        }
    }

    // A number or string that no prebuilt value shares: in the slab of the map being read, if
    // it has room, else on the heap.
    template <typename V, typename Arg> static MsgPack make_value(Reader& in, Arg&& arg)
    {
        if (in.value_slab != nullptr && in.value_slab->has_value_room())
        {
            return DecodedValues::in_slab<V>(in.value_slab, std::forward<Arg>(arg));
        }
        return MsgPack(std::forward<Arg>(arg));
    }

    static MsgPack parse_string_impl(Reader& in, size_t length)
    {
        if (in.known != nullptr && length <= KnownStrings::kLongest)
        {
            unsigned char scratch[KnownStrings::kLongest];
            const unsigned char* bytes = in.take(length, scratch);
            if (bytes == nullptr)
            {
                return MsgPack();
            }
            if (const MsgPack* known = in.known->find(bytes, length))
            {
                return *known;
            }
            return make_value<MsgPackString>(
                in, std::string(reinterpret_cast<const char*>(bytes), length));
        }
        std::string text;
        if (!in.take_block(length, text))
        {
            return MsgPack();
        }
        return make_value<MsgPackString>(in, std::move(text));
    }

    static MsgPack parse_fixstring(Reader& in, uint8_t lead, int)
    {
        return parse_string_impl(in, lead & 0x1f);
    }

    template <typename Length> static MsgPack parse_string(Reader& in, uint8_t, int)
    {
        Length length;
        if (!read_unsigned(in, length))
        {
            return MsgPack();
        }
        return parse_string_impl(in, length);
    }

    template <typename Length> static MsgPack parse_binary(Reader& in, uint8_t, int)
    {
        Length length;
        MsgPack::binary data;
        if (!read_unsigned(in, length) || !in.take_block(length, data))
        {
            return MsgPack();
        }
        return MsgPack(std::move(data));
    }

    static MsgPack parse_extension_impl(Reader& in, size_t length)
    {
        uint8_t type;
        MsgPack::binary data;
        if (!in.take_byte(type) || !in.take_block(length, data))
        {
            return MsgPack();
        }
        return MsgPack(MsgPack::extension(static_cast<int8_t>(type), std::move(data)));
    }

    template <typename Length> static MsgPack parse_extension(Reader& in, uint8_t, int)
    {
        Length length;
        if (!read_unsigned(in, length))
        {
            return MsgPack();
        }
        return parse_extension_impl(in, length);
    }

    static MsgPack parse_fixext(Reader& in, uint8_t lead, int)
    {
        return parse_extension_impl(in, size_t{1} << (lead - 0xd4));
    }

    static MsgPack parse_array_impl(Reader& in, uint64_t count, int depth)
    {
        in.value_slab = nullptr; // elements are not a map's values
        MsgPack::array items;
        items.reserve(std::min<size_t>(in.plausible_count(count, 1), kMaxReservedItems));
        for (uint64_t i = 0; i < count; ++i)
        {
            MsgPack item = parse_msgpack(in, depth);
            if (in.failed())
            {
                return MsgPack();
            }
            items.push_back(std::move(item));
        }
        return MsgPack(std::move(items));
    }

    // The first of equivalent keys wins: add_entry keeps the entry already there.
    static MsgPack parse_object_impl(Reader& in, uint64_t count, int depth)
    {
        // An entry is at least two bytes: a key and a value.
        const size_t reserved = std::min<size_t>(in.plausible_count(count, 2), kMaxReservedItems);
        NodeSlabPtr slab(reserved > 0
                             ? NodeSlab::create(reserved * (kNodeBytes + kValueBytes), reserved)
                             : nullptr);
        MsgPack::object entries(ObjectKeyLess(),
                                NodeAllocator<MsgPack::object::value_type>(slab.get()));
        // Only this map's own values go to its slab (not its keys, nor the values of an outer
        // map), and the reader holds no pointer to it once a value is read. The reader lives
        // for one parse call, so an exception takes the pointer with it.
        in.value_slab = nullptr;
        for (uint64_t i = 0; i < count; ++i)
        {
            MsgPack key = parse_msgpack(in, depth);
            if (in.failed())
            {
                return MsgPack();
            }
            in.value_slab = slab.get();
            MsgPack value = parse_msgpack(in, depth);
            in.value_slab = nullptr;
            if (in.failed())
            {
                return MsgPack();
            }
            DecodedValues::add_entry(entries, std::move(key), std::move(value));
        }
        return DecodedValues::object(std::move(entries), std::move(slab));
    }

    static MsgPack parse_fixarray(Reader& in, uint8_t lead, int depth)
    {
        return parse_array_impl(in, lead & 0x0f, depth);
    }

    static MsgPack parse_fixobject(Reader& in, uint8_t lead, int depth)
    {
        return parse_object_impl(in, lead & 0x0f, depth);
    }

    template <typename Count> static MsgPack parse_array(Reader& in, uint8_t, int depth)
    {
        Count count;
        if (!read_unsigned(in, count))
        {
            return MsgPack();
        }
        return parse_array_impl(in, count, depth);
    }

    template <typename Count> static MsgPack parse_object(Reader& in, uint8_t, int depth)
    {
        Count count;
        if (!read_unsigned(in, count))
        {
            return MsgPack();
        }
        return parse_object_impl(in, count, depth);
    }
};

// The reader's failure becomes the error text; the end of input takes precedence because
// reading stops at the first problem and an early end sets both flags.
template <typename Reader> MsgPack parse_reporting(Reader& in, std::string& err)
{
    MsgPack result = MsgPackParser<Reader>::parse_msgpack(in, 0);
    if (in.end_of_input())
    {
        err = "end of buffer.";
    }
    else if (in.failed())
    {
        err = "format error.";
    }
    return result;
}

} // namespace

MsgPack MsgPack::parse(const std::string& in, std::string& err)
{
    MemoryReader reader(in.data(), in.size());
    return parse_reporting(reader, err);
}

MsgPack MsgPack::parse(const char* in, size_t length, std::string& err)
{
    if (in == nullptr)
    {
        err = "null input";
        return MsgPack();
    }
    MemoryReader reader(in, length);
    return parse_reporting(reader, err);
}

MsgPack MsgPack::parse(const char* in, size_t length, std::string& err, const KnownStrings& known)
{
    if (in == nullptr)
    {
        err = "null input";
        return MsgPack();
    }
    MemoryReader reader(in, length);
    reader.known = &known;
    return parse_reporting(reader, err);
}

MsgPack MsgPack::parse(std::istream& in)
{
    StreamReader reader(in);
    return MsgPackParser<StreamReader>::parse_msgpack(reader, 0);
}

MsgPack MsgPack::parse(std::istream& in, std::string& err)
{
    StreamReader reader(in);
    return parse_reporting(reader, err);
}

std::vector<MsgPack> MsgPack::parse_multi(const std::string& in,
                                          std::string::size_type& stop_position, std::string& err)
{
    std::vector<MsgPack> values;
    MemoryReader reader(in.data(), in.size());
    while (!reader.at_end() && !reader.failed())
    {
        MsgPack value = parse_reporting(reader, err);
        if (!reader.failed())
        {
            values.push_back(std::move(value));
            stop_position = reader.position();
        }
    }
    return values;
}

std::istream& operator>>(std::istream& in, MsgPack& out)
{
    out = MsgPack::parse(in);
    return in;
}

} // namespace orvpack
