#include "beat/TempoChoice.h"

#include <cmath>

namespace orvbeat
{

PitchConvention preferredConvention(const TrackerSettings& settings)
{
    return settings.bpmIncludesPitch ? PitchConvention::Included : PitchConvention::LeftOut;
}

TrackSeconds candidateLength(const TempoCandidate& candidate, const TempoReading& reading)
{
    double played = reading.bpm; // the tempo the deck plays at, beats a minute of host time
    if (candidate.convention == PitchConvention::LeftOut)
        played = isSpeedRatio(reading.pitch) ? reading.bpm * reading.pitch : 0.0;
    if (!isDeckBpm(played) || !(reading.rate.trackPerHost > 0.0))
        return TrackSeconds(0.0);
    return reading.rate.over(HostSeconds(secondsPerBeat(played))) * candidate.multiple;
}

double hostBpm(TrackSeconds length, Rate rate)
{
    const HostSeconds beat = rate.toCover(length);
    return beat.value > 0.0 && std::isfinite(beat.value) ? beatsPerMinuteOf(beat.value) : 0.0;
}

int chooseCandidate(const bool usable[kTempoCandidates], PitchConvention preferred)
{
    int chosen = -1;
    for (int i = 0; i < kTempoCandidates; ++i)
    {
        if (!usable[i])
            continue;
        if (chosen < 0)
            chosen = i;
        // Among candidates of one multiple, the operator's convention wins.
        if (kCandidates[i].multiple == kCandidates[chosen].multiple &&
            kCandidates[i].convention == preferred)
        {
            chosen = i;
        }
    }
    return chosen;
}

} // namespace orvbeat
