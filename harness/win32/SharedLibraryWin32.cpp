// The dynamic loader on Windows. A DLL resolves all its imports when it loads and has no
// global symbol space, which gives what RTLD_NOW | RTLD_LOCAL gives elsewhere.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif

#include "harness/SharedLibrary.h"

#include <windows.h>

#include <cstdint>

namespace orvharness
{
namespace loader
{

void* open(const std::string& path, std::string& error)
{
    // A full path, so that the loader looks for the DLL's own dependencies beside it and a
    // bare file name means the current folder, not the search path.
    char fullPath[MAX_PATH];
    const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, fullPath, nullptr);
    if (length == 0 || length >= MAX_PATH)
    {
        error = "cannot make a full path of it (error " + std::to_string(GetLastError()) + ")";
        return nullptr;
    }
    // No error dialog boxes: a failed load is reported, not shown.
    const UINT previousMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE library = LoadLibraryExA(fullPath, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    const DWORD code = GetLastError();
    SetErrorMode(previousMode);
    if (library == nullptr)
    {
        error = "LoadLibrary failed with error " + std::to_string(code);
    }
    return reinterpret_cast<void*>(library);
}

void* symbol(void* library, const char* name)
{
    // FARPROC is a function pointer; the caller casts the address back to its own type.
    const FARPROC address = GetProcAddress(static_cast<HMODULE>(library), name);
    return reinterpret_cast<void*>(reinterpret_cast<std::uintptr_t>(address));
}

void close(void* library)
{
    FreeLibrary(static_cast<HMODULE>(library));
}

} // namespace loader
} // namespace orvharness
