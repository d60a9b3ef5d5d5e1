#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif

#include "platform/Platform.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace orvtool
{

bool stdinIsTerminal()
{
    return _isatty(_fileno(stdin)) != 0;
}

// A console that cannot take ANSI sequences (a Windows 10 console before 1511) counts as no
// terminal, so the view falls back to plain snapshots rather than printing escape codes.
bool stdoutIsTerminal()
{
    if (_isatty(_fileno(stdout)) == 0)
        return false;
    const HANDLE console = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (console == INVALID_HANDLE_VALUE || !GetConsoleMode(console, &mode))
        return false;
    return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
           SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

bool stdoutTerminalSize(int& rows, int& cols)
{
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info))
        return false;
    // The visible window, not the scroll-back buffer.
    rows = info.srWindow.Bottom - info.srWindow.Top + 1;
    cols = info.srWindow.Right - info.srWindow.Left + 1;
    return rows > 0 && cols > 0;
}

void readStdinAsBytes()
{
    _setmode(_fileno(stdin), _O_BINARY);
}

std::string executablePath()
{
    char buffer[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::string(buffer, length) : std::string();
}

long processId()
{
    return static_cast<long>(GetCurrentProcessId());
}

bool fileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::FILE* openFile(const std::string& path, FileAccess access, std::string& error)
{
    const bool write = access == FileAccess::Write;
    const int flags =
        (write ? _O_WRONLY | _O_CREAT | _O_TRUNC : _O_RDONLY) | _O_BINARY | _O_NOINHERIT;
    const int fd = _open(path.c_str(), flags, _S_IREAD | _S_IWRITE);
    if (fd < 0)
    {
        error = std::strerror(errno);
        return nullptr;
    }
    std::FILE* file = _fdopen(fd, write ? "wb" : "rb");
    if (file == nullptr)
    {
        error = std::strerror(errno);
        _close(fd);
    }
    return file;
}

MoveResult moveFile(const std::string& from, const std::string& to, bool replace,
                    std::string& error)
{
    if (MoveFileExA(from.c_str(), to.c_str(), replace ? MOVEFILE_REPLACE_EXISTING : 0))
        return MoveResult::Moved;
    const DWORD code = GetLastError();
    if (!replace && (code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS))
        return MoveResult::TargetExists;
    error = "cannot rename " + from + " to " + to + ": error " + std::to_string(code);
    return MoveResult::Failed;
}

// Windows could tell through GetExtendedUdpTable; the tool does not ask yet.
std::string udpPortOwner(uint16_t)
{
    return "";
}

std::string canonicalPath(const std::string& path)
{
    char resolved[MAX_PATH] = {};
    const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, resolved, nullptr);
    if (length == 0 || length >= MAX_PATH ||
        GetFileAttributesA(resolved) == INVALID_FILE_ATTRIBUTES)
        return "";
    return std::string(resolved, length);
}

} // namespace orvtool
