#include "BeatChannels.h"

#include "plugin/DeckChannelName.h"
#include "plugin/NearestFloat.h"
#include "protocol/NodeLayout.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <string>

namespace orvbeat
{

namespace
{

constexpr int kDecks = orvlayout::kDeckCount;

// The parts of a layout, each a run of channels of one kind.
enum class Part
{
    Clock,    // the nine
    Followed, // On Air's `deck`
    Phrase,
    TrackEnd,
    Mix,
    Cues,
};
constexpr int kPartKinds = 6;

constexpr const char* kClockNames[] = {"beat_ramp", "bar_ramp", "beat_pulse", "beat",  "beats",
                                       "bpm",       "playing",  "position",   "locked"};
constexpr const char* kFollowedNames[] = {"deck"};
constexpr const char* kPhraseNames[] = {"phrase_ramp", "bar_in_phrase", "phrase_pulse", "phrases",
                                        "phrase_warning"};
constexpr const char* kTrackEndNames[] = {"time_left", "beats_left", "bars_left", "track_progress"};
constexpr const char* kMixNames[] = {"deck1_mix", "deck2_mix", "deck3_mix", "deck4_mix",
                                     "next_deck"};
constexpr const char* kCuesNames[] = {"jump_pulse", "jump_beats", "looping", "loop_beats"};
static_assert(std::size(kClockNames) == kChannelsPerDeck, "nine channels a clock");

struct PartNames
{
    const char* const* names;
    int32_t size;
};
constexpr PartNames kNames[kPartKinds] = {
    {kClockNames, std::size(kClockNames)},   {kFollowedNames, std::size(kFollowedNames)},
    {kPhraseNames, std::size(kPhraseNames)}, {kTrackEndNames, std::size(kTrackEndNames)},
    {kMixNames, std::size(kMixNames)},       {kCuesNames, std::size(kCuesNames)},
};

constexpr int32_t sizeOf(Part part)
{
    return kNames[static_cast<int>(part)].size;
}

// One run of the layout: a part of one deck (slot 0..3), or of the node (On Air).
struct Run
{
    Part part;
    int slot;
};
constexpr int kMostRuns = 4 * kDecks;

// The runs of a layout in channel order; returns how many.
int runsOf(int item, const ChannelGroups& groups, Run runs[kMostRuns])
{
    int count = 0;
    const auto deckGroups = [&](int slot, bool withMix)
    {
        if (groups.phrase)
            runs[count++] = {Part::Phrase, slot};
        if (groups.trackEnd)
            runs[count++] = {Part::TrackEnd, slot};
        if (withMix && groups.mix)
            runs[count++] = {Part::Mix, slot};
        if (groups.cues)
            runs[count++] = {Part::Cues, slot};
    };
    if (item == kAllDecksItem)
    {
        for (int slot = 0; slot < kDecks; ++slot)
            runs[count++] = {Part::Clock, slot};
        for (int slot = 0; slot < kDecks; ++slot)
            deckGroups(slot, false);
    }
    else if (item == kOnAirItem)
    {
        runs[count++] = {Part::Clock, -1};
        runs[count++] = {Part::Followed, -1};
        deckGroups(-1, true);
    }
    else
    {
        runs[count++] = {Part::Clock, item};
        deckGroups(item, false);
    }
    return count;
}

// "deckN_" and every name of every part, built once.
using PrefixedNames = std::array<std::array<std::string, 16>, kPartKinds * kDecks>;
PrefixedNames makePrefixedNames()
{
    PrefixedNames all;
    for (int part = 0; part < kPartKinds; ++part)
    {
        for (int slot = 0; slot < kDecks; ++slot)
        {
            for (int32_t k = 0; k < kNames[part].size; ++k)
                all[static_cast<std::size_t>(part * kDecks + slot)][static_cast<std::size_t>(k)] =
                    orvplugin::deckChannelName(slot + 1, kNames[part].names[k]);
        }
    }
    return all;
}

// A run's values: at most the nine of a clock.
int32_t valuesOf(const Run& run, const ShownFrames& shown, double values[kChannelsPerDeck])
{
    const int slot = run.slot >= 0 ? run.slot : shown.followedSlot;
    const BeatOutput& beat = shown.decks[slot];
    switch (run.part)
    {
    case Part::Clock:
    {
        const double clock[] = {beat.beatRamp, beat.barRamp, beat.beatPulse, beat.beat,  beat.beats,
                                beat.bpm,      beat.playing, beat.position,  beat.locked};
        std::copy(std::begin(clock), std::end(clock), values);
        break;
    }
    case Part::Followed:
        values[0] = shown.followedSlot + 1;
        break;
    case Part::Phrase:
    {
        const PhraseFrame& p = beat.phrase;
        const double phrase[] = {p.ramp, p.barInPhrase, p.pulse, p.phrases, p.warning};
        std::copy(std::begin(phrase), std::end(phrase), values);
        break;
    }
    case Part::TrackEnd:
    {
        const TrackEndFrame& e = beat.trackEnd;
        const double end[] = {e.timeLeft, e.beatsLeft, e.barsLeft, e.trackProgress};
        std::copy(std::begin(end), std::end(end), values);
        break;
    }
    case Part::Mix:
        std::copy(std::begin(shown.mix.shares), std::end(shown.mix.shares), values);
        values[kDecks] = shown.mix.nextDeck;
        break;
    case Part::Cues:
    {
        const LoopFrame& l = beat.loop;
        const double cues[] = {l.jumpPulse, l.jumpBeats, l.looping, l.loopBeats};
        std::copy(std::begin(cues), std::end(cues), values);
        break;
    }
    }
    return sizeOf(run.part);
}

} // namespace

int32_t channelCount(int item, const ChannelGroups& groups)
{
    Run runs[kMostRuns];
    const int count = runsOf(item, groups, runs);
    int32_t channels = 0;
    for (int i = 0; i < count; ++i)
        channels += sizeOf(runs[i].part);
    return channels;
}

const char* channelName(int32_t index, int item, const ChannelGroups& groups)
{
    // Built once, on the first call (thread-safe), and only read afterwards.
    static const PrefixedNames prefixed = makePrefixedNames();
    Run runs[kMostRuns];
    const int count = runsOf(item, groups, runs);
    for (int i = 0; i < count && index >= 0; ++i)
    {
        const int part = static_cast<int>(runs[i].part);
        if (index < kNames[part].size)
        {
            if (item != kAllDecksItem)
                return kNames[part].names[index];
            return prefixed[static_cast<std::size_t>(part * kDecks + runs[i].slot)]
                           [static_cast<std::size_t>(index)]
                               .c_str();
        }
        index -= kNames[part].size;
    }
    return "chan1";
}

void writeChannels(float* const* channels, int item, const ChannelGroups& groups,
                   const ShownFrames& shown)
{
    Run runs[kMostRuns];
    const int count = runsOf(item, groups, runs);
    int32_t first = 0;
    for (int i = 0; i < count; ++i)
    {
        double values[kChannelsPerDeck] = {};
        const int32_t size = valuesOf(runs[i], shown, values);
        for (int32_t k = 0; k < size; ++k)
            channels[first + k][0] = orvplugin::nearestFloat(values[k]);
        first += size;
    }
}

} // namespace orvbeat
