// Shows snapshot text on standard output. On a terminal each refresh redraws the screen in
// place with plain ANSI sequences (cursor home, erase to the end of each line and of the
// screen) and the cursor is hidden until finish(); the text must fit screen(), and no newline
// follows its last line, so the screen never scrolls. Otherwise each refresh appends a plain
// snapshot, separated by a blank line, for logs and pipes.
#pragma once

#include "view/ScreenSize.h"

#include <ostream>
#include <string>

namespace orvtool
{

class TerminalView
{
public:
    // `ansi`: redraw in place (pass isatty(STDOUT_FILENO)).
    TerminalView(std::ostream& out, bool ansi);
    ~TerminalView();
    TerminalView(const TerminalView&) = delete;
    TerminalView& operator=(const TerminalView&) = delete;

    // The terminal's size now (asked at every call, so a resized window is followed; 24 x 80
    // when the terminal does not say), or no limit when the view is not drawn in place. After
    // a change of size the next show() clears the whole screen first.
    ScreenSize screen();
    void show(const std::string& text);
    // Leaves the last picture on screen and gives the cursor back.
    void finish();
    bool ansi() const { return ansi_; }

private:
    std::ostream& out_;
    bool ansi_;
    bool started_ = false;
    bool finished_ = false;
    ScreenSize lastScreen_;
    bool clearNext_ = false;
};

} // namespace orvtool
