// The tool's help and its manual say what the build makes: every bundle the build defines is
// named wherever the bundles are listed, and a help topic the tool does not have is a usage
// error, not the overview.
#include "ToolProcess.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace orvtooltest
{
namespace
{

// The build's bundle targets, as CMake lists them (ORV_BUNDLE_NAMES="OrvDat,OrvChannels,...").
std::vector<std::string> builtBundles()
{
    std::vector<std::string> names;
    std::istringstream list(ORV_BUNDLE_NAMES);
    for (std::string name; std::getline(list, name, ',');)
        names.push_back(name);
    return names;
}

std::string fileText(const char* path)
{
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The sentences of a text: up to a full stop followed by a space or a line's end.
std::vector<std::string> sentences(const std::string& text)
{
    std::vector<std::string> found(1);
    for (size_t k = 0; k < text.size(); ++k)
    {
        found.back() += text[k];
        if (text[k] == '.' && (k + 1 == text.size() || text[k + 1] == ' ' || text[k + 1] == '\n'))
            found.emplace_back();
    }
    return found;
}

// `text` names every bundle, and a sentence that lists several names them all: a list of
// three where there are four is what goes stale when a bundle is added.
void expectEveryBundleNamed(const std::string& what, const std::string& text, bool listsComplete)
{
    SCOPED_TRACE(what);
    const std::vector<std::string> bundles = builtBundles();
    for (const std::string& bundle : bundles)
        EXPECT_NE(text.find(bundle), std::string::npos) << bundle;
    if (!listsComplete)
        return;
    for (const std::string& sentence : sentences(text))
    {
        size_t named = 0;
        for (const std::string& bundle : bundles)
            named += sentence.find(bundle) != std::string::npos ? 1 : 0;
        EXPECT_TRUE(named <= 2 || named == bundles.size())
            << "names " << named << " of " << bundles.size() << ":\n"
            << sentence;
    }
}

TEST(Help, TheHelpAndTheDocsNameEveryBundleTheBuildMakes)
{
    ASSERT_GE(builtBundles().size(), 4u) << ORV_BUNDLE_NAMES;
    const std::vector<std::vector<std::string>> helps = {{"--help"},
                                                         {"help", "demo"},
                                                         {"help", "monitor"},
                                                         {"demo", "--help"},
                                                         {"monitor", "--help"}};
    for (const std::vector<std::string>& args : helps)
    {
        const ToolRun help = runTool(args);
        ASSERT_EQ(help.status, 0) << args.back();
        expectEveryBundleNamed("orv " + args[0] + " " + args.back(), help.out, true);
    }
    expectEveryBundleNamed("docs/tool.md", fileText(ORV_TOOL_DOC), true);
    expectEveryBundleNamed("README.md", fileText(ORV_README), false);
}

TEST(Help, EveryCommandHasHelpAndBadUseExitsWithTwo)
{
    for (const char* command :
         {"demo", "monitor", "simulate", "send", "decode", "record", "replay"})
    {
        const ToolRun help = runTool({command, "--help"});
        EXPECT_EQ(help.status, 0) << command;
        EXPECT_EQ(help.out.rfind(std::string("Usage: orv ") + command, 0), 0u) << help.out;
        EXPECT_EQ(runTool({"help", command}).out, help.out);
    }
    EXPECT_EQ(runTool({}).status, 2);
    EXPECT_EQ(runTool({"dance"}).status, 2);
    EXPECT_EQ(runTool({"demo", "--no-such-option"}).status, 2);
    EXPECT_EQ(runTool({"demo", "--duration", "soon"}).status, 2);

    const ToolRun bogus = runTool({"help", "bogus"});
    EXPECT_EQ(bogus.status, 2);
    EXPECT_EQ(bogus.out, "");
    EXPECT_NE(bogus.err.find("no help on \"bogus\": the topics are demo, monitor, "),
              std::string::npos)
        << bogus.err;
    EXPECT_NE(bogus.err.find("replay, --version"), std::string::npos) << bogus.err;
    EXPECT_EQ(runTool({"--help", "bogus"}).status, 2);
}

} // namespace
} // namespace orvtooltest
