// The output of a table (DAT) node as the host keeps it between frames.
//
// Cells are kept across cooks: a cook that writes no cell leaves the previous contents in
// place, and setTableSize keeps every cell that stays inside the new size (new cells start
// Empty). So that a test can still tell what one cook wrote, each cell carries
// writtenLastCook and the table counts the cell writes of the last cook.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace orvharness
{

enum class CellKind
{
    Empty,  // never written since the node was created (or since the cell came into the size)
    Text,   // setCellString
    Number, // setCellDouble
    Int,    // setCellInt
};

const char* toString(CellKind kind);

struct TableCell
{
    CellKind kind = CellKind::Empty;
    // Text: the text handed over. Number and Int: the number as the host shows it (shortest
    // text that reads back as the same double). Empty: "".
    std::string text;
    // Number and Int: the value. Text and Empty: 0.
    double number = 0.0;
    bool writtenLastCook = false;
};

enum class OutputType
{
    Table,
    Text,
};

class Table
{
public:
    OutputType outputType() const { return outputType_; }
    int32_t rows() const { return rows_; }
    int32_t cols() const { return cols_; }
    // Out of range: an Empty cell.
    const TableCell& cell(int32_t row, int32_t col) const;
    // The text of a Text output (setText).
    const std::string& text() const { return text_; }
    // Cell writes (setCellString/Double/Int that the host accepted) during the last cook.
    int32_t cellsWrittenLastCook() const { return cellsWrittenLastCook_; }

    // The host's side; plug-ins reach these through the DAT_Output of a cook.
    void setOutputType(OutputType type) { outputType_ = type; }
    void resize(int32_t rows, int32_t cols);
    // Null when out of range. Marks the cell as written in this cook.
    TableCell* cellForWrite(int32_t row, int32_t col);
    TableCell* cellAt(int32_t row, int32_t col);
    void setText(std::string text) { text_ = std::move(text); }
    // Called by the host before each cook.
    void startCook();

private:
    OutputType outputType_ = OutputType::Table;
    int32_t rows_ = 0;
    int32_t cols_ = 0;
    std::vector<TableCell> cells_;
    std::string text_;
    int32_t cellsWrittenLastCook_ = 0;
};

} // namespace orvharness
