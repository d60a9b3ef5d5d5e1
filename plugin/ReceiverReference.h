// How a channel operator reaches the receiver of the table operator that one of its
// parameters names. The host resolves the reference to the referenced node's record; for a
// custom operator that record carries its plug-in instance and its operator type.
#pragma once

#include "receiver/OrvReceiver.h"

#include "CPlusPlus_Common.h"

namespace orvplugin
{

// The receiver behind the table operator that the DAT parameter `name` names, or null when
// the parameter is empty, names no custom operator, or names one of another type: reading a
// foreign plug-in's instance as a receiver would read memory of unknown layout. Valid for the
// call into the plug-in that asked (the host keeps the node until then); never kept.
OrvReceiver* referencedReceiver(const TD::OP_Inputs& inputs, const char* name);

} // namespace orvplugin
