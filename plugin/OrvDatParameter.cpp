#include "plugin/OrvDatParameter.h"

#include "plugin/PluginIdentity.h"

#include <cstring>

namespace orvplugin
{

void OrvDatParameter::setupOrvDat(TD::OP_ParameterManager& manager)
{
    TD::OP_StringParameter orvDat(kOrvDatName);
    orvDat.label = kOrvDatLabel;
    orvDat.defaultValue = "";
    manager.appendDAT(orvDat);
}

const OrvReceiver* OrvDatParameter::evalOrvDat(const TD::OP_Inputs& inputs)
{
    const TD::OP_DATInput* dat = inputs.getParDAT(kOrvDatName);
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
    return static_cast<const OrvReceiver*>(custom.instance);
}

} // namespace orvplugin
