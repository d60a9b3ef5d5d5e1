// Where the OrvDat, OrvChannels, OrvBeat and OrvEvents bundle files are: the folder --bundles
// names, else the executable's own folder, its bundles/ subfolder, ../bundles beside it (the build
// tree puts the tool in build/<preset>/tools and the bundles in build/<preset>/bundles), and last
// the bundle folder of the build that made this executable.
#pragma once

#include <string>

namespace orvtool
{

struct BundlePaths
{
    std::string folder;
    std::string dat;      // .../OrvDat.so
    std::string channels; // .../OrvChannels.so
    std::string beat;     // .../OrvBeat.so
    std::string events;   // .../OrvEvents.so
};

// Every bundle the tool loads, in the order the texts name them.
inline constexpr const char* kBundleNames[] = {"OrvDat", "OrvChannels", "OrvBeat", "OrvEvents"};
// "OrvDat, OrvChannels, OrvBeat and OrvEvents", for help texts and messages.
std::string bundleNamesText();

// The file name of a bundle on this platform: "OrvDat" gives "OrvDat.so", ...
std::string bundleFileName(const std::string& bundle);

// False, with the folders looked in, when no folder holds all four files (they must come
// from one build: the channel operators read the table operator's object). A folder given by
// `explicitFolder` (non-empty) is the only one looked in.
bool locateBundles(const std::string& explicitFolder, BundlePaths& out, std::string& error);

} // namespace orvtool
