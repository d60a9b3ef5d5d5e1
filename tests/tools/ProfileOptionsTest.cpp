// The options of `orv simulate` and `orv demo` that pick the network and sender profiles by
// name: presets as the command line picks them, overrides, and errors that say what is known.
#include "commands/ProfileOptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orvtool
{
namespace
{

// Parses `args` as `orv simulate` would, and reads the profile options.
bool read(const std::vector<std::string>& args, orvsim::SimulatorSettings& settings,
          std::string& error)
{
    ParsedOptions options;
    const std::vector<OptionSpec> specs = withProfileOptions({{"--rate", "N", ""}});
    return parseOptions(specs, args, options, error) &&
           readProfileOptions(options, settings, error);
}

TEST(ProfileOptions, NamesPickPresetsAndOverridesChangeThem)
{
    orvsim::SimulatorSettings settings;
    std::string error;
    ASSERT_TRUE(read({}, settings, error)) << error;
    EXPECT_EQ(settings.network.name, "ideal");
    EXPECT_EQ(settings.sender.name, "default");
    EXPECT_EQ(settings.rate, 60.0);
    EXPECT_EQ(profileSummary(settings), "") << "nothing to say about the defaults";

    ASSERT_TRUE(read({"--network", "stalls", "--sender", "slow", "--delay", "1:8", "--loss", "0.2"},
                     settings, error))
        << error;
    EXPECT_EQ(settings.network.minDelay, 0.001);
    EXPECT_EQ(settings.network.maxDelay, 0.008);
    EXPECT_EQ(settings.network.loss, 0.2);
    EXPECT_EQ(settings.network.stallLength, 0.150) << "the rest of the preset stays";
    EXPECT_EQ(settings.rate, 30.0) << "the sender profile's rate";
    EXPECT_NE(profileSummary(settings).find("heavy-tailed delay 1-8 ms, 20% lost"),
              std::string::npos)
        << profileSummary(settings);

    orvsim::SimulatorSettings faster;
    ASSERT_TRUE(read({"--sender", "slow", "--rate", "45"}, faster, error)) << error;
    EXPECT_EQ(faster.rate, 45.0) << "--rate wins";
}

TEST(ProfileOptions, UnknownNamesAndBadValuesSayWhatIsKnown)
{
    orvsim::SimulatorSettings settings;
    std::string error;
    EXPECT_FALSE(read({"--network", "dialup"}, settings, error));
    EXPECT_EQ(error, "unknown network profile \"dialup\"; the known ones: ideal, lan, wifi, "
                     "stalls, stalls-shuffled");
    EXPECT_FALSE(read({"--sender", "fast"}, settings, error));
    EXPECT_EQ(error, "unknown sender profile \"fast\"; the known ones: default, beat0, "
                     "bpm-no-pitch, offset-grid, coarse, slow");
    for (const char* delay : {"8:1", "-1:2", "x", "1:", "20000"})
    {
        EXPECT_FALSE(read({"--delay", delay}, settings, error)) << delay;
        EXPECT_NE(error.find("--delay wants MIN:MAX"), std::string::npos) << error;
    }
    EXPECT_FALSE(read({"--loss", "1.5"}, settings, error));
}

} // namespace
} // namespace orvtool
