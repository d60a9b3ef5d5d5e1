#include "OrvBeatParameters.h"

#include "plugin/MenuParameter.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace orvbeat
{

static_assert(kOnAirItem == static_cast<int>(std::size(kDeckItemNames)) - 1,
              "On Air is the Deck menu's last item");

void OrvBeatParameters::setup(TD::OP_ParameterManager& manager)
{
    setupOrvDat(manager);
    orvplugin::appendMenu(manager, kDeckName, kDeckLabel, kDeckItemNames, kDeckItemLabels);

    TD::OP_NumericParameter beatsPerBar(kBeatsPerBarName);
    beatsPerBar.label = kBeatsPerBarLabel;
    beatsPerBar.defaultValues[0] = kDefaultBeatsPerBar;
    beatsPerBar.minValues[0] = beatsPerBar.minSliders[0] = 1;
    beatsPerBar.maxValues[0] = beatsPerBar.maxSliders[0] = kMostBeatsPerBar;
    beatsPerBar.clampMins[0] = beatsPerBar.clampMaxes[0] = true;
    manager.appendInt(beatsPerBar, 1);

    TD::OP_NumericParameter includesPitch(kBpmIncludesPitchName);
    includesPitch.label = kBpmIncludesPitchLabel;
    includesPitch.defaultValues[0] = 1;
    manager.appendToggle(includesPitch);

    TD::OP_StringParameter channelA(kChannelADecksName);
    channelA.label = kChannelADecksLabel;
    channelA.defaultValue = kChannelADecksDefault;
    manager.appendString(channelA);
    TD::OP_StringParameter channelB(kChannelBDecksName);
    channelB.label = kChannelBDecksLabel;
    channelB.defaultValue = kChannelBDecksDefault;
    manager.appendString(channelB);
    orvplugin::appendMenu(manager, kCrossfaderRangeName, kCrossfaderRangeLabel,
                          kCrossfaderRangeItemNames, kCrossfaderRangeItemLabels);

    TD::OP_NumericParameter offset(kOffsetName);
    offset.label = kOffsetLabel;
    offset.minValues[0] = offset.minSliders[0] = -kMostOffsetMs;
    offset.maxValues[0] = offset.maxSliders[0] = kMostOffsetMs;
    offset.clampMins[0] = offset.clampMaxes[0] = true;
    manager.appendFloat(offset, 1);
}

int OrvBeatParameters::evalDeckItem(const TD::OP_Inputs& inputs)
{
    return orvplugin::evalMenuItem(inputs, kDeckName, kDeckItemNames);
}

TrackerSettings OrvBeatParameters::evalTrackerSettings(const TD::OP_Inputs& inputs)
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

ChannelDecks OrvBeatParameters::evalChannelADecks(const TD::OP_Inputs& inputs)
{
    return channelDecksOf(inputs.getParString(kChannelADecksName));
}

ChannelDecks OrvBeatParameters::evalChannelBDecks(const TD::OP_Inputs& inputs)
{
    return channelDecksOf(inputs.getParString(kChannelBDecksName));
}

CrossfaderRange OrvBeatParameters::evalCrossfaderRange(const TD::OP_Inputs& inputs)
{
    return inputs.getParInt(kCrossfaderRangeName, 0) == 1 ? CrossfaderRange::MinusOneToOne
                                                          : CrossfaderRange::ZeroToOne;
}

void OrvBeatParameters::enableOnAirParameters(const TD::OP_Inputs& inputs, bool enable)
{
    for (const char* name : {kChannelADecksName, kChannelBDecksName, kCrossfaderRangeName})
    {
        inputs.enablePar(name, enable);
    }
}

} // namespace orvbeat
