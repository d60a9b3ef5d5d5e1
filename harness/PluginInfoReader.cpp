#include "harness/PluginInfoReader.h"

#include "harness/HostString.h"

#include <exception>
#include <optional>

// The plug-in info records keep their version fields private to these two host classes;
// the harness plays the host, so it defines them to fill in the range it supports.
class DAT_CPlusPlus
{
public:
    static void setSupportedRange(TD::DAT_PluginInfo& info, int32_t min, int32_t max)
    {
        info.MinAPIVersion = min;
        info.MaxAPIVersion = max;
    }
};

class CHOP_CPlusPlus
{
public:
    static void setSupportedRange(TD::CHOP_PluginInfo& info, int32_t min, int32_t max)
    {
        info.MinAPIVersion = min;
        info.MaxAPIVersion = max;
    }
};

namespace orvharness
{
namespace
{

std::optional<std::string> textOf(const HostString& text)
{
    if (!text.wasSet())
        return std::nullopt;
    return text.text();
}

std::string describeVersion(int32_t version)
{
    return std::to_string(version) + " (family " +
           std::to_string(TD::extractFamilyAPIVersion(version)) + ", common " +
           std::to_string(TD::extractCommonAPIVersion(version)) + ")";
}

template <class Record, class HostFriend, class Fill>
bool readPluginInfo(Fill fill, Family family, int32_t supportedVersion, PluginInfo& info,
                    std::string& error)
{
    // Value-initialised: every field the plug-in does not set reads 0 / null / its default.
    Record record{};
    HostFriend::setSupportedRange(record, supportedVersion, supportedVersion);
    HostString opType, opLabel, opIcon, authorName, authorEmail, pythonVersion;
    TD::OP_CustomOPInfo& custom = record.customOPInfo;
    custom.opType = &opType;
    custom.opLabel = &opLabel;
    custom.opIcon = &opIcon;
    custom.authorName = &authorName;
    custom.authorEmail = &authorEmail;
    custom.pythonVersion = &pythonVersion;

    try
    {
        fill(&record);
    }
    catch (const std::exception& e)
    {
        error = std::string("an exception left the plug-in info call: ") + e.what();
        return false;
    }
    catch (...)
    {
        error = "an exception left the plug-in info call";
        return false;
    }

    info.family = family;
    info.apiVersion = record.getAPIVersion();
    info.opType = textOf(opType);
    info.opLabel = textOf(opLabel);
    info.opIcon = textOf(opIcon);
    info.authorName = textOf(authorName);
    info.authorEmail = textOf(authorEmail);
    info.pythonVersion = textOf(pythonVersion);
    info.minInputs = custom.minInputs;
    info.maxInputs = custom.maxInputs;
    info.majorVersion = custom.majorVersion;
    info.minorVersion = custom.minorVersion;
    info.cookOnStart = custom.cookOnStart;

    if (!record.isAPIVersionSupported(info.apiVersion))
    {
        error = std::string("the plug-in declares ") + toString(family) + " interface version " +
                describeVersion(info.apiVersion) + "; this host supports " +
                describeVersion(supportedVersion);
        return false;
    }
    return true;
}

} // namespace

bool readDatPluginInfo(FILLDATPLUGININFO fill, PluginInfo& info, std::string& error)
{
    return readPluginInfo<TD::DAT_PluginInfo, DAT_CPlusPlus>(
        fill, Family::Dat, TD::DATCPlusPlusAPIVersion, info, error);
}

bool readChopPluginInfo(FILLCHOPPLUGININFO fill, PluginInfo& info, std::string& error)
{
    return readPluginInfo<TD::CHOP_PluginInfo, CHOP_CPlusPlus>(
        fill, Family::Chop, TD::CHOPCPlusPlusAPIVersion, info, error);
}

} // namespace orvharness
