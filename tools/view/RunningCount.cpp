#include "view/RunningCount.h"

#include "view/TextFormat.h"

#include <utility>

namespace orvtool
{

namespace
{

// A terminal redraws a few times a second; a log gets a line every so often.
constexpr double kTerminalPeriod = 0.2;
constexpr double kLogPeriod = 10.0;

// Erases from the cursor to the end of the line (ANSI): a shorter text drawn over a longer.
constexpr const char* kEraseToEnd = "\x1b[K";

} // namespace

RunningCount::RunningCount(std::ostream& out, bool terminal, std::string what)
    : out_(out), terminal_(terminal), what_(std::move(what))
{
}

void RunningCount::update(long long count, double seconds)
{
    if (seconds - shownAt_ < (terminal_ ? kTerminalPeriod : kLogPeriod))
        return;
    shownAt_ = seconds;
    const std::string text = "so far: " + countText(count, what_) + " in " +
                             fixedText(seconds, terminal_ ? 1 : 0) + " s";
    if (terminal_)
    {
        out_ << "\r" << text << kEraseToEnd << std::flush;
        lineOpen_ = true;
    }
    else
    {
        out_ << text << std::endl;
    }
}

void RunningCount::finish()
{
    if (lineOpen_)
        out_ << "\r" << kEraseToEnd << std::flush;
    lineOpen_ = false;
}

} // namespace orvtool
