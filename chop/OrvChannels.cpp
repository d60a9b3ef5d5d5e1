#include "OrvChannels.h"

#include "ChannelMap.h"
#include "ChannelNames.h"
#include "OrvChannelsParameters.h"

#include "plugin/PluginExport.h"
#include "plugin/PluginInfo.h"
#include "plugin/ReceiverReference.h"

#include <algorithm>
#include <iterator>
#include <new>

extern "C"
{

    ORV_PLUGIN_EXPORT void FillCHOPPluginInfo(TD::CHOP_PluginInfo* info)
    {
        orvplugin::fillPluginInfo(info, TD::CHOPCPlusPlusAPIVersion, orvchannels::kOpType,
                                  orvchannels::kOpLabel);
    }

    ORV_PLUGIN_EXPORT TD::CHOP_CPlusPlusBase* CreateCHOPInstance(const TD::OP_NodeInfo* info)
    {
        return new (std::nothrow) OrvChannels(info);
    }

    ORV_PLUGIN_EXPORT void DestroyCHOPInstance(TD::CHOP_CPlusPlusBase* instance)
    {
        // The base destructor is protected: delete through our own type.
        delete static_cast<OrvChannels*>(instance);
    }

} // extern "C"

OrvChannels::OrvChannels(const TD::OP_NodeInfo*) {}

OrvChannels::~OrvChannels() {}

void OrvChannels::getGeneralInfo(TD::CHOP_GeneralInfo* info, const TD::OP_Inputs*, void*)
{
    info->cookEveryFrame = true;
}

bool OrvChannels::getOutputInfo(TD::CHOP_OutputInfo* info, const TD::OP_Inputs*, void*)
{
    info->numChannels = orvchannels::kChannelCount;
    info->numSamples = orvchannels::kSampleCount;
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
        OrvReceiver* receiver = orvplugin::referencedReceiver(*inputs, kOrvDatName);
        if (receiver == nullptr || !receiver->isConnected())
        {
            return;
        }
        // The host allocates the shape getOutputInfo declared; a host that refused it gets
        // nothing rather than writes past its buffers.
        if (output->channels == nullptr || output->numChannels < kChannelCount ||
            output->numSamples < kSampleCount)
        {
            return;
        }
        // Records come by value, each copied under the receiver's lock: nothing is allocated.
        writeControl(output->channels, receiver->getControl());
        for (int32_t deck = 1; deck <= kDeckCount; ++deck)
        {
            writeDeck(output->channels, deck, receiver->getDeck(deck));
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
        TD::OP_StringParameter orvDat(kOrvDatName);
        orvDat.label = kOrvDatLabel;
        orvDat.defaultValue = "";
        manager->appendDAT(orvDat);

        TD::OP_StringParameter names(kChannelNamesName);
        names.label = kChannelNamesLabel;
        names.defaultValue = kChannelNamesItemNames[0];
        const char* itemNames[kChannelNamesItems];
        const char* itemLabels[kChannelNamesItems];
        std::copy(std::begin(kChannelNamesItemNames), std::end(kChannelNamesItemNames), itemNames);
        std::copy(std::begin(kChannelNamesItemLabels), std::end(kChannelNamesItemLabels),
                  itemLabels);
        manager->appendMenu(names, kChannelNamesItems, itemNames, itemLabels);
    }
    catch (...)
    {
        // Parameters the host did not take are simply missing.
    }
}
