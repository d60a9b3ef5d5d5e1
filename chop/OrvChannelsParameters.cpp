#include "OrvChannelsParameters.h"

#include "plugin/MenuParameter.h"

namespace orvchannels
{

void OrvChannelsParameters::setup(TD::OP_ParameterManager& manager)
{
    setupOrvDat(manager);
    orvplugin::appendMenu(manager, kChannelNamesName, kChannelNamesLabel, kChannelNamesItemNames,
                          kChannelNamesItemLabels);
}

bool OrvChannelsParameters::evalDescriptiveNames(const TD::OP_Inputs& inputs)
{
    return inputs.getParInt(kChannelNamesName, 0) == kDescriptiveNames;
}

} // namespace orvchannels
