// Loading bundles: what Fill...PluginInfo declared, and clear reasons when a file is no
// usable bundle.
#include "TestBundles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

namespace orvharness
{
namespace
{

TEST(BundleLoad, ReadsTheTablePluginInfo)
{
    const PluginInfo& info = test::echoBundle().info();
    EXPECT_EQ(info.family, Family::Dat);
    EXPECT_EQ(info.apiVersion, 65540);
    EXPECT_EQ(info.opType, "Echotable");
    EXPECT_EQ(info.opLabel, "Echo Table");
    EXPECT_EQ(info.opIcon, "ECH");
    EXPECT_EQ(info.authorName, "Harness Tests");
    EXPECT_EQ(info.authorEmail, "tests@example.org");
    EXPECT_EQ(info.pythonVersion, std::nullopt);
    EXPECT_EQ(info.minInputs, 0);
    EXPECT_EQ(info.maxInputs, 1);
    EXPECT_EQ(info.majorVersion, 2);
    EXPECT_EQ(info.minorVersion, 7);
}

TEST(BundleLoad, ReadsTheChannelPluginInfoAndTellsTextsNeverSet)
{
    const PluginInfo& info = test::rampBundle().info();
    EXPECT_EQ(info.family, Family::Chop);
    EXPECT_EQ(info.apiVersion, 65546);
    EXPECT_EQ(info.opType, "Ramp");
    EXPECT_EQ(info.opIcon, std::nullopt);
    // Fields the plug-in leaves alone keep the host's defaults.
    EXPECT_EQ(info.minInputs, 0);
    EXPECT_EQ(info.maxInputs, 0);
    EXPECT_EQ(info.majorVersion, 0);
    EXPECT_EQ(info.minorVersion, 1);
    EXPECT_FALSE(info.cookOnStart);
}

std::string loadError(const std::string& path)
{
    std::string error;
    EXPECT_EQ(Bundle::load(path, error), nullptr) << path;
    return error;
}

TEST(BundleLoad, MissingFileIsNamed)
{
    const std::string error = loadError("/nonexistent/Nothing.so");
    EXPECT_NE(error.find("no bundle file"), std::string::npos) << error;
    EXPECT_NE(error.find("/nonexistent/Nothing.so"), std::string::npos) << error;
}

TEST(BundleLoad, FileThatIsNoLibraryFailsWithTheLoadersReason)
{
    const std::string path = ::testing::TempDir() + "harness_not_a_library.so";
    std::ofstream(path) << "not an ELF file\n";
    const std::string error = loadError(path);
    std::remove(path.c_str());
    EXPECT_NE(error.find("cannot load"), std::string::npos) << error;
}

TEST(BundleLoad, ModuleWithoutEntryPointsIsRefused)
{
    const std::string error = loadError(NOT_A_PLUGIN_PATH);
    EXPECT_NE(error.find("exports neither FillDATPluginInfo nor FillCHOPPluginInfo"),
              std::string::npos)
        << error;
}

TEST(BundleLoad, MissingCreateEntryPointIsNamed)
{
    const std::string error = loadError(ECHO_NO_CREATE_PATH);
    EXPECT_NE(error.find("does not export CreateDATInstance"), std::string::npos) << error;
}

TEST(BundleLoad, UnsupportedInterfaceVersionIsRefused)
{
    const std::string error = loadError(ECHO_OLD_VERSION_PATH);
    EXPECT_NE(error.find("65539 (family 3, common 1)"), std::string::npos) << error;
    EXPECT_NE(error.find("supports 65540"), std::string::npos) << error;
}

TEST(BundleLoad, SameFileLoadedTwiceGivesTwoUsableBundles)
{
    std::string error;
    auto first = Bundle::load(ECHO_DAT_PATH, error);
    auto second = Bundle::load(ECHO_DAT_PATH, error);
    ASSERT_NE(first, nullptr) << error;
    ASSERT_NE(second, nullptr) << error;
    first.reset();
    EXPECT_EQ(second->info().opType, "Echotable");
}

} // namespace
} // namespace orvharness
