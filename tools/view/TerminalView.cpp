#include "view/TerminalView.h"

#include "platform/Platform.h"

namespace orvtool
{

namespace
{

constexpr const char* kHome = "\x1b[H";
constexpr const char* kClearScreen = "\x1b[2J";
constexpr const char* kEraseLineEnd = "\x1b[K";
constexpr const char* kEraseScreenEnd = "\x1b[J";
constexpr const char* kHideCursor = "\x1b[?25l";
constexpr const char* kShowCursor = "\x1b[?25h";

// What a terminal that does not tell its size most likely is.
constexpr ScreenSize kClassicTerminal{24, 80};

} // namespace

TerminalView::TerminalView(std::ostream& out, bool ansi) : out_(out), ansi_(ansi) {}

TerminalView::~TerminalView()
{
    finish();
}

ScreenSize TerminalView::screen()
{
    if (!ansi_)
        return {};
    ScreenSize now = kClassicTerminal;
    stdoutTerminalSize(now.rows, now.cols);
    // A terminal reflows or cuts what it shows when resized: start from a clean screen.
    if (started_ && now != lastScreen_)
        clearNext_ = true;
    lastScreen_ = now;
    return now;
}

void TerminalView::show(const std::string& text)
{
    if (!ansi_)
    {
        if (started_)
            out_ << "\n";
        out_ << text;
        out_.flush();
        started_ = true;
        return;
    }
    std::string frame;
    if (!started_)
        frame += kHideCursor;
    if (!started_ || clearNext_)
        frame += kClearScreen;
    clearNext_ = false;
    frame += kHome;
    size_t begin = 0;
    while (begin < text.size())
    {
        size_t end = text.find('\n', begin);
        if (end == std::string::npos)
            end = text.size();
        if (begin > 0)
            frame += '\n';
        frame.append(text, begin, end - begin);
        frame += kEraseLineEnd;
        begin = end + 1;
    }
    frame += kEraseScreenEnd;
    out_ << frame;
    out_.flush();
    started_ = true;
}

void TerminalView::finish()
{
    if (finished_)
        return;
    finished_ = true;
    if (ansi_ && started_)
    {
        // The picture's last line has no newline of its own; the shell's prompt goes below.
        out_ << "\n" << kShowCursor;
        out_.flush();
    }
}

} // namespace orvtool
