#include "support/sim/SenderProfile.h"

#include "support/sim/ProfileText.h"

#include <cmath>

namespace orvsim
{

const std::vector<SenderProfile>& senderPresets()
{
    static const std::vector<SenderProfile> presets = []
    {
        SenderProfile beat0;
        beat0.name = "beat0";
        beat0.firstBeat = 0;
        // 6% off: the clock's tempo from BPM and the tempo the boundaries show disagree.
        SenderProfile noPitch;
        noPitch.name = "bpm-no-pitch";
        noPitch.bpmIncludesPitch = false;
        noPitch.deckPitch = 1.06;
        SenderProfile offset;
        offset.name = "offset-grid";
        offset.gridOffset = 0.37;
        SenderProfile coarse;
        coarse.name = "coarse";
        coarse.positionStep = 0.010;
        SenderProfile slow;
        slow.name = "slow";
        slow.rate = 30.0;
        return std::vector<SenderProfile>{SenderProfile{}, beat0, noPitch, offset, coarse, slow};
    }();
    return presets;
}

std::string describe(const SenderProfile& profile)
{
    const SenderProfile usual;
    std::vector<std::string> parts;
    if (profile.firstBeat != usual.firstBeat)
    {
        parts.push_back("Beat " + std::to_string(profile.firstBeat) + ".." +
                        std::to_string(profile.firstBeat + kBeatsPerBar - 1));
    }
    if (!profile.bpmIncludesPitch)
        parts.push_back("BPM without the pitch");
    if (profile.deckPitch > 0.0)
        parts.push_back("decks at pitch " + roundedText(profile.deckPitch, 3));
    if (profile.gridOffset != 0.0)
        parts.push_back("grid " + roundedText(profile.gridOffset, 2) + " beat into the track");
    if (profile.positionStep > 0.0)
        parts.push_back("Position in " + millisecondsText(profile.positionStep) + " ms steps");
    if (profile.rate != usual.rate)
        parts.push_back(roundedText(profile.rate, 1) + " datagrams a second");
    return joinedOrNone(parts, "Beat 1..4, BPM with the pitch, Position exact, 60 a second");
}

double gridBeats(const DeckState& deck, const SenderProfile& profile)
{
    return deck.beatsElapsed() - profile.gridOffset;
}

int barPosition(long long line)
{
    const long long position = line % kBeatsPerBar;
    return static_cast<int>(position < 0 ? position + kBeatsPerBar : position);
}

double reportedPosition(const DeckState& deck, const SenderProfile& profile)
{
    if (!(profile.positionStep > 0.0))
        return deck.position;
    // A hair of slack, so that a position that is a whole number of steps stays on its step.
    return std::floor(deck.position / profile.positionStep + 1e-9) * profile.positionStep;
}

int reportedBeat(const DeckState& deck, const SenderProfile& profile)
{
    const double line = std::floor(gridBeats(deck, profile));
    return barPosition(static_cast<long long>(line)) + profile.firstBeat;
}

double reportedBpm(const DeckState& deck, const SenderProfile& profile)
{
    return profile.bpmIncludesPitch ? deck.bpm() : deck.track.bpm;
}

void applyDeckPitch(const SenderProfile& profile, DjModel& model)
{
    if (!(profile.deckPitch > 0.0))
        return;
    for (int number = 1; number <= kDeckCount; ++number)
        model.setPitch(number, profile.deckPitch);
}

} // namespace orvsim
