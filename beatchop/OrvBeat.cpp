#include "OrvBeat.h"

#include "BeatChannels.h"
#include "OrvBeatParameters.h"

#include "plugin/ChannelOperatorEntry.h"
#include "plugin/OutputShape.h"
#include "plugin/PluginExport.h"
#include "receiver/ArrivalClock.h"

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

constexpr int32_t kDecks = orvlayout::kDeckCount;
static_assert(kMixerDecks == kDecks, "the mixer feeds every deck of the layout");

// The channels of the node's parameters now.
int32_t channelCountOf(const TD::OP_Inputs& inputs)
{
    const int item = OrvBeatParameters::evalDeckItem(inputs);
    return channelCount(item, OrvBeatParameters::evalChannelGroups(inputs, item == kOnAirItem));
}

} // namespace

void OrvBeat::getGeneralInfo(TD::CHOP_GeneralInfo* info, const TD::OP_Inputs*, void*)
{
    info->cookEveryFrame = true;
}

bool OrvBeat::getOutputInfo(TD::CHOP_OutputInfo* info, const TD::OP_Inputs* inputs, void*)
{
    info->numChannels = channelCountOf(*inputs);
    info->numSamples = 1;
    return true;
}

void OrvBeat::getChannelName(int32_t index, TD::OP_String* name, const TD::OP_Inputs* inputs, void*)
{
    const int item = inputs != nullptr ? OrvBeatParameters::evalDeckItem(*inputs) : 0;
    const ChannelGroups groups =
        inputs != nullptr ? OrvBeatParameters::evalChannelGroups(*inputs, item == kOnAirItem)
                          : ChannelGroups{};
    name->setString(channelName(index, item, groups));
}

void OrvBeat::execute(TD::CHOP_Output* output, const TD::OP_Inputs* inputs, void*)
{
    try
    {
        const int item = OrvBeatParameters::evalDeckItem(*inputs);
        const bool onAir = item == kOnAirItem;
        const ChannelGroups groups = OrvBeatParameters::evalChannelGroups(*inputs, onAir);
        const bool phrase = groups.phrase;
        if (!enabledFor_ || enabledFor_->first != onAir || enabledFor_->second != phrase)
        {
            // Only when it changes: the host redraws the parameters' page for it.
            OrvBeatParameters::enableOnAirParameters(*inputs, onAir);
            OrvBeatParameters::enablePhraseParameters(*inputs, phrase);
            enabledFor_ = std::make_pair(onAir, phrase);
        }
        const OrvReceiver* receiver = OrvBeatParameters::evalOrvDat(*inputs);
        if (receiver != followed_ || item != followedDeckItem_)
        {
            // Another node, or other decks: what the clocks learned belongs to the old ones.
            for (BeatTracker& tracker : trackers_)
            {
                tracker.reset();
            }
            onAir_.reset();
            followed_ = receiver;
            followedDeckItem_ = item;
        }
        if (receiver == nullptr)
        {
            return;
        }
        if (!orvplugin::hasDeclaredShape(*output, channelCount(item, groups)))
        {
            return;
        }

        const bool one = item < kAllDecksItem;
        const int first = one ? item + 1 : 1;
        const int last = one ? item + 1 : kDecks;
        // One copy of one moment for the decks shown, under one hold; nothing is allocated.
        receiver->read(history_, first, last);
        if (!history_.connected)
        {
            return; // only a pulse changes that, never during a cook
        }
        const TrackerSettings settings =
            OrvBeatParameters::evalTrackerSettings(*inputs, groups.phrase);
        const double now = secondsOf(orvreceiver::steadyNow());
        for (int deck = first; deck <= last; ++deck)
        {
            const std::size_t slot = static_cast<std::size_t>(deck - 1);
            frames_[slot] = trackers_[slot].update(history_.samples[slot], true, now, settings);
        }
        ShownFrames shown;
        shown.decks = frames_.data();
        if (onAir)
        {
            followOnAir(*inputs, now, shown);
        }
        writeChannels(output->channels, item, groups, shown);
    }
    catch (...)
    {
        // A lock that cannot be taken leaves this frame's channels as they were.
    }
}

void OrvBeat::followOnAir(const TD::OP_Inputs& inputs, double nowSeconds, ShownFrames& shown)
{
    bool playing[kDecks] = {};
    OnAirClock clocks[kDecks];
    for (int slot = 0; slot < kDecks; ++slot)
    {
        const BeatOutput& frame = frames_[static_cast<std::size_t>(slot)];
        playing[slot] = frame.playing > 0.0;
        clocks[slot] = OnAirClock{playing[slot], frame.beatPulse > 0.0, frame.bpm};
    }
    const MixerState mixer{history_.control.upfaderA, history_.control.upfaderB,
                           history_.control.crossfader};
    double levels[kDecks] = {};
    deckLevels(mixer, OrvBeatParameters::evalCrossfaderRange(inputs),
               OrvBeatParameters::evalChannelADecks(inputs),
               OrvBeatParameters::evalChannelBDecks(inputs), playing, levels);

    bool switched = false;
    // A switch shows on the new deck's boundary, with the pulse its own clock gives there.
    shown.followedSlot = onAir_.update(levels, clocks, nowSeconds, switched);
    shown.mix = mixOf(levels, shown.followedSlot);
}

void OrvBeat::setupParameters(TD::OP_ParameterManager* manager, void*)
{
    try
    {
        OrvBeatParameters::setup(*manager);
    }
    catch (...)
    {
        // Parameters the host did not take are simply missing.
    }
}
