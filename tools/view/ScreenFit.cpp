#include "view/ScreenFit.h"

#include "view/TextRender.h"

#include <vector>

namespace orvtool
{

std::string fitToScreen(const std::string& text, const ScreenSize& screen)
{
    std::vector<std::string> lines;
    size_t begin = 0;
    while (begin < text.size())
    {
        size_t end = text.find('\n', begin);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(begin, end - begin));
        begin = end + 1;
    }
    const size_t rows = static_cast<size_t>(screen.rows);
    if (rows > 0 && lines.size() > rows)
    {
        const size_t kept = rows > 1 ? rows - 1 : rows;
        const size_t hidden = lines.size() - kept;
        lines.resize(kept);
        if (rows > 1)
            lines.push_back("(" + std::to_string(hidden) +
                            " more lines: a taller terminal shows them, --json has everything)");
    }
    std::string fitted;
    for (const std::string& line : lines)
    {
        // One column short of the width: a line that fills the last column makes some
        // terminals wrap at the next character.
        fitted += (screen.cols > 1 ? fitText(line, static_cast<size_t>(screen.cols - 1)) : line);
        fitted += '\n';
    }
    return fitted;
}

} // namespace orvtool
