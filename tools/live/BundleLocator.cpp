#include "live/BundleLocator.h"

#include "platform/Platform.h"

#include <iterator>
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

std::string executableFolder()
{
    const std::string path = executablePath();
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

BundlePaths pathsIn(const std::string& folder)
{
    BundlePaths paths;
    paths.folder = folder;
    paths.dat = folder + "/" + bundleFileName("OrvDat");
    paths.channels = folder + "/" + bundleFileName("OrvChannels");
    paths.beat = folder + "/" + bundleFileName("OrvBeat");
    paths.events = folder + "/" + bundleFileName("OrvEvents");
    return paths;
}

// "OrvDat.so, OrvChannels.so, ... and OrvEvents.so" for the suffix ".so".
std::string namesText(const std::string& suffix)
{
    std::string text;
    const size_t count = std::size(kBundleNames);
    for (size_t k = 0; k < count; ++k)
    {
        text += k == 0 ? "" : k + 1 == count ? " and " : ", ";
        text += kBundleNames[k] + suffix;
    }
    return text;
}

} // namespace

std::string bundleNamesText()
{
    return namesText("");
}

std::string bundleFileName(const std::string& bundle)
{
    return bundle + kBundleSuffix;
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
        if (fileExists(paths.dat) && fileExists(paths.channels) && fileExists(paths.beat) &&
            fileExists(paths.events))
        {
            // "build/release/tools/../bundles" reads better as "build/release/bundles".
            const std::string resolved = canonicalPath(folder);
            out = !resolved.empty() ? pathsIn(resolved) : paths;
            return true;
        }
    }
    error = "cannot find " + namesText(kBundleSuffix) + " in";
    for (const std::string& folder : folders)
        error += "\n  " + folder;
    error += "\nBuild them (cmake --build --preset release builds them with orv) or name their "
             "folder with --bundles DIR.";
    return false;
}

} // namespace orvtool
