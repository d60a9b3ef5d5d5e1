// The size of the terminal the view draws on, in character cells.
#pragma once

namespace orvtool
{

struct ScreenSize
{
    int rows = 0; // 0: no limit (the output is no terminal)
    int cols = 0; // 0: no limit

    bool operator==(const ScreenSize& other) const
    {
        return rows == other.rows && cols == other.cols;
    }
    bool operator!=(const ScreenSize& other) const { return !(*this == other); }
};

} // namespace orvtool
