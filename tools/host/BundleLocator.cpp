#include "host/BundleLocator.h"

#include <sys/stat.h>
#include <unistd.h>

#ifdef __APPLE__
#include <mach-o/dyld.h>
#endif

#include <climits>
#include <vector>

namespace orvtool
{

namespace
{

#if defined(__APPLE__)
constexpr const char* kBundleSuffix = ".plugin";
#elif defined(_WIN32)
constexpr const char* kBundleSuffix = ".dll";
#else
constexpr const char* kBundleSuffix = ".so";
#endif

bool exists(const std::string& path)
{
    struct stat info{};
    return ::stat(path.c_str(), &info) == 0;
}

std::string executableFolder()
{
    std::string path;
#if defined(__APPLE__)
    char buffer[PATH_MAX] = {};
    uint32_t size = sizeof buffer;
    if (_NSGetExecutablePath(buffer, &size) == 0)
        path = buffer;
#else
    char buffer[PATH_MAX] = {};
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length > 0)
        path.assign(buffer, static_cast<size_t>(length));
#endif
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

BundlePaths pathsIn(const std::string& folder)
{
    BundlePaths paths;
    paths.folder = folder;
    paths.dat = folder + "/" + datBundleFileName();
    paths.channels = folder + "/" + channelsBundleFileName();
    return paths;
}

} // namespace

std::string datBundleFileName()
{
    return std::string("OrvDat") + kBundleSuffix;
}

std::string channelsBundleFileName()
{
    return std::string("OrvChannels") + kBundleSuffix;
}

bool locateBundles(const std::string& explicitFolder, BundlePaths& out, std::string& error)
{
    std::vector<std::string> folders;
    if (!explicitFolder.empty())
    {
        folders.push_back(explicitFolder);
    }
    else
    {
        const std::string here = executableFolder();
        folders = {here, here + "/bundles", here + "/../bundles"};
#ifdef ORV_BUILD_BUNDLE_DIR
        folders.push_back(ORV_BUILD_BUNDLE_DIR);
#endif
    }

    for (const std::string& folder : folders)
    {
        const BundlePaths paths = pathsIn(folder);
        if (exists(paths.dat) && exists(paths.channels))
        {
            out = paths;
            return true;
        }
    }
    error = "cannot find " + datBundleFileName() + " and " + channelsBundleFileName() + " in";
    for (const std::string& folder : folders)
        error += "\n  " + folder;
    error += "\nBuild them (cmake --build --preset release builds them with orv) or name their "
             "folder with --bundles DIR.";
    return false;
}

} // namespace orvtool
