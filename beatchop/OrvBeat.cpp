#include "OrvBeat.h"

#include "BeatChannels.h"
#include "OrvBeatParameters.h"

#include "plugin/ChannelOperatorEntry.h"
#include "plugin/ParameterDeclarations.h"
#include "plugin/PluginExport.h"
#include "plugin/ReceiverReference.h"
#include "receiver/ArrivalClock.h"

#include <algorithm>
#include <iterator>

extern "C"
{

    ORV_PLUGIN_EXPORT void FillCHOPPluginInfo(TD::CHOP_PluginInfo* info)
    {
        orvplugin::fillPluginInfo(info, TD::CHOPCPlusPlusAPIVersion, orvbeat::kOpType,
                                  orvbeat::kOpLabel);
    }

    ORV_PLUGIN_EXPORT TD::CHOP_CPlusPlusBase* CreateCHOPInstance(const TD::OP_NodeInfo* info)
    {
        return orvplugin::createChannelOperator<OrvBeat>(info);
    }

    ORV_PLUGIN_EXPORT void DestroyCHOPInstance(TD::CHOP_CPlusPlusBase* instance)
    {
        orvplugin::destroyChannelOperator<OrvBeat>(instance);
    }

} // extern "C"

namespace
{

using namespace orvbeat;

constexpr int32_t kDecks = orvlayout::deckCount;

// The "Deck" menu's item: 0 to 3 for decks 1 to 4, kAllDecksItem for all of them.
int deckItem(const TD::OP_Inputs& inputs)
{
    return std::clamp(inputs.getParInt(kDeckName, 0), 0, kAllDecksItem);
}

TrackerSettings settingsOf(const TD::OP_Inputs& inputs)
{
    TrackerSettings settings;
    settings.beatsPerBar = inputs.getParInt(kBeatsPerBarName, 0); // the tracker clamps it
    settings.bpmIncludesPitch = inputs.getParInt(kBpmIncludesPitchName, 0) != 0;
    return settings;
}

} // namespace

void OrvBeat::getGeneralInfo(TD::CHOP_GeneralInfo* info, const TD::OP_Inputs*, void*)
{
    info->cookEveryFrame = true;
}

bool OrvBeat::getOutputInfo(TD::CHOP_OutputInfo* info, const TD::OP_Inputs* inputs, void*)
{
    const bool all = deckItem(*inputs) == kAllDecksItem;
    info->numChannels = kChannelsPerDeck * (all ? kDecks : 1);
    info->numSamples = 1;
    return true;
}

void OrvBeat::getChannelName(int32_t index, TD::OP_String* name, const TD::OP_Inputs* inputs, void*)
{
    name->setString(channelName(index, inputs != nullptr && deckItem(*inputs) == kAllDecksItem));
}

void OrvBeat::execute(TD::CHOP_Output* output, const TD::OP_Inputs* inputs, void*)
{
    try
    {
        const int item = deckItem(*inputs);
        const OrvReceiver* receiver =
            orvplugin::referencedReceiver(*inputs, orvplugin::kOrvDatName);
        if (receiver != followed_ || item != followedDeckItem_)
        {
            // Another node, or other decks: what the clocks learned belongs to the old ones.
            for (BeatTracker& tracker : trackers_)
            {
                tracker.reset();
            }
            followed_ = receiver;
            followedDeckItem_ = item;
        }
        if (receiver == nullptr)
        {
            return;
        }
        const bool all = item == kAllDecksItem;
        const int32_t channels = kChannelsPerDeck * (all ? kDecks : 1);
        // The host allocates the shape getOutputInfo declared; a host that refused it gets
        // nothing rather than writes past its buffers.
        if (output->channels == nullptr || output->numChannels < channels || output->numSamples < 1)
        {
            return;
        }

        const int first = all ? 1 : item + 1;
        const int last = all ? kDecks : item + 1;
        // One copy of one moment for the decks shown, under one hold; nothing is allocated.
        receiver->read(history_, first, last);
        if (!history_.connected)
        {
            return; // only a pulse changes that, never during a cook
        }
        const TrackerSettings settings = settingsOf(*inputs);
        const double now = secondsOf(orvreceiver::steadyNow());
        for (int deck = first; deck <= last; ++deck)
        {
            const std::size_t slot = static_cast<std::size_t>(deck - 1);
            const BeatOutput beat =
                trackers_[slot].update(history_.samples[slot], true, now, settings);
            writeChannels(output->channels, kChannelsPerDeck * (deck - first), beat);
        }
    }
    catch (...)
    {
        // A lock that cannot be taken leaves this frame's channels as they were.
    }
}

void OrvBeat::setupParameters(TD::OP_ParameterManager* manager, void*)
{
    try
    {
        orvplugin::appendOrvDatParameter(*manager);
        orvplugin::appendMenu(*manager, kDeckName, kDeckLabel, kDeckItemNames, kDeckItemLabels);

        TD::OP_NumericParameter beatsPerBar(kBeatsPerBarName);
        beatsPerBar.label = kBeatsPerBarLabel;
        beatsPerBar.defaultValues[0] = kDefaultBeatsPerBar;
        beatsPerBar.minValues[0] = beatsPerBar.minSliders[0] = 1;
        beatsPerBar.maxValues[0] = beatsPerBar.maxSliders[0] = kMostBeatsPerBar;
        beatsPerBar.clampMins[0] = beatsPerBar.clampMaxes[0] = true;
        manager->appendInt(beatsPerBar, 1);

        TD::OP_NumericParameter includesPitch(kBpmIncludesPitchName);
        includesPitch.label = kBpmIncludesPitchLabel;
        includesPitch.defaultValues[0] = 1;
        manager->appendToggle(includesPitch);
    }
    catch (...)
    {
        // Parameters the host did not take are simply missing.
    }
}
