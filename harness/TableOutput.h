// The host's side of TD::DAT_Output for one cook: writes into the node's kept Table and
// copies every text. A write outside the table, or a size beyond what the host allows, is
// refused (false) and reported as a host error of the node.
#pragma once

#include "harness/Table.h"

#include "DAT_CPlusPlusBase.h"

#include <cstdint>

namespace orvharness
{

class Node;

class TableOutput final : public TD::DAT_Output
{
public:
    // The most cells a table may have; a larger size is refused.
    static constexpr int64_t maxCells = int64_t(1) << 20;

    explicit TableOutput(Node& node);

    void setOutputDataType(TD::DAT_OutDataType type) noexcept override;
    TD::DAT_OutDataType getOutputDataType() noexcept override;
    void setTableSize(const int32_t rows, const int32_t cols) noexcept override;
    void getTableSize(int32_t* rows, int32_t* cols) noexcept override;
    bool setText(const char* str) noexcept override;
    int32_t findRow(const char* rowName, int32_t hintRowIndex) noexcept override;
    int32_t findCol(const char* colName, int32_t hintColIndex) noexcept override;
    bool setCellString(int32_t row, int32_t col, const char* str) noexcept override;
    bool setCellInt(int32_t row, int32_t col, int32_t value) noexcept override;
    bool setCellDouble(int32_t row, int32_t col, double value) noexcept override;
    const char* getCellString(int32_t row, int32_t col) noexcept override;
    bool getCellInt(int32_t row, int32_t col, int32_t* res) noexcept override;
    bool getCellDouble(int32_t row, int32_t col, double* res) noexcept override;

private:
    TableCell* writableCell(int32_t row, int32_t col, const char* operation) noexcept;
    bool setNumber(int32_t row, int32_t col, double value, CellKind kind,
                   const char* operation) noexcept;

    Node& node_;
    Table& table_;
    bool reportedOutOfRange_ = false;
};

} // namespace orvharness
