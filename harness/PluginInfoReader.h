// Calls a bundle's Fill...PluginInfo the way the host does: with a zeroed record whose text
// fields are host strings and whose supported interface range is the host's, and reads back
// what the plug-in declared.
#pragma once

#include "harness/PluginInfo.h"

#include "CHOP_CPlusPlusBase.h"
#include "DAT_CPlusPlusBase.h"

#include <string>

namespace orvharness
{

// False, with the reason in `error`, when the fill throws or the plug-in sets an interface
// version outside the host's range (DAT 65540, CHOP 65546: family 4 / 10, common 1).
bool readDatPluginInfo(FILLDATPLUGININFO fill, PluginInfo& info, std::string& error);
bool readChopPluginInfo(FILLCHOPPLUGININFO fill, PluginInfo& info, std::string& error);

} // namespace orvharness
