#include "plugin/ReceiverReference.h"

#include "plugin/PluginIdentity.h"

#include <cstring>

namespace orvplugin
{

OrvReceiver* referencedReceiver(const TD::OP_Inputs& inputs, const char* name)
{
    const TD::OP_DATInput* dat = inputs.getParDAT(name);
    if (dat == nullptr || dat->customOP == nullptr)
    {
        return nullptr;
    }
    const TD::OP_CustomOPInstance<TD::DAT_CPlusPlusBase>& custom = *dat->customOP;
    if (custom.instance == nullptr || custom.opType == nullptr ||
        std::strcmp(custom.opType, kOrvDatOpType) != 0)
    {
        return nullptr;
    }
    return static_cast<OrvReceiver*>(custom.instance);
}

} // namespace orvplugin
