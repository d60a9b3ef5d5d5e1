// The settings of a beat operator node that the beat clock reads on every frame.
#pragma once

#include "beat/PhraseCounter.h"

#include <cstdint>

namespace orvbeat
{

// The most beats a bar may have; the tracker reads beatsPerBar clamped to 1..kMostBeatsPerBar.
inline constexpr std::int32_t kMostBeatsPerBar = 16;

struct TrackerSettings
{
    std::int32_t beatsPerBar = 4; // used clamped to 1..kMostBeatsPerBar
    bool bpmIncludesPitch = true; // false: the clock runs at BPM x Pitch
    // The clock is read this far ahead of the frame's time (behind when negative), so that
    // visuals lead the sound by a display path's latency; its model is unchanged.
    double readAheadSeconds = 0.0;
    PhraseSettings phrase;
};

} // namespace orvbeat
