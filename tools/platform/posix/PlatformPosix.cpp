#include "platform/Platform.h"

#include <sys/ioctl.h>
#include <unistd.h>

#ifdef __APPLE__
#include <mach-o/dyld.h>
#endif

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace orvtool
{

bool stdinIsTerminal()
{
    return isatty(STDIN_FILENO) != 0;
}

bool stdoutIsTerminal()
{
    return isatty(STDOUT_FILENO) != 0;
}

bool stdoutTerminalSize(int& rows, int& cols)
{
    winsize size{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_row == 0 || size.ws_col == 0)
        return false;
    rows = size.ws_row;
    cols = size.ws_col;
    return true;
}

void readStdinAsBytes() {}

std::string executablePath()
{
    char buffer[PATH_MAX] = {};
#if defined(__APPLE__)
    uint32_t size = sizeof buffer;
    if (_NSGetExecutablePath(buffer, &size) == 0)
        return buffer;
    return "";
#else
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return length > 0 ? std::string(buffer, static_cast<size_t>(length)) : std::string();
#endif
}

std::string canonicalPath(const std::string& path)
{
    char resolved[PATH_MAX] = {};
    return ::realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : std::string();
}

} // namespace orvtool
