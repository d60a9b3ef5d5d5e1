// Sets a plug-in info record's interface version with whichever means the host headers offer:
// the newer headers keep apiVersion private behind setAPIVersion (which also says whether the
// host supports the version), older ones have a public apiVersion field. The version
// constants are variables, not macros, so the choice is made by overload resolution: the
// setAPIVersion form is preferred (int beats long) and drops out when the call is ill-formed.
#pragma once

#include <cstdint>

namespace orvplugin
{

template <class PluginInfo>
auto setApiVersion(PluginInfo* info, int32_t version, int) -> decltype(info->setAPIVersion(version))
{
    return info->setAPIVersion(version);
}

template <class PluginInfo> bool setApiVersion(PluginInfo* info, int32_t version, long)
{
    info->apiVersion = version;
    return true;
}

// Returns false when the host reports that it does not support the version.
template <class PluginInfo> bool setApiVersion(PluginInfo* info, int32_t version)
{
    return setApiVersion(info, version, 0);
}

} // namespace orvplugin
