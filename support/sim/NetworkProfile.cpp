#include "support/sim/NetworkProfile.h"

#include "support/sim/ProfileText.h"

namespace orvsim
{

namespace
{

NetworkProfile uniform(const char* name, double minMs, double maxMs, double loss)
{
    NetworkProfile profile;
    profile.name = name;
    profile.minDelay = minMs / 1000.0;
    profile.maxDelay = maxMs / 1000.0;
    profile.loss = loss;
    return profile;
}

// A link that is mostly quick with a long tail, and every few seconds holds everything for
// 150 ms (a Wi-Fi scan, a busy access point) before letting it through at once.
NetworkProfile stalling(const char* name, bool shuffled)
{
    NetworkProfile profile = uniform(name, 2.0, 25.0, 0.15);
    profile.tailScale = 0.002;
    profile.stallEvery = 4.0;
    profile.stallLength = 0.150;
    profile.shuffleBursts = shuffled;
    return profile;
}

} // namespace

const std::vector<NetworkProfile>& networkPresets()
{
    static const std::vector<NetworkProfile> presets = []
    {
        NetworkProfile wifi = uniform("wifi", 0.0, 30.0, 0.15);
        wifi.swap = 0.05;
        return std::vector<NetworkProfile>{
            NetworkProfile{},          uniform("lan", 0.0, 5.0, 0.10),    wifi,
            stalling("stalls", false), stalling("stalls-shuffled", true),
        };
    }();
    return presets;
}

std::string describe(const NetworkProfile& profile)
{
    std::vector<std::string> parts;
    if (profile.maxDelay > 0.0)
    {
        parts.push_back((profile.tailScale > 0.0 ? "heavy-tailed delay " : "delay ") +
                        millisecondsText(profile.minDelay) + "-" +
                        millisecondsText(profile.maxDelay) + " ms");
    }
    if (profile.swap > 0.0)
        parts.push_back(percentText(profile.swap) + " overtaken by the next");
    if (profile.loss > 0.0)
        parts.push_back(percentText(profile.loss) + " lost");
    if (profile.duplication > 0.0)
        parts.push_back(percentText(profile.duplication) + " duplicated");
    if (profile.stallEvery > 0.0 && profile.stallLength > 0.0)
    {
        parts.push_back("a " + millisecondsText(profile.stallLength) + " ms stall every " +
                        roundedText(profile.stallEvery, 1) + " s, released " +
                        (profile.shuffleBursts ? "shuffled" : "in order"));
    }
    return joinedOrNone(parts, "no delay, no loss");
}

} // namespace orvsim
