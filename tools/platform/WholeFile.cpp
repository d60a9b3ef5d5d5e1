#include "platform/WholeFile.h"

#include "platform/Platform.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace orvtool
{

bool readWholeFile(const std::string& path, std::string& bytes, std::string& error)
{
    bytes.clear();
    std::string why;
    std::FILE* file = openFile(path, FileAccess::Read, why);
    if (file == nullptr)
    {
        error = "cannot read " + path + ": " + why;
        return false;
    }
    char chunk[65536];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.append(chunk, got);
    const int readError = std::ferror(file) != 0 ? errno : 0; // a folder, or a failed read
    std::fclose(file);
    if (readError != 0)
    {
        error = "cannot read " + path + ": " + std::strerror(readError);
        return false;
    }
    return true;
}

} // namespace orvtool
