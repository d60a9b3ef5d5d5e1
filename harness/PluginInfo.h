// What a bundle's Fill...PluginInfo entry point declared, as the headless host read it back.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace orvharness
{

// The operator family of a bundle, told by which Fill...PluginInfo entry point it exports.
enum class Family
{
    Dat,
    Chop,
};

const char* toString(Family family);

struct PluginInfo
{
    Family family = Family::Dat;
    // The version the plug-in set (setAPIVersion or the field), e.g. 65540 for DAT 4 / common 1.
    int32_t apiVersion = 0;
    // Each text is empty (std::nullopt) when the plug-in never called setString on that field;
    // otherwise it holds the last text handed over (possibly "").
    std::optional<std::string> opType;
    std::optional<std::string> opLabel;
    std::optional<std::string> opIcon;
    std::optional<std::string> authorName;
    std::optional<std::string> authorEmail;
    std::optional<std::string> pythonVersion;
    int32_t minInputs = 0;
    int32_t maxInputs = 0;
    int32_t majorVersion = 0;
    int32_t minorVersion = 1;
    bool cookOnStart = false;
};

} // namespace orvharness
