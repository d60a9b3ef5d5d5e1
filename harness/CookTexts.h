// Collects a node's warning and error texts after its cook, in that order, as the host asks
// for them: a fresh host string each time, so a text the plug-in does not hand over is "".
#pragma once

#include "harness/HostString.h"
#include "harness/Node.h"

namespace orvharness
{

template <class Instance> void collectCookTexts(Node& node, Instance* instance)
{
    HostString warning;
    HostString error;
    node.callPlugin("getWarningString", [&] { instance->getWarningString(&warning, nullptr); });
    node.callPlugin("getErrorString", [&] { instance->getErrorString(&error, nullptr); });
    node.warningText = warning.text();
    node.errorText = error.text();
}

} // namespace orvharness
