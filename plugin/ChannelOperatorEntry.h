// What the channel operators' three entry points do, the same for every one of them: the
// extern "C" functions stay in each operator's source (the host looks them up by name there)
// and call these.
#pragma once

#include "plugin/PluginInfo.h"

#include "CHOP_CPlusPlusBase.h"

#include <new>

namespace orvplugin
{

template <class Operator> TD::CHOP_CPlusPlusBase* createChannelOperator(const TD::OP_NodeInfo* info)
{
    return new (std::nothrow) Operator(info);
}

template <class Operator> void destroyChannelOperator(TD::CHOP_CPlusPlusBase* instance)
{
    // The base destructor is protected: delete through the operator's own type.
    delete static_cast<Operator*>(instance);
}

} // namespace orvplugin
