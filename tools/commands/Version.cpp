// orv --version: the build this tool comes from, and what each bundle beside it declares: the
// interface version it asks the host for and the build version its Info DAT shows. The channel
// operators read the table operator's object directly, so the bundles must all come from one
// build; this is where a user can check that they do.
#include "commands/Command.h"

#include "OrvVersion.h"

#include "harness/Bundle.h"
#include "harness/Network.h"
#include "live/BundleLocator.h"

#include <cstdint>
#include <iostream>
#include <memory>
#include <string>

namespace orvtool
{

namespace
{

// "65540 (DAT 4, common 1)": the family version in the low 16 bits, the common one above.
std::string interfaceText(const orvharness::PluginInfo& info)
{
    const int32_t version = info.apiVersion;
    return std::to_string(version) + " (" + orvharness::toString(info.family) + " " +
           std::to_string(version & 0xFFFF) + ", common " +
           std::to_string((version >> 16) & 0xFFFF) + ")";
}

// The "version" row of a node's Info DAT, or "" when the bundle shows none.
std::string bundleVersion(const orvharness::Bundle& bundle)
{
    orvharness::Network net;
    const orvharness::NodeId node = net.createNode(bundle, "version_probe");
    if (node == orvharness::noNode)
        return std::string();
    for (const std::vector<std::string>& row : net.infoTable(node))
    {
        if (row.size() >= 2 && row[0] == "version")
            return row[1];
    }
    return std::string();
}

int runVersion(const ParsedOptions& options)
{
    std::cout << "orv " << orvversion::kVersionText << "\n"
              << "  project version  " << orvversion::kProjectVersion << "\n"
              << "  commit           " << orvversion::kCommit << "\n";

    BundlePaths paths;
    std::string error;
    if (!locateBundles(options.text("--bundles"), paths, error))
    {
        std::cerr << "orv --version: " << error << "\n";
        return kExitFailure;
    }
    std::cout << "bundles in " << paths.folder << ":\n";
    bool oneBuild = true;
    for (const auto& [name, path] : {std::pair<std::string, std::string>{"OrvDat", paths.dat},
                                     {"OrvChannels", paths.channels},
                                     {"OrvBeat", paths.beat},
                                     {"OrvEvents", paths.events}})
    {
        std::string label = name;
        label.resize(13, ' ');
        std::unique_ptr<orvharness::Bundle> bundle = orvharness::Bundle::load(path, error);
        if (!bundle)
        {
            std::cout << "  " << label << "not loadable: " << error << "\n";
            oneBuild = false;
            continue;
        }
        const std::string version = bundleVersion(*bundle);
        std::cout << "  " << label << (version.empty() ? "no version shown" : version)
                  << "  interface " << interfaceText(bundle->info()) << "\n";
        oneBuild = oneBuild && version == orvversion::kVersionText;
    }
    if (!oneBuild)
    {
        std::cerr << "orv --version: the bundles and this tool do not all come from one build "
                     "("
                  << orvversion::kVersionText
                  << "); install the bundles and orv of one build together\n";
        return kExitFailure;
    }
    return kExitOk;
}

} // namespace

const Command& versionCommand()
{
    static const Command command{
        "--version",
        "the build of this tool and of the bundles beside it",
        "orv --version [--bundles DIR]",
        "Prints this tool's version (project version and commit), then for each bundle the\n"
        "version its Info DAT shows and the interface version it declares to the host.\n"
        "Exits 1 when a bundle is missing or comes from another build than the tool.",
        {{"--bundles", "DIR", "folder holding the bundles (default: beside orv)"}},
        "  orv --version\n"
        "  orv --version --bundles /path/to/bundles\n",
        runVersion,
    };
    return command;
}

} // namespace orvtool
