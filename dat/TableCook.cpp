// The table operator's cook: copy the parameters into the receiver, connect or disconnect as
// "Active" asks (Active.cpp), then show the receiver's state as 18 + N rows by 5 columns (N
// named events), all from one snapshot.
#include "OrvDat.h"

#include "OrvDatParameters.h"

#include "protocol/NodeLayout.h"
#include "receiver/AddressWarnings.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

namespace
{

int32_t tableRows(std::size_t eventCount)
{
    const std::size_t most = static_cast<std::size_t>(std::numeric_limits<int32_t>::max());
    const std::size_t fixed = static_cast<std::size_t>(orvlayout::kFixedRows);
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
            if constexpr (Field::place.row != orvlayout::kNoRow)
                setCell(output, Field::place.row, column, record.*Field::member);
        });
}

// Every cell the table shows of `state` (the size is already set).
void writeCells(TD::DAT_Output& output, const ReceiverSnapshot& state)
{
    using namespace orvlayout;
    for (int row = TitleRow; row < kFixedRows; ++row)
    {
        output.setCellString(row, kLabelColumn, kRowLabels[row]);
    }
    for (int column = 1; column <= kDeckCount; ++column)
    {
        const std::size_t slot = static_cast<std::size_t>(column - 1);
        output.setCellString(HeaderRow, column, kDeckHeaders[slot]);
        writeFields(output, column, state.metas[slot]);
        writeFields(output, column, state.numbers.decks[slot]);
        // The mixer shows in every deck's column.
        writeFields(output, column, state.numbers.control);
    }

    // Event rows directly below "Crossfader", in the order the names first arrived, so a row
    // never moves; columns 2 to 4 stay unwritten.
    const int32_t rows = tableRows(state.events.size());
    int32_t row = FirstEventRow;
    for (const auto& [name, value] : state.events)
    {
        if (row >= rows)
        {
            break;
        }
        output.setCellString(row, kLabelColumn, name.c_str());
        output.setCellDouble(row, kEventValueColumn, value);
        ++row;
    }
}

} // namespace

void OrvDat::execute(TD::DAT_Output* output, const TD::OP_Inputs* inputs, void*)
{
    try
    {
        output->setOutputDataType(TD::DAT_OutDataType::Table);
        copyParameters(*inputs);
        keepActive(orvdat::OrvDatParameters::evalActive(*inputs));
        read(cookSnapshot_);
        // The size follows the event count on every cook, connected or not, so the event
        // rows never shrink while the node lives.
        output->setTableSize(tableRows(cookSnapshot_.events.size()), orvlayout::kTableColumns);
        if (cookSnapshot_.numbers.connected)
        {
            writeCells(*output, cookSnapshot_);
        }
    }
    catch (...)
    {
        // Only std::bad_alloc can get here; the table keeps what the host holds.
    }
}

// None of these copies connects: "Ip", "Port" and "Multicast" take effect at the next
// "Reconnect" (or, with "Active" on, at this cook: keepActive), "Ipfilter" with the next
// datagram the receive thread looks at.
void OrvDat::copyParameters(const TD::OP_Inputs& inputs)
{
    using orvdat::OrvDatParameters;

    const char* ipText = OrvDatParameters::evalIp(inputs);
    if (ip != ipText)
    {
        ip = ipText;
    }

    // Copied like "Ip", so a changed port is what the next "Reconnect" binds.
    const uint32_t portValue = OrvDatParameters::evalPort(inputs);
    if (port != portValue)
    {
        port = portValue;
    }

    const bool multicastValue = OrvDatParameters::evalMulticast(inputs);
    if (multicast != multicastValue)
    {
        multicast = multicastValue;
    }

    // The receive thread reads the filter for every datagram: rewritten under the lock.
    const char* filterText = OrvDatParameters::evalIpFilter(inputs);
    if (ipFilter_ != filterText)
    {
        ipFilter_ = filterText;
        store.setIpFilter(ipFilter_);
        ipFilterWarning_ = orvreceiver::ipFilterWarning(ipFilter_);
    }
}
