#include "harness/Table.h"

#include <algorithm>

namespace orvharness
{

const char* toString(CellKind kind)
{
    switch (kind)
    {
    case CellKind::Empty:
        return "empty";
    case CellKind::Text:
        return "text";
    case CellKind::Number:
        return "number";
    case CellKind::Int:
        return "int";
    }
    return "?";
}

const TableCell& Table::cell(int32_t row, int32_t col) const
{
    static const TableCell empty;
    if (row < 0 || col < 0 || row >= rows_ || col >= cols_)
        return empty;
    return cells_[static_cast<size_t>(row) * cols_ + col];
}

void Table::resize(int32_t rows, int32_t cols)
{
    rows = std::max(rows, 0);
    cols = std::max(cols, 0);
    if (rows == rows_ && cols == cols_)
        return;
    // Cells keep their row and column; those outside the new size go, new ones are empty.
    std::vector<TableCell> resized(static_cast<size_t>(rows) * cols);
    const int32_t keptRows = std::min(rows, rows_);
    const int32_t keptCols = std::min(cols, cols_);
    for (int32_t r = 0; r < keptRows; ++r)
        for (int32_t c = 0; c < keptCols; ++c)
            resized[static_cast<size_t>(r) * cols + c] =
                std::move(cells_[static_cast<size_t>(r) * cols_ + c]);
    cells_ = std::move(resized);
    rows_ = rows;
    cols_ = cols;
}

TableCell* Table::cellAt(int32_t row, int32_t col)
{
    if (row < 0 || col < 0 || row >= rows_ || col >= cols_)
        return nullptr;
    return &cells_[static_cast<size_t>(row) * cols_ + col];
}

TableCell* Table::cellForWrite(int32_t row, int32_t col)
{
    TableCell* cell = cellAt(row, col);
    if (cell != nullptr)
    {
        cell->writtenLastCook = true;
        ++cellsWrittenLastCook_;
    }
    return cell;
}

void Table::startCook()
{
    for (TableCell& cell : cells_)
        cell.writtenLastCook = false;
    cellsWrittenLastCook_ = 0;
}

} // namespace orvharness
