#include "view/TerminalView.h"

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

} // namespace

TerminalView::TerminalView(std::ostream& out, bool ansi) : out_(out), ansi_(ansi) {}

TerminalView::~TerminalView()
{
    finish();
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
        frame += std::string(kHideCursor) + kClearScreen;
    frame += kHome;
    size_t begin = 0;
    while (begin < text.size())
    {
        size_t end = text.find('\n', begin);
        if (end == std::string::npos)
            end = text.size();
        frame.append(text, begin, end - begin);
        frame += kEraseLineEnd;
        frame += '\n';
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
        out_ << kShowCursor;
        out_.flush();
    }
}

} // namespace orvtool
