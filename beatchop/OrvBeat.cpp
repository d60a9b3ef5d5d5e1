#include "OrvBeat.h"

#include "BeatChannels.h"
#include "OrvBeatParameters.h"

#include "plugin/ChannelOperatorEntry.h"
#include "plugin/ParameterDeclarations.h"
#include "plugin/PluginExport.h"
#include "plugin/ReceiverReference.h"
#include "receiver/ArrivalClock.h"

#include <algorithm>
#include <cmath>
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

constexpr int32_t kDecks = orvlayout::kDeckCount;
static_assert(kMixerDecks == kDecks, "the mixer feeds every deck of the layout");

// The "Deck" menu's item: 0 to 3 for decks 1 to 4, kAllDecksItem, kOnAirItem.
int deckItem(const TD::OP_Inputs& inputs)
{
    return std::clamp(inputs.getParInt(kDeckName, 0), 0, kOnAirItem);
}

int32_t channelCount(int item)
{
    if (item == kAllDecksItem)
        return kChannelsPerDeck * kDecks;
    return kChannelsPerDeck + (item == kOnAirItem ? 1 : 0);
}

TrackerSettings settingsOf(const TD::OP_Inputs& inputs)
{
    TrackerSettings settings;
    settings.beatsPerBar = inputs.getParInt(kBeatsPerBarName, 0); // the tracker clamps it
    settings.bpmIncludesPitch = inputs.getParInt(kBpmIncludesPitchName, 0) != 0;
    const double offsetMs = inputs.getParDouble(kOffsetName, 0);
    settings.readAheadSeconds = std::isfinite(offsetMs)
                                    ? std::clamp(offsetMs, -kMostOffsetMs, kMostOffsetMs) / 1000.0
                                    : 0.0;
    return settings;
}

} // namespace

void OrvBeat::getGeneralInfo(TD::CHOP_GeneralInfo* info, const TD::OP_Inputs*, void*)
{
    info->cookEveryFrame = true;
}

bool OrvBeat::getOutputInfo(TD::CHOP_OutputInfo* info, const TD::OP_Inputs* inputs, void*)
{
    info->numChannels = channelCount(deckItem(*inputs));
    info->numSamples = 1;
    return true;
}

void OrvBeat::getChannelName(int32_t index, TD::OP_String* name, const TD::OP_Inputs* inputs, void*)
{
    const int item = inputs != nullptr ? deckItem(*inputs) : 0;
    if (item == kOnAirItem && index == kChannelsPerDeck)
        name->setString(kFollowedDeckName);
    else
        name->setString(channelName(index, item == kAllDecksItem));
}

void OrvBeat::execute(TD::CHOP_Output* output, const TD::OP_Inputs* inputs, void*)
{
    try
    {
        const int item = deckItem(*inputs);
        const bool onAir = item == kOnAirItem;
        for (const char* name : {kChannelADecksName, kChannelBDecksName, kCrossfaderRangeName})
            inputs->enablePar(name, onAir);
        const OrvReceiver* receiver =
            orvplugin::referencedReceiver(*inputs, orvplugin::kOrvDatName);
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
        // The host allocates the shape getOutputInfo declared; a host that refused it gets
        // nothing rather than writes past its buffers.
        if (output->channels == nullptr || output->numChannels < channelCount(item) ||
            output->numSamples < 1)
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
        const TrackerSettings settings = settingsOf(*inputs);
        const double now = secondsOf(orvreceiver::steadyNow());
        for (int deck = first; deck <= last; ++deck)
        {
            const std::size_t slot = static_cast<std::size_t>(deck - 1);
            frames_[slot] = trackers_[slot].update(history_.samples[slot], true, now, settings);
            if (!onAir)
                writeChannels(output->channels, kChannelsPerDeck * (deck - first), frames_[slot]);
        }
        if (onAir)
            writeOnAir(*output, *inputs, now);
    }
    catch (...)
    {
        // A lock that cannot be taken leaves this frame's channels as they were.
    }
}

void OrvBeat::writeOnAir(TD::CHOP_Output& output, const TD::OP_Inputs& inputs, double nowSeconds)
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
    const CrossfaderRange range = inputs.getParInt(kCrossfaderRangeName, 0) == 1
                                      ? CrossfaderRange::MinusOneToOne
                                      : CrossfaderRange::ZeroToOne;
    double levels[kDecks] = {};
    deckLevels(mixer, range, channelDecksOf(inputs.getParString(kChannelADecksName)),
               channelDecksOf(inputs.getParString(kChannelBDecksName)), playing, levels);

    bool switched = false;
    const int slot = onAir_.update(levels, clocks, nowSeconds, switched);
    BeatOutput shown = frames_[static_cast<std::size_t>(slot)];
    if (switched)
        shown.beatPulse = 1.0; // the new deck's beat begins here, whatever its ramp says
    writeChannels(output.channels, 0, shown);
    output.channels[kChannelsPerDeck][0] = static_cast<float>(slot + 1);
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

        TD::OP_StringParameter channelA(kChannelADecksName);
        channelA.label = kChannelADecksLabel;
        channelA.defaultValue = kChannelADecksDefault;
        manager->appendString(channelA);
        TD::OP_StringParameter channelB(kChannelBDecksName);
        channelB.label = kChannelBDecksLabel;
        channelB.defaultValue = kChannelBDecksDefault;
        manager->appendString(channelB);
        orvplugin::appendMenu(*manager, kCrossfaderRangeName, kCrossfaderRangeLabel,
                              kCrossfaderRangeItemNames, kCrossfaderRangeItemLabels);

        TD::OP_NumericParameter offset(kOffsetName);
        offset.label = kOffsetLabel;
        offset.minValues[0] = offset.minSliders[0] = -kMostOffsetMs;
        offset.maxValues[0] = offset.maxSliders[0] = kMostOffsetMs;
        offset.clampMins[0] = offset.clampMaxes[0] = true;
        manager->appendFloat(offset, 1);
    }
    catch (...)
    {
        // Parameters the host did not take are simply missing.
    }
}
