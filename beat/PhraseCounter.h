// Phrases: the bars of a track counted in groups (of 8, 16 or 32 bars in dance music), from the
// track's first bar line, the first bar line of the grid at or after Position 0. "Phrase Offset"
// moves the phrase lines by whole bars.
//
// Each frame it is given where the visible bar begins on the track (when the grid has placed
// the lines) and the clock's beat in the bar; a seek keeps the phrases on the track's lines.
// Until the lines are placed, the bars count from where the deck started playing.
#pragma once

#include "beat/Units.h"

namespace orvbeat
{

struct PhraseSettings
{
    int barsPerPhrase = 8; // clamped to 1..64
    int offsetBars = 0;    // phrase lines moved this many bars later
    int warnBeats = 4;     // phrase_warning this many beats before each line; 0: never
};

struct PhraseFrame
{
    double ramp = 0.0;        // 0 -> 1 across the phrase
    double barInPhrase = 0.0; // 1..bars per phrase (0 before the clock runs)
    double pulse = 0.0;       // 1 on the frame of the phrase's first beat
    double phrases = 0.0;     // phrases begun on this track
    double warning = 0.0;     // 1 from warnBeats beats before a phrase line until the line
};

// What the clock shows this frame, for the phrase count.
struct BarReading
{
    bool running = false; // the clock has begun
    bool pulse = false;   // a beat began this frame
    int beat = 1;         // the beat in the bar, 1..beatsPerBar
    int beatsPerBar = 4;
    double barRamp = 0.0;  // 0 -> 1 across the bar
    bool placed = false;   // the lines are placed: barStart and barLength hold
    TrackSeconds barStart; // where the visible bar begins on the track
    TrackSeconds barLength;
};

class PhraseCounter
{
public:
    static constexpr int kMostBarsPerPhrase = 64;
    static constexpr int kMostWarnBeats = 32;

    // Another track: its phrases are counted afresh.
    void startTrack() { *this = PhraseCounter(); }
    PhraseFrame update(const BarReading& reading, const PhraseSettings& settings);

private:
    // The bar's number from the track's first bar line, or from where the deck started.
    long long barNumber(const BarReading& reading);

    long long barsBegun_ = -1; // bars begun since the clock started, while the lines are unplaced
    double phrases_ = 0.0;
};

} // namespace orvbeat
