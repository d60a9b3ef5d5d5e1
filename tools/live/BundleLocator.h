// Where the OrvDat and OrvChannels bundle files are: the folder --bundles names, else the
// executable's own folder, its bundles/ subfolder, ../bundles beside it (the build tree puts
// the tool in build/<preset>/tools and the bundles in build/<preset>/bundles), and last the
// bundle folder of the build that made this executable.
#pragma once

#include <string>

namespace orvtool
{

struct BundlePaths
{
    std::string folder;
    std::string dat;      // .../OrvDat.so
    std::string channels; // .../OrvChannels.so
};

// The file names of the two bundles on this platform ("OrvDat.so", ...).
std::string datBundleFileName();
std::string channelsBundleFileName();

// False, with the folders looked in, when no folder holds both files. A folder given by
// `explicitFolder` (non-empty) is the only one looked in.
bool locateBundles(const std::string& explicitFolder, BundlePaths& out, std::string& error);

} // namespace orvtool
