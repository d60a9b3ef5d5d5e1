#include "harness/Node.h"

namespace orvharness
{

void Node::reportHostError(const std::string& line) noexcept
{
    constexpr int32_t keptLines = 64;
    if (hostErrorLines_ >= keptLines)
        return;
    try
    {
        if (!hostErrorText_.empty())
            hostErrorText_ += '\n';
        hostErrorText_ += line;
        ++hostErrorLines_;
    }
    catch (...)
    {
    }
}

} // namespace orvharness
