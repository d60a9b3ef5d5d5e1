#include "OrvBeatParameters.h"

#include "plugin/MenuParameter.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace orvbeat
{

static_assert(kOnAirItem == static_cast<int>(std::size(kDeckItemNames)) - 1,
              "On Air is the Deck menu's last item");

namespace
{

void appendToggle(TD::OP_ParameterManager& manager, const char* name, const char* label)
{
    TD::OP_NumericParameter toggle(name);
    toggle.label = label;
    manager.appendToggle(toggle);
}

void appendInt(TD::OP_ParameterManager& manager, const char* name, const char* label,
               int32_t byDefault, int32_t least, int32_t most)
{
    TD::OP_NumericParameter number(name);
    number.label = label;
    number.defaultValues[0] = byDefault;
    number.minValues[0] = number.minSliders[0] = least;
    number.maxValues[0] = number.maxSliders[0] = most;
    number.clampMins[0] = number.clampMaxes[0] = true;
    manager.appendInt(number, 1);
}

} // namespace

void OrvBeatParameters::setup(TD::OP_ParameterManager& manager)
{
    setupOrvDat(manager);
    orvplugin::appendMenu(manager, kDeckName, kDeckLabel, kDeckItemNames, kDeckItemLabels);

    appendInt(manager, kBeatsPerBarName, kBeatsPerBarLabel, kDefaultBeatsPerBar, 1,
              kMostBeatsPerBar);

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

    appendToggle(manager, kPhraseName, kPhraseLabel);
    appendInt(manager, kBarsPerPhraseName, kBarsPerPhraseLabel, kDefaultBarsPerPhrase, 1,
              PhraseCounter::kMostBarsPerPhrase);
    appendInt(manager, kPhraseOffsetName, kPhraseOffsetLabel, 0, -kMostPhraseOffset,
              kMostPhraseOffset);
    appendInt(manager, kWarnBeatsName, kWarnBeatsLabel, kDefaultWarnBeats, 0,
              PhraseCounter::kMostWarnBeats);
    appendToggle(manager, kTrackEndName, kTrackEndLabel);
    appendToggle(manager, kMixName, kMixLabel);
    appendToggle(manager, kCuesName, kCuesLabel);
}

ChannelGroups OrvBeatParameters::evalChannelGroups(const TD::OP_Inputs& inputs, bool onAir)
{
    ChannelGroups groups;
    groups.phrase = inputs.getParInt(kPhraseName, 0) != 0;
    groups.trackEnd = inputs.getParInt(kTrackEndName, 0) != 0;
    groups.mix = onAir && inputs.getParInt(kMixName, 0) != 0;
    groups.cues = inputs.getParInt(kCuesName, 0) != 0;
    return groups;
}

void OrvBeatParameters::enablePhraseParameters(const TD::OP_Inputs& inputs, bool phrase)
{
    for (const char* name : {kBarsPerPhraseName, kPhraseOffsetName, kWarnBeatsName})
    {
        inputs.enablePar(name, phrase);
    }
}

int OrvBeatParameters::evalDeckItem(const TD::OP_Inputs& inputs)
{
    return orvplugin::evalMenuItem(inputs, kDeckName, kDeckItemNames);
}

TrackerSettings OrvBeatParameters::evalTrackerSettings(const TD::OP_Inputs& inputs, bool withPhrase)
{
    TrackerSettings settings;
    settings.beatsPerBar = inputs.getParInt(kBeatsPerBarName, 0); // the tracker clamps it
    settings.bpmIncludesPitch = inputs.getParInt(kBpmIncludesPitchName, 0) != 0;
    const double offsetMs = inputs.getParDouble(kOffsetName, 0);
    settings.readAheadSeconds = std::isfinite(offsetMs)
                                    ? std::clamp(offsetMs, -kMostOffsetMs, kMostOffsetMs) / 1000.0
                                    : 0.0;
    if (!withPhrase)
        return settings;
    settings.phrase.barsPerPhrase = inputs.getParInt(kBarsPerPhraseName, 0); // clamped in use
    settings.phrase.offsetBars =
        std::clamp(inputs.getParInt(kPhraseOffsetName, 0), -kMostPhraseOffset, kMostPhraseOffset);
    settings.phrase.warnBeats = inputs.getParInt(kWarnBeatsName, 0);
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
    for (const char* name :
         {kChannelADecksName, kChannelBDecksName, kCrossfaderRangeName, kMixName})
    {
        inputs.enablePar(name, enable);
    }
}

} // namespace orvbeat
