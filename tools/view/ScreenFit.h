// View text cut to the terminal it is drawn on, so that a redraw in place never scrolls: at
// most `rows` lines (the last of them then says how many are hidden) of at most `cols` - 1
// columns each. The top lines (the node, its error and warning, its health) are always the
// ones kept.
#pragma once

#include "view/ScreenSize.h"

#include <string>

namespace orvtool
{

// `text`: lines ending in '\n'. The result's lines end in '\n' too. A size of 0 leaves that
// dimension alone.
std::string fitToScreen(const std::string& text, const ScreenSize& screen);

} // namespace orvtool
