#include "platform/Platform.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#ifdef __APPLE__
#include <mach-o/dyld.h>
#endif

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
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

long processId()
{
    return static_cast<long>(::getpid());
}

bool fileExists(const std::string& path)
{
    struct stat info
    {
    };
    return ::stat(path.c_str(), &info) == 0;
}

std::FILE* openFile(const std::string& path, FileAccess access, std::string& error)
{
    const bool write = access == FileAccess::Write;
    const int flags = (write ? O_WRONLY | O_CREAT | O_TRUNC : O_RDONLY) | O_CLOEXEC;
    const int fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0)
    {
        error = std::strerror(errno);
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, write ? "wb" : "rb");
    if (file == nullptr)
    {
        error = std::strerror(errno);
        ::close(fd);
    }
    return file;
}

MoveResult moveFile(const std::string& from, const std::string& to, bool replace,
                    std::string& error)
{
    if (!replace)
    {
        // A hard link is made only where no file is: the one step that never writes over.
        if (::link(from.c_str(), to.c_str()) == 0)
        {
            ::unlink(from.c_str());
            return MoveResult::Moved;
        }
        if (errno == EEXIST)
            return MoveResult::TargetExists;
        // A file system without hard links (FAT, some network shares): look, then rename.
        if (fileExists(to))
            return MoveResult::TargetExists;
    }
    if (std::rename(from.c_str(), to.c_str()) == 0)
        return MoveResult::Moved;
    error = "cannot rename " + from + " to " + to + ": " + std::strerror(errno);
    return MoveResult::Failed;
}

std::string canonicalPath(const std::string& path)
{
    char resolved[PATH_MAX] = {};
    return ::realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : std::string();
}

} // namespace orvtool
