// What the tool needs of the operating system besides sockets, one implementation per
// platform: PlatformPosix.cpp (Linux, macOS) and PlatformWin32.cpp.
#pragma once

#include <string>

namespace orvtool
{

bool stdinIsTerminal();
bool stdoutIsTerminal();
// Standard input delivers its bytes unchanged (no CR LF or Ctrl-Z translation on Windows).
void readStdinAsBytes();

// Full path of the running program; empty when the system does not say.
std::string executablePath();

// `path` made absolute with "." and ".." resolved; empty when it does not exist.
std::string canonicalPath(const std::string& path);

// The system's words for an error number as the receiver shows it (errno, or a Winsock or
// Windows error number on Windows).
std::string systemErrorText(int number);

} // namespace orvtool
