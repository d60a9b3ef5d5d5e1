// The table operator's cook: copy the parameters into the receiver, then show the receiver's
// state as 18 + N rows by 5 columns (N named events), all from one snapshot.
#include "OrvDat.h"

#include "OrvDatParameters.h"

#include "protocol/NodeLayout.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

namespace
{

// One snapshot buffer per cook thread, reused from cook to cook so that its strings and the
// event vector keep their capacity: a steady stream of cooks allocates nothing for it. The
// host cooks one node at a time on its thread, and OrvDat keeps no state of its own (the
// channel operator reads the same object as an OrvReceiver), so it lives here.
thread_local ReceiverSnapshot cookSnapshot;

const char* textOrEmpty(const char* text)
{
    return text != nullptr ? text : "";
}

int32_t tableRows(std::size_t eventCount)
{
    const std::size_t most = static_cast<std::size_t>(std::numeric_limits<int32_t>::max());
    const std::size_t fixed = static_cast<std::size_t>(orvlayout::fixedRows);
    return static_cast<int32_t>(eventCount < most - fixed ? eventCount + fixed : most);
}

void setCell(TD::DAT_Output& output, int row, int column, const std::string& text)
{
    output.setCellString(row, column, text.c_str());
}

template <class Number> void setCell(TD::DAT_Output& output, int row, int column, Number number)
{
    output.setCellDouble(row, column, static_cast<double>(number));
}

// The fields of a record that have a table row, into that row of `column`. Each field is a
// compile-time constant: one call per field.
template <class Record> void writeFields(TD::DAT_Output& output, int column, const Record& record)
{
    orvlayout::forEachShownField<Record>(
        [&](auto field)
        {
            using Field = decltype(field);
            if constexpr (Field::place.row != orvlayout::noRow)
                setCell(output, Field::place.row, column, record.*Field::member);
        });
}

} // namespace

void OrvDat::execute(TD::DAT_Output* output, const TD::OP_Inputs* inputs, void*)
{
    try
    {
        output->setOutputDataType(TD::DAT_OutDataType::Table);
        snapshot(cookSnapshot);
        // The size follows the event count on every cook, connected or not, so the event
        // rows never shrink while the node lives.
        output->setTableSize(tableRows(cookSnapshot.events.size()), orvlayout::tableColumns);
        copyParameters(*inputs);
        if (cookSnapshot.connected)
        {
            writeCells(*output);
        }
    }
    catch (...)
    {
        // Only std::bad_alloc can get here; the table keeps what the host holds.
    }
}

// None of these copies connects: "Ip", "Port" and "Multicast" take effect at the next
// "Reconnect", "Ipfilter" with the next datagram the receive thread looks at.
void OrvDat::copyParameters(const TD::OP_Inputs& inputs)
{
    using namespace orvdat;

    const char* ipText = textOrEmpty(inputs.getParString(kIpName));
    if (ip != ipText)
    {
        ip = ipText;
    }

    // Copied like "Ip", so a changed port is what the next "Reconnect" binds, and 0 meets
    // the receiver's "Port is 0" check. The receiver uses the low 16 bits.
    const uint32_t portValue = static_cast<uint32_t>(inputs.getParInt(kPortName, 0));
    if (port != portValue)
    {
        port = portValue;
    }

    const bool multicastValue = inputs.getParInt(kMulticastName, 0) != 0;
    if (multicast != multicastValue)
    {
        multicast = multicastValue;
    }

    // The receive thread reads the filter for every datagram: rewritten under the lock.
    setIpFilter(textOrEmpty(inputs.getParString(kIpFilterName)));
}

void OrvDat::writeCells(TD::DAT_Output& output) const
{
    using namespace orvlayout;
    const ReceiverSnapshot& state = cookSnapshot;

    for (int row = TitleRow; row < fixedRows; ++row)
    {
        output.setCellString(row, labelColumn, rowLabels[row]);
    }
    for (int column = 1; column <= deckCount; ++column)
    {
        const Meta& meta = state.metas[static_cast<std::size_t>(column - 1)];
        const Deck& deck = state.decks[static_cast<std::size_t>(column - 1)];
        output.setCellString(HeaderRow, column, deckHeaders[column - 1]);
        writeFields(output, column, meta);
        writeFields(output, column, deck);
        // The mixer shows in every deck's column.
        writeFields(output, column, state.control);
    }

    // Event rows directly below "Crossfader", in the receiver's map order; columns 2 to 4
    // stay unwritten.
    const int32_t rows = tableRows(state.events.size());
    int32_t row = FirstEventRow;
    for (const auto& [name, value] : state.events)
    {
        if (row >= rows)
        {
            break;
        }
        output.setCellString(row, labelColumn, name.c_str());
        output.setCellDouble(row, eventValueColumn, value);
        ++row;
    }
}
