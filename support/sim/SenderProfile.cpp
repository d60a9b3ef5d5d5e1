#include "support/sim/SenderProfile.h"

#include "support/sim/ProfileText.h"

#include <algorithm>
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
    if (bufferSeconds(profile) > 0.0)
    {
        parts.push_back("Position per " + std::to_string(profile.bufferSamples) +
                        "-sample buffer at " + roundedText(profile.sampleRate / 1000.0, 1) +
                        " kHz (" + roundedText(bufferSeconds(profile) * 1000.0, 2) + " ms)");
    }
    if (profile.beatFromEngine)
        parts.push_back("Beat from the engine's finer position");
    if (profile.rate != usual.rate)
        parts.push_back(roundedText(profile.rate, 1) + " datagrams a second");
    if (profile.lateTimer > 0.0)
        parts.push_back("sends up to " + millisecondsText(profile.lateTimer) + " ms late");
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

double bufferSeconds(const SenderProfile& profile)
{
    if (profile.bufferSamples <= 0 || !(profile.sampleRate > 0.0))
        return 0.0;
    return profile.bufferSamples / profile.sampleRate;
}

double bufferStart(const SenderProfile& profile, double hostTime)
{
    const double buffer = bufferSeconds(profile);
    if (!(buffer > 0.0))
        return hostTime;
    return std::floor((hostTime - profile.bufferPhase) / buffer) * buffer + profile.bufferPhase;
}

double steppedPosition(double position, const SenderProfile& profile)
{
    if (!(profile.positionStep > 0.0))
        return position;
    // A hair of slack, so that a position that is a whole number of steps stays on its step.
    return std::floor(position / profile.positionStep + 1e-9) * profile.positionStep;
}

int beatOfLine(long long line, const SenderProfile& profile)
{
    return barPosition(line) + profile.firstBeat;
}

double reportedPosition(const DeckState& deck, const SenderProfile& profile, double time)
{
    double position = deck.position;
    if (deck.playing)
        position = std::max(0.0, position - (time - bufferStart(profile, time)) * deck.pitch);
    return steppedPosition(position, profile);
}

int reportedBeat(const DeckState& deck, const SenderProfile& profile)
{
    const double line = std::floor(gridBeats(deck, profile));
    return beatOfLine(static_cast<long long>(line), profile);
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
