// Which beat lengths the sender's BPM can mean, and which of them the clock runs at.
//
// Senders differ in what BPM is: the tempo the deck plays at (the track's tempo times the
// pitch), or the track's own tempo whatever the pitch; and some send half or twice the beat
// rate. So BPM gives six candidate beat lengths on the timeline: for each pitch convention,
// the length itself and its double and half. The boundaries the deck shows refute the ones that
// do not fit (BeatGrid); of those left, the clock runs at the plain length of the convention
// the operator's "BPM Includes Pitch" names, or else of the other one, or else at a multiple.
// Where none fits, the boundaries alone measure the length.
#pragma once

#include "beat/TrackerSettings.h"
#include "beat/Units.h"

namespace orvbeat
{

enum class PitchConvention
{
    Included, // BPM is the tempo the deck plays at
    LeftOut,  // BPM is the track's own tempo: the deck plays at BPM x Pitch
};

struct TempoCandidate
{
    PitchConvention convention;
    double multiple; // of the length BPM gives: 1, or 2 and 0.5 for a BPM half or twice the beats
};

inline constexpr int kTempoCandidates = 6;
// Plain lengths first: they are preferred while they fit.
inline constexpr TempoCandidate kCandidates[kTempoCandidates] = {
    {PitchConvention::Included, 1.0}, {PitchConvention::LeftOut, 1.0},
    {PitchConvention::Included, 2.0}, {PitchConvention::LeftOut, 2.0},
    {PitchConvention::Included, 0.5}, {PitchConvention::LeftOut, 0.5},
};
inline bool isPlain(int candidate)
{
    return kCandidates[candidate].multiple == 1.0;
}

// What the latest sample says of the tempo, and how fast its timeline runs.
struct TempoReading
{
    double bpm = 0.0;
    double pitch = 0.0;
    Rate rate;
};

PitchConvention preferredConvention(const TrackerSettings& settings);

// The beat length on the timeline a candidate reads from BPM; 0 when BPM (or, for a BPM that
// leaves the pitch out, Pitch) gives none.
TrackSeconds candidateLength(const TempoCandidate& candidate, const TempoReading& reading);

// The tempo a beat length plays at on the host clock.
double hostBpm(TrackSeconds length, Rate rate);

// Of the candidates that still fit (`usable`), the one the clock runs at: -1 when none.
int chooseCandidate(const bool usable[kTempoCandidates], PitchConvention preferred);

} // namespace orvbeat
