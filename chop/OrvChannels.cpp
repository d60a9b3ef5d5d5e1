#include "OrvChannels.h"

#include "ChannelMap.h"
#include "ChannelNames.h"
#include "OrvChannelsParameters.h"

#include "plugin/ChannelOperatorEntry.h"
#include "plugin/OutputShape.h"
#include "plugin/PluginExport.h"

extern "C"
{

    ORV_PLUGIN_EXPORT void FillCHOPPluginInfo(TD::CHOP_PluginInfo* info)
    {
        orvplugin::fillPluginInfo(info, TD::CHOPCPlusPlusAPIVersion, orvchannels::kOpType,
                                  orvchannels::kOpLabel);
    }

    ORV_PLUGIN_EXPORT TD::CHOP_CPlusPlusBase* CreateCHOPInstance(const TD::OP_NodeInfo* info)
    {
        return orvplugin::createChannelOperator<OrvChannels>(info);
    }

    ORV_PLUGIN_EXPORT void DestroyCHOPInstance(TD::CHOP_CPlusPlusBase* instance)
    {
        orvplugin::destroyChannelOperator<OrvChannels>(instance);
    }

} // extern "C"

void OrvChannels::getGeneralInfo(TD::CHOP_GeneralInfo* info, const TD::OP_Inputs*, void*)
{
    info->cookEveryFrame = true;
}

bool OrvChannels::getOutputInfo(TD::CHOP_OutputInfo* info, const TD::OP_Inputs*, void*)
{
    info->numChannels = orvlayout::kChannelCount;
    info->numSamples = 1;
    return true;
}

void OrvChannels::getChannelName(int32_t index, TD::OP_String* name, const TD::OP_Inputs* inputs,
                                 void*)
{
    using namespace orvchannels;
    const bool descriptive =
        inputs != nullptr && OrvChannelsParameters::evalDescriptiveNames(*inputs);
    name->setString(descriptive ? descriptiveName(index) : "chan1");
}

void OrvChannels::execute(TD::CHOP_Output* output, const TD::OP_Inputs* inputs, void*)
{
    using namespace orvchannels;
    try
    {
        const OrvReceiver* receiver = OrvChannelsParameters::evalOrvDat(*inputs);
        if (receiver == nullptr || !orvplugin::hasDeclaredShape(*output, orvlayout::kChannelCount))
        {
            return;
        }
        // One copy of one moment, under one hold; nothing is allocated.
        ReceiverNumbers numbers;
        receiver->read(numbers);
        if (!numbers.connected)
        {
            return;
        }
        writeControl(output->channels, numbers.control);
        for (int32_t deck = 1; deck <= orvlayout::kDeckCount; ++deck)
        {
            writeDeck(output->channels, deck, numbers.decks[static_cast<std::size_t>(deck - 1)]);
        }
    }
    catch (...)
    {
        // A lock that cannot be taken leaves this frame's channels as they were.
    }
}

void OrvChannels::setupParameters(TD::OP_ParameterManager* manager, void*)
{
    try
    {
        orvchannels::OrvChannelsParameters::setup(*manager);
    }
    catch (...)
    {
        // Parameters the host did not take are simply missing.
    }
}
