#include "wire/DatagramReport.h"

#include "msgpack/MsgPack.h"
#include "protocol/WireSchema.h"
#include "view/TextFormat.h"
#include "wire/Datagram.h"
#include "wire/KeyCheck.h"
#include "wire/RecordFields.h"
#include "wire/ValueTree.h"

#include <algorithm>
#include <sstream>

namespace orvtool
{

namespace
{

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

} // namespace

bool writeDatagramReport(std::string datagram, std::ostream& out)
{
    out << "datagram  " << countText(static_cast<long long>(datagram.size()), "byte") << "\n"
        << hexLines(datagram, "  ");
    if (datagram.empty())
    {
        out << "outcome   dropped: an empty datagram has no type byte\n";
        return false;
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
        return false;
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
        return false;
    }
    writeRecord(view, out);
    for (const KeyFinding& finding : checkKeys(type, value))
    {
        std::string label = finding.label;
        label.resize(std::max<size_t>(label.size() + 1, 10), ' ');
        out << label << finding.text << "\n";
    }
    return view.dropReason.empty();
}

} // namespace orvtool
