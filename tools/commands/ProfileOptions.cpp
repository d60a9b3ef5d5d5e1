#include "commands/ProfileOptions.h"

#include "cli/ArgumentNumbers.h"
#include "support/sim/Presets.h"

namespace orvtool
{

namespace
{

constexpr double kMostDelayMs = 10000.0;

template <typename Profile>
bool readPreset(const ParsedOptions& options, const std::string& option, const char* what,
                const std::vector<Profile>& presets, Profile& out, std::string& error)
{
    const std::string name = options.text(option, presets.front().name);
    if (orvsim::findPreset(presets, name, out))
        return true;
    error = std::string("unknown ") + what + " profile \"" + name +
            "\"; the known ones: " + orvsim::presetNames(presets);
    return false;
}

// "MIN:MAX" in milliseconds, or one number for a fixed delay.
bool readDelay(const ParsedOptions& options, orvsim::NetworkProfile& network, std::string& error)
{
    if (!options.has("--delay"))
        return true;
    const std::string text = options.text("--delay");
    const size_t colon = text.find(':');
    double least = 0.0;
    double most = 0.0;
    const bool read = colon == std::string::npos ? parseReal(text, least) && parseReal(text, most)
                                                 : parseReal(text.substr(0, colon), least) &&
                                                       parseReal(text.substr(colon + 1), most);
    if (!read || least < 0.0 || most < least || most > kMostDelayMs)
    {
        error =
            "--delay wants MIN:MAX in milliseconds, 0 <= MIN <= MAX <= 10000, not \"" + text + "\"";
        return false;
    }
    network.minDelay = least / 1000.0;
    network.maxDelay = most / 1000.0;
    return true;
}

} // namespace

std::vector<OptionSpec> withProfileOptions(std::vector<OptionSpec> options)
{
    const std::vector<OptionSpec> profiles = {
        {"--network", "NAME",
         "how the network treats the datagrams: " + orvsim::presetNames(orvsim::networkPresets()) +
             " (default ideal)"},
        {"--sender", "NAME",
         "how the simulated DJ reports its decks: " + orvsim::presetNames(orvsim::senderPresets()) +
             " (default default)"},
        {"--delay", "MIN:MAX", "the network's delay in ms (a heavy tail: its least and most)"},
        {"--loss", "P", "the share of datagrams the network loses, 0 to 1"},
        {"--duplicate", "P", "the share of datagrams that arrive twice, 0 to 1"},
    };
    options.insert(options.end(), profiles.begin(), profiles.end());
    return options;
}

bool readProfileOptions(const ParsedOptions& options, orvsim::SimulatorSettings& settings,
                        std::string& error)
{
    orvsim::NetworkProfile& network = settings.network;
    orvsim::SenderProfile& sender = settings.sender;
    if (!readPreset(options, "--network", "network", orvsim::networkPresets(), network, error) ||
        !readPreset(options, "--sender", "sender", orvsim::senderPresets(), sender, error) ||
        !readDelay(options, network, error) ||
        !options.real("--loss", network.loss, 0.0, 1.0, network.loss, error) ||
        !options.real("--duplicate", network.duplication, 0.0, 1.0, network.duplication, error) ||
        !options.real("--rate", sender.rate, 0.1, 1000.0, settings.rate, error))
        return false;
    sender.rate = settings.rate;
    return true;
}

std::string profileSummary(const orvsim::SimulatorSettings& settings)
{
    const orvsim::NetworkProfile& network = settings.network;
    const orvsim::SenderProfile& sender = settings.sender;
    std::string summary;
    if (describe(network) != describe(orvsim::NetworkProfile{}))
        summary += "network " + network.name + ": " + describe(network);
    if (sender.name != "default")
        summary +=
            (summary.empty() ? "" : "; ") + ("sender " + sender.name + ": " + describe(sender));
    return summary;
}

} // namespace orvtool
