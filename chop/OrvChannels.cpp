#include "OrvChannels.h"

#include "ChannelMap.h"
#include "ChannelNames.h"
#include "OrvChannelsParameters.h"

#include "plugin/ChannelOperatorEntry.h"
#include "plugin/ParameterDeclarations.h"
#include "plugin/PluginExport.h"
#include "plugin/ReceiverReference.h"

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
        inputs != nullptr && inputs->getParInt(kChannelNamesName, 0) == kDescriptiveNames;
    name->setString(descriptive ? descriptiveName(index) : "chan1");
}

void OrvChannels::execute(TD::CHOP_Output* output, const TD::OP_Inputs* inputs, void*)
{
    using namespace orvchannels;
    try
    {
        const OrvReceiver* receiver =
            orvplugin::referencedReceiver(*inputs, orvplugin::kOrvDatName);
        // The host allocates the shape getOutputInfo declared; a host that refused it gets
        // nothing rather than writes past its buffers.
        if (receiver == nullptr || output->channels == nullptr ||
            output->numChannels < orvlayout::kChannelCount || output->numSamples < 1)
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
    using namespace orvchannels;
    try
    {
        orvplugin::appendOrvDatParameter(*manager);
        orvplugin::appendMenu(*manager, kChannelNamesName, kChannelNamesLabel,
                              kChannelNamesItemNames, kChannelNamesItemLabels);
    }
    catch (...)
    {
        // Parameters the host did not take are simply missing.
    }
}
