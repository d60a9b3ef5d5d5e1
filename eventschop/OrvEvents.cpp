#include "OrvEvents.h"

#include "OrvEventsParameters.h"

#include "plugin/ChannelOperatorEntry.h"
#include "plugin/OutputShape.h"
#include "plugin/PluginExport.h"

extern "C"
{

    ORV_PLUGIN_EXPORT void FillCHOPPluginInfo(TD::CHOP_PluginInfo* info)
    {
        orvplugin::fillPluginInfo(info, TD::CHOPCPlusPlusAPIVersion, orvevents::kOpType,
                                  orvevents::kOpLabel);
    }

    ORV_PLUGIN_EXPORT TD::CHOP_CPlusPlusBase* CreateCHOPInstance(const TD::OP_NodeInfo* info)
    {
        return orvplugin::createChannelOperator<OrvEvents>(info);
    }

    ORV_PLUGIN_EXPORT void DestroyCHOPInstance(TD::CHOP_CPlusPlusBase* instance)
    {
        orvplugin::destroyChannelOperator<OrvEvents>(instance);
    }

} // extern "C"

using namespace orvevents;

void OrvEvents::getGeneralInfo(TD::CHOP_GeneralInfo* info, const TD::OP_Inputs*, void*)
{
    info->cookEveryFrame = true;
}

bool OrvEvents::getOutputInfo(TD::CHOP_OutputInfo* info, const TD::OP_Inputs* inputs, void*)
{
    try
    {
        readReceiver(*inputs);
    }
    catch (...)
    {
        // A lock that cannot be taken, or no memory for a new name: the channels of the last
        // reading stay.
    }
    tracks_ = OrvEventsParameters::evalTrackChanges(*inputs);
    info->numChannels = channelCount();
    info->numSamples = 1;
    return true;
}

void OrvEvents::readReceiver(const TD::OP_Inputs& inputs)
{
    const OrvReceiver* receiver = OrvEventsParameters::evalOrvDat(inputs);
    found_ = receiver != nullptr;
    if (!found_)
    {
        state_.connected = false;
        state_.source = 0;
        state_.events.clear();
        channels_.forget();
        return;
    }
    // One copy of one moment, under one hold; only a new name allocates.
    receiver->read(state_);
    channels_.follow(state_);
}

int32_t OrvEvents::channelCount() const
{
    return (tracks_ ? kTrackChannels : 0) + static_cast<int32_t>(channels_.eventCount());
}

void OrvEvents::getChannelName(int32_t index, TD::OP_String* name, const TD::OP_Inputs*, void*)
{
    const int32_t trackChannels = tracks_ ? kTrackChannels : 0;
    if (index >= 0 && index < trackChannels)
    {
        name->setString(kTrackChannelNames[index]);
    }
    else if (index >= trackChannels &&
             static_cast<std::size_t>(index - trackChannels) < channels_.eventCount())
    {
        name->setString(channels_.eventName(static_cast<std::size_t>(index - trackChannels)));
    }
    else
    {
        name->setString("chan1");
    }
}

void OrvEvents::execute(TD::CHOP_Output* output, const TD::OP_Inputs* inputs, void*)
{
    if (!found_ || !state_.connected)
    {
        return;
    }
    if (!orvplugin::hasDeclaredShape(*output, channelCount()))
    {
        return;
    }
    channels_.write(output->channels, state_, OrvEventsParameters::evalOutput(*inputs), tracks_);
}

void OrvEvents::setupParameters(TD::OP_ParameterManager* manager, void*)
{
    try
    {
        OrvEventsParameters::setup(*manager);
    }
    catch (...)
    {
        // Parameters the host did not take are simply missing.
    }
}
