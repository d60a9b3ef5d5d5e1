// orv decode: one datagram's bytes, decoded the way a receiver node decodes them.
#include "commands/Command.h"

#include "msgpack/MsgPack.h"
#include "protocol/WireSchema.h"
#include "wire/Datagram.h"
#include "wire/KeyCheck.h"
#include "wire/RecordFields.h"
#include "wire/ValueTree.h"

#include "platform/Platform.h"

#include <algorithm>
#include <iostream>
#include <iterator>
#include <sstream>

namespace orvtool
{

namespace
{

bool readInput(const ParsedOptions& options, std::string& datagram, std::string& error)
{
    const std::vector<std::string>& args = options.positional();
    const bool fromStdin = args.empty() || (args.size() == 1 && args[0] == "-");
    if (!fromStdin)
    {
        std::string text;
        for (const std::string& arg : args)
            text += arg + " ";
        return fromHex(text, datagram, error);
    }
    if (stdinIsTerminal())
    {
        error = "give the datagram as hex (orv decode 01 82 a4 ...) or pipe its bytes in";
        return false;
    }
    readStdinAsBytes();
    std::string bytes((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
    if (options.has("--text"))
        return fromHex(bytes, datagram, error);
    // Hex text read as bytes starts with a type byte no node handles ('0' is 0x30): say why.
    std::string asHex;
    std::string notHex;
    if (fromHex(bytes, asHex, notHex) && !asHex.empty())
        std::cerr << "orv decode: note: standard input reads as hex text, which is decoded here as "
                     "the bytes of its characters; orv decode --text reads it as hex\n";
    datagram = bytes;
    return true;
}

// How many payload bytes the first value takes (the receiver ignores the rest).
size_t firstValueLength(const std::string& payload)
{
    std::istringstream in(payload);
    orvpack::MsgPack::parse(in);
    if (!in)
        return payload.size();
    const auto position = in.tellg();
    return position < 0 ? payload.size() : static_cast<size_t>(position);
}

void writeRecord(const RecordView& view, std::ostream& out)
{
    out << "record    " << view.record << ": " << view.outcome << "\n";
    size_t fieldWidth = 5;
    size_t keyWidth = 3;
    size_t valueWidth = 5;
    for (const RecordField& field : view.fields)
    {
        fieldWidth = std::max(fieldWidth, field.field.size());
        keyWidth = std::max(keyWidth, field.key.size() + 2);
        valueWidth = std::max(valueWidth, field.value.size());
    }
    auto padded = [](std::string text, size_t width)
    {
        text.resize(std::max(text.size(), width), ' ');
        return text;
    };
    out << "  " << padded("field", fieldWidth) << "  " << padded("key", keyWidth) << "  "
        << padded("value", valueWidth) << "  shown as\n";
    for (const RecordField& field : view.fields)
        out << "  " << padded(field.field, fieldWidth) << "  "
            << padded("\"" + field.key + "\"", keyWidth) << "  " << padded(field.value, valueWidth)
            << "  " << (field.shown.empty() ? "(not shown)" : field.shown) << "\n";
}

int runDecode(const ParsedOptions& options)
{
    std::string datagram;
    std::string error;
    if (!readInput(options, datagram, error))
    {
        std::cerr << "orv decode: " << error << "\n";
        return kExitUsage;
    }

    std::ostream& out = std::cout;
    out << "datagram  " << datagram.size() << (datagram.size() == 1 ? " byte" : " bytes") << "\n";
    if (datagram.empty())
    {
        out << "outcome   dropped: an empty datagram has no type byte\n";
        return kExitFailure;
    }
    if (datagram.size() > orvprotocol::kDatagramLimit)
    {
        out << "note      a receiver reads only the first " << orvprotocol::kDatagramLimit
            << " bytes; the last " << datagram.size() - orvprotocol::kDatagramLimit
            << " are cut off\n";
        datagram.resize(orvprotocol::kDatagramLimit);
    }

    const auto type = static_cast<uint8_t>(datagram[0]);
    const std::string typeName = messageTypeName(type);
    out << "type      " << static_cast<int>(type) << " ("
        << (typeName.empty() ? "none: the receiver ignores this type" : typeName) << ")\n";

    const std::string payload = datagram.substr(1);
    std::string parseError;
    const orvpack::MsgPack value = orvpack::MsgPack::parse(payload.data(), payload.size(),
                                                           parseError, orvprotocol::wireKeys());
    if (!parseError.empty())
    {
        out << "error     " << parseError;
        if (typeName.empty())
            out << "  (the receiver does not decode this type, so it shows nothing)\n";
        else if (type == static_cast<uint8_t>(MessageType::Control))
            out << "  (a node shows this as its warning text and drops the datagram)\n";
        else
            out << "  (a node shows this as its error text and drops the datagram)\n";
        return kExitFailure;
    }

    const size_t used = firstValueLength(payload);
    out << "payload   " << payload.size() << (payload.size() == 1 ? " byte" : " bytes");
    if (used < payload.size())
    {
        const size_t rest = payload.size() - used;
        out << " (the value takes " << used << "; the " << rest
            << (rest == 1 ? " byte after it is" : " bytes after it are") << " ignored)";
    }
    out << "\n";
    std::ostringstream tree;
    writeValueTree(value, tree, 2);
    out << tree.str();

    RecordView view;
    if (!describeRecord(type, value, view))
    {
        out << "outcome   dropped: type " << static_cast<int>(type) << " carries no record\n";
        return kExitFailure;
    }
    writeRecord(view, out);
    for (const KeyFinding& finding : checkKeys(type, value))
    {
        std::string label = finding.label;
        label.resize(std::max<size_t>(label.size() + 1, 10), ' ');
        out << label << finding.text << "\n";
    }
    return view.dropReason.empty() ? kExitOk : kExitFailure;
}

} // namespace

const Command& decodeCommand()
{
    static const Command command{
        "decode",
        "decode a datagram's bytes the way a receiver node does",
        "orv decode HEX...   |   orv decode [--text] < FILE",
        "Shows the type byte, the MessagePack value tree with each value's kind, and the\n"
        "record a node builds from it, field by field, with the table row and channel\n"
        "where each field shows; or the decoder's error text (\"end of buffer.\",\n"
        "\"format error.\") and whether a node shows it as its error or its warning.\n"
        "Then the keys a node ignores (not the protocol's, or of another case) and the\n"
        "values it reads as another kind than written. The exit code is 1 when a node\n"
        "drops the datagram (no type byte, a type it ignores, a payload that does not\n"
        "decode, a deck number out of range).\n"
        "Without HEX arguments the raw bytes are read from standard input.",
        {
            {"--text", "", "standard input holds hex text, not raw bytes"},
        },
        "  orv decode 01 82 a4 44 65 63 6b 02 a3 42 50 4d cb 40 5f 00 00 00 00 00 00\n"
        "  orv decode 04 82 a5 45 76 65 6e 74 a4 44 72 6f 70 a5 56 61 6c 75 65 01\n"
        "  orv decode < datagram.bin\n",
        runDecode,
    };
    return command;
}

} // namespace orvtool
