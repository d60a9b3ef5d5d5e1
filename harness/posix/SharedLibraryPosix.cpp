// The dynamic loader on Linux and macOS (where a bundle folder Name.plugin is opened through
// its code file).

#include "harness/SharedLibrary.h"

#include <dlfcn.h>
#include <sys/stat.h>

namespace orvharness
{
namespace loader
{

namespace
{

// A macOS bundle is a folder: Name.plugin/Contents/MacOS/Name holds the code.
std::string codeFileOf(const std::string& path)
{
    const std::string suffix = ".plugin";
    std::string folder = path;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    struct stat status
    {
    };
    if (folder.size() <= suffix.size() ||
        folder.compare(folder.size() - suffix.size(), suffix.size(), suffix) != 0 ||
        stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode))
    {
        return path;
    }
    const std::size_t slash = folder.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::string name = folder.substr(nameStart, folder.size() - suffix.size() - nameStart);
    return folder + "/Contents/MacOS/" + name;
}

} // namespace

void* open(const std::string& path, std::string& error)
{
    const std::string code = codeFileOf(path);
    const std::string openPath = code.find('/') == std::string::npos ? "./" + code : code;
    // RTLD_NOW: an undefined symbol fails the load, not a later call. RTLD_LOCAL: nothing of
    // one bundle resolves symbols of another. RTLD_NODELETE: as in the host application, a
    // bundle once loaded stays in the process, with the decoding tables it makes once and
    // keeps for the life of the process (unmapped, they would be memory nothing points to).
    void* library = dlopen(openPath.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (library == nullptr)
    {
        const char* text = dlerror();
        error = text != nullptr ? text : "unknown loader error";
    }
    return library;
}

void* symbol(void* library, const char* name)
{
    dlerror();
    return dlsym(library, name);
}

void close(void* library)
{
    dlclose(library);
}

} // namespace loader
} // namespace orvharness
