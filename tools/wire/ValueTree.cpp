#include "wire/ValueTree.h"
#include "harness/NumberText.h"

#include "view/TextFormat.h"
#include "wire/Datagram.h"

#include <string>

namespace orvtool
{

using orvpack::MsgPack;

std::string kindName(MsgPack::Type type)
{
    switch (type)
    {
    case MsgPack::NUL:
        return "nil";
    case MsgPack::FLOAT32:
        return "float32";
    case MsgPack::FLOAT64:
        return "float64";
    case MsgPack::INT8:
        return "int8";
    case MsgPack::INT16:
        return "int16";
    case MsgPack::INT32:
        return "int32";
    case MsgPack::INT64:
        return "int64";
    case MsgPack::UINT8:
        return "uint8";
    case MsgPack::UINT16:
        return "uint16";
    case MsgPack::UINT32:
        return "uint32";
    case MsgPack::UINT64:
        return "uint64";
    case MsgPack::BOOL:
        return "bool";
    case MsgPack::STRING:
        return "string";
    case MsgPack::BINARY:
        return "binary";
    case MsgPack::ARRAY:
        return "array";
    case MsgPack::OBJECT:
        return "map";
    case MsgPack::EXTENSION:
        return "extension";
    }
    return "unknown";
}

namespace
{

std::string bytesText(const MsgPack::binary& bytes)
{
    std::string text(bytes.begin(), bytes.end());
    return std::to_string(bytes.size()) + (bytes.size() == 1 ? " byte" : " bytes") +
           (bytes.empty() ? "" : ": " + toHex(text));
}

// The value on one line; containers give their size only.
std::string headline(const MsgPack& value)
{
    const MsgPack::Type type = value.type();
    const std::string kind = kindName(type);
    switch (type)
    {
    case MsgPack::NUL:
        return kind;
    case MsgPack::FLOAT32:
    case MsgPack::FLOAT64:
        return kind + " " + orvharness::numberText(value.float64_value());
    case MsgPack::INT8:
    case MsgPack::INT16:
    case MsgPack::INT32:
    case MsgPack::INT64:
        return kind + " " + std::to_string(value.int64_value());
    case MsgPack::UINT8:
    case MsgPack::UINT16:
    case MsgPack::UINT32:
    case MsgPack::UINT64:
        return kind + " " + std::to_string(value.uint64_value());
    case MsgPack::BOOL:
        return kind + (value.bool_value() ? " true" : " false");
    case MsgPack::STRING:
        return kind + " " + quotedText(value.string_value());
    case MsgPack::BINARY:
        return kind + " " + bytesText(value.binary_items());
    case MsgPack::ARRAY:
    {
        const size_t n = value.array_items().size();
        return kind + ", " + std::to_string(n) + (n == 1 ? " item" : " items");
    }
    case MsgPack::OBJECT:
    {
        const size_t n = value.object_items().size();
        return kind + ", " + std::to_string(n) + (n == 1 ? " entry" : " entries");
    }
    case MsgPack::EXTENSION:
    {
        const auto& extension = value.extension_items();
        return kind + " type " + std::to_string(std::get<0>(extension)) + ", " +
               bytesText(std::get<1>(extension));
    }
    }
    return kind;
}

} // namespace

std::string valueHeadline(const MsgPack& value)
{
    return headline(value);
}

void writeValueTree(const MsgPack& value, std::ostream& out, int indent)
{
    const std::string pad(static_cast<size_t>(indent), ' ');
    out << pad << headline(value) << "\n";
    if (value.type() == MsgPack::ARRAY)
    {
        size_t index = 0;
        for (const MsgPack& item : value.array_items())
        {
            out << pad << "  [" << index++ << "]\n";
            writeValueTree(item, out, indent + 4);
        }
    }
    else if (value.type() == MsgPack::OBJECT)
    {
        for (const auto& entry : value.object_items())
        {
            const MsgPack& key = entry.first;
            const MsgPack& item = entry.second;
            const bool nested = item.type() == MsgPack::ARRAY || item.type() == MsgPack::OBJECT;
            const std::string keyText = key.type() == MsgPack::STRING
                                            ? quotedText(key.string_value())
                                            : "(" + headline(key) + ")";
            if (!nested)
            {
                out << pad << "  " << keyText << ": " << headline(item) << "\n";
                continue;
            }
            out << pad << "  " << keyText << ":\n";
            writeValueTree(item, out, indent + 4);
        }
    }
}

} // namespace orvtool
