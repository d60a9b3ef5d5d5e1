// What the tool needs of the operating system besides sockets (net/ has those), one
// implementation per platform: posix/PlatformPosix.cpp (Linux, macOS) and
// win32/PlatformWin32.cpp.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace orvtool
{

bool stdinIsTerminal();
bool stdoutIsTerminal();
// The rows and columns of the terminal on standard output; false when it does not say.
bool stdoutTerminalSize(int& rows, int& cols);
// Standard input delivers its bytes unchanged (no CR LF or Ctrl-Z translation on Windows).
void readStdinAsBytes();

// Full path of the running program; empty when the system does not say.
std::string executablePath();

// Who holds UDP port `port` on this machine: "orv, process 4711"; empty when the system does
// not say (another user's process, or no way to ask).
std::string udpPortOwner(uint16_t port);

// This process's id, as the system shows it.
long processId();

bool fileExists(const std::string& path);

enum class FileAccess
{
    Read,  // an existing file
    Write, // created, or emptied when it exists
};
// Opens `path` as a binary stream that a program this one starts does not inherit; null with
// the system's reason ("No such file or directory") in `error` when it cannot.
std::FILE* openFile(const std::string& path, FileAccess access, std::string& error);

enum class MoveResult
{
    Moved,
    TargetExists, // only when not replacing: both files are left as they were
    Failed,       // the reason in `error`
};
// Renames `from` to `to` in one step (both in one folder). With `replace` an existing `to` is
// replaced; without it `to` is never written over, even by a file that appears meanwhile.
MoveResult moveFile(const std::string& from, const std::string& to, bool replace,
                    std::string& error);

// `path` made absolute with "." and ".." resolved; empty when it does not exist.
std::string canonicalPath(const std::string& path);

} // namespace orvtool
