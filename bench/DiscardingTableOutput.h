// A table output that keeps nothing: the cheapest host there could be. A cook into it
// measures the plug-in's own work, without the cost of storing 5 x (18 + N) cells that the
// host (here the harness, which also writes every number as text) adds on top.
#pragma once

#include "DAT_CPlusPlusBase.h"

#include <cstdint>

namespace orvbench
{

class DiscardingTableOutput final : public TD::DAT_Output
{
public:
    void setOutputDataType(TD::DAT_OutDataType type) override { type_ = type; }
    TD::DAT_OutDataType getOutputDataType() override { return type_; }
    void setTableSize(const int32_t rows, const int32_t cols) override
    {
        rows_ = rows;
        cols_ = cols;
    }
    void getTableSize(int32_t* rows, int32_t* cols) override
    {
        *rows = rows_;
        *cols = cols_;
    }
    bool setText(const char*) override { return true; }
    int32_t findRow(const char*, int32_t) override { return -1; }
    int32_t findCol(const char*, int32_t) override { return -1; }
    bool setCellString(int32_t row, int32_t col, const char*) override { return inside(row, col); }
    bool setCellInt(int32_t row, int32_t col, int32_t) override { return inside(row, col); }
    bool setCellDouble(int32_t row, int32_t col, double) override { return inside(row, col); }
    const char* getCellString(int32_t, int32_t) override { return nullptr; }
    bool getCellInt(int32_t, int32_t, int32_t*) override { return false; }
    bool getCellDouble(int32_t, int32_t, double*) override { return false; }

private:
    bool inside(int32_t row, int32_t col) const
    {
        return row >= 0 && row < rows_ && col >= 0 && col < cols_;
    }

    TD::DAT_OutDataType type_ = TD::DAT_OutDataType::Table;
    int32_t rows_ = 0;
    int32_t cols_ = 0;
};

} // namespace orvbench
