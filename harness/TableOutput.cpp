#include "harness/TableOutput.h"

#include "harness/Node.h"
#include "harness/NumberText.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace orvharness
{

TableOutput::TableOutput(Node& node) : node_(node), table_(node.table) {}

void TableOutput::setOutputDataType(TD::DAT_OutDataType type) noexcept
{
    table_.setOutputType(type == TD::DAT_OutDataType::Text ? OutputType::Text : OutputType::Table);
}

TD::DAT_OutDataType TableOutput::getOutputDataType() noexcept
{
    return table_.outputType() == OutputType::Text ? TD::DAT_OutDataType::Text
                                                   : TD::DAT_OutDataType::Table;
}

void TableOutput::setTableSize(const int32_t rows, const int32_t cols) noexcept
{
    const int64_t cells = int64_t(rows > 0 ? rows : 0) * (cols > 0 ? cols : 0);
    if (cells > maxCells)
    {
        node_.reportHostError("refused table size " + std::to_string(rows) + " by " +
                              std::to_string(cols) + " (more than " + std::to_string(maxCells) +
                              " cells)");
        return;
    }
    try
    {
        table_.resize(rows, cols);
    }
    catch (...)
    {
        node_.reportHostError("no memory for a table of " + std::to_string(rows) + " by " +
                              std::to_string(cols));
    }
}

void TableOutput::getTableSize(int32_t* rows, int32_t* cols) noexcept
{
    if (rows != nullptr)
        *rows = table_.rows();
    if (cols != nullptr)
        *cols = table_.cols();
}

bool TableOutput::setText(const char* str) noexcept
{
    if (table_.outputType() != OutputType::Text)
        return false;
    try
    {
        table_.setText(str != nullptr ? str : "");
        return true;
    }
    catch (...)
    {
        return false;
    }
}

int32_t TableOutput::findRow(const char* rowName, int32_t hintRowIndex) noexcept
{
    if (rowName == nullptr || table_.cols() == 0)
        return -1;
    if (table_.cell(hintRowIndex, 0).text == rowName)
        return hintRowIndex;
    for (int32_t r = 0; r < table_.rows(); ++r)
        if (table_.cell(r, 0).text == rowName)
            return r;
    return -1;
}

int32_t TableOutput::findCol(const char* colName, int32_t hintColIndex) noexcept
{
    if (colName == nullptr || table_.rows() == 0)
        return -1;
    if (table_.cell(0, hintColIndex).text == colName)
        return hintColIndex;
    for (int32_t c = 0; c < table_.cols(); ++c)
        if (table_.cell(0, c).text == colName)
            return c;
    return -1;
}

TableCell* TableOutput::writableCell(int32_t row, int32_t col, const char* operation) noexcept
{
    TableCell* cell = table_.cellForWrite(row, col);
    if (cell == nullptr && !reportedOutOfRange_)
    {
        // Once per cook is enough to point at the fault.
        reportedOutOfRange_ = true;
        node_.reportHostError(std::string(operation) + "(" + std::to_string(row) + ", " +
                              std::to_string(col) + ") outside the " +
                              std::to_string(table_.rows()) + " by " +
                              std::to_string(table_.cols()) + " table");
    }
    return cell;
}

bool TableOutput::setCellString(int32_t row, int32_t col, const char* str) noexcept
{
    TableCell* cell = writableCell(row, col, "setCellString");
    if (cell == nullptr)
        return false;
    try
    {
        cell->text = str != nullptr ? str : "";
        cell->kind = CellKind::Text;
        cell->number = 0.0;
        return true;
    }
    catch (...)
    {
        return false;
    }
}

bool TableOutput::setNumber(int32_t row, int32_t col, double value, CellKind kind,
                            const char* operation) noexcept
{
    TableCell* cell = writableCell(row, col, operation);
    if (cell == nullptr)
        return false;
    try
    {
        cell->text = numberText(value);
        cell->kind = kind;
        cell->number = value;
        return true;
    }
    catch (...)
    {
        return false;
    }
}

bool TableOutput::setCellInt(int32_t row, int32_t col, int32_t value) noexcept
{
    return setNumber(row, col, value, CellKind::Int, "setCellInt");
}

bool TableOutput::setCellDouble(int32_t row, int32_t col, double value) noexcept
{
    return setNumber(row, col, value, CellKind::Number, "setCellDouble");
}

const char* TableOutput::getCellString(int32_t row, int32_t col) noexcept
{
    const TableCell* cell = table_.cellAt(row, col);
    return cell != nullptr ? cell->text.c_str() : nullptr;
}

bool TableOutput::getCellDouble(int32_t row, int32_t col, double* res) noexcept
{
    const TableCell* cell = table_.cellAt(row, col);
    if (cell == nullptr || res == nullptr)
        return false;
    if (cell->kind == CellKind::Number || cell->kind == CellKind::Int)
    {
        *res = cell->number;
        return true;
    }
    try
    {
        return parseNumber(cell->text, *res);
    }
    catch (...)
    {
        return false;
    }
}

bool TableOutput::getCellInt(int32_t row, int32_t col, int32_t* res) noexcept
{
    double value = 0.0;
    if (res == nullptr || !getCellDouble(row, col, &value) || std::isnan(value) ||
        value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
        return false;
    *res = static_cast<int32_t>(std::lround(value));
    return true;
}

} // namespace orvharness
