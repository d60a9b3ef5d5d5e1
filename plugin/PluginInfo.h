// What every bundle's Fill...PluginInfo writes: the interface version first, then the
// operator's type and label and the author, each through the host's setString.
#pragma once

#include "plugin/ApiVersion.h"
#include "plugin/PluginIdentity.h"

#include <cstdint>

namespace orvplugin
{

// False (and nothing else written) when the host reports the version unsupported.
template <class PluginInfo>
bool fillPluginInfo(PluginInfo* info, int32_t version, const char* opType, const char* opLabel)
{
    if (info == nullptr || !setApiVersion(info, version))
    {
        return false;
    }
    info->customOPInfo.opType->setString(opType);
    info->customOPInfo.opLabel->setString(opLabel);
    info->customOPInfo.authorName->setString(kAuthorName);
    info->customOPInfo.authorEmail->setString(kAuthorEmail);
    return true;
}

} // namespace orvplugin
