// The platform's dynamic loader, as the host uses it for plug-in bundles: open a file with
// every symbol resolved now and nothing shared with other bundles, look up undecorated names,
// close. One implementation per platform: posix/SharedLibraryPosix.cpp (dlopen),
// win32/SharedLibraryWin32.cpp (LoadLibrary).
#pragma once

#include <string>

namespace orvharness
{
namespace loader
{

// Opens the library file at `path` (a bare file name means the current folder, never the
// loader's search path; a macOS bundle folder Name.plugin means its code file). Null on
// failure, with the loader's reason in `error`.
void* open(const std::string& path, std::string& error);

// The address of the exported symbol `name`, or null.
void* symbol(void* library, const char* name);

void close(void* library);

} // namespace loader
} // namespace orvharness
