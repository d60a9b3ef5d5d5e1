#include "beat/PhraseCounter.h"

#include <algorithm>
#include <cmath>

namespace orvbeat
{

namespace
{

// Bar numbers beyond this are no bar of any track.
constexpr double kMostBars = 1e7;
constexpr double kFirstLineTolerance = 0.05; // of a bar

long long floorMod(long long value, long long by)
{
    const long long rest = value % by;
    return rest < 0 ? rest + by : rest;
}

} // namespace

long long PhraseCounter::barNumber(const BarReading& reading)
{
    if (reading.pulse && reading.beat == 1)
        ++barsBegun_;
    barsBegun_ = std::max(barsBegun_, 0LL);
    if (!reading.placed || !(reading.barLength.value > 0.0))
        return barsBegun_;
    // The track's bar lines lie at barStart + k x barLength; the first at or after 0 is bar 0, so
    // this bar's number is how many whole bars lie before it from there. A grid that starts at
    // Position 0 is placed a hair either side of it, and its length a hair off carries that over
    // the bars: a line this share of a bar before 0 counts as at 0.
    const double fromFirst = std::floor(reading.barStart / reading.barLength + kFirstLineTolerance);
    if (!std::isfinite(fromFirst) || std::fabs(fromFirst) > kMostBars)
        return barsBegun_;
    return static_cast<long long>(fromFirst);
}

PhraseFrame PhraseCounter::update(const BarReading& reading, const PhraseSettings& settings)
{
    PhraseFrame frame;
    frame.phrases = phrases_;
    if (!reading.running)
        return frame;
    const int barsPerPhrase = std::clamp(settings.barsPerPhrase, 1, kMostBarsPerPhrase);
    const int beatsPerBar = std::max(reading.beatsPerBar, 1);
    const int beat = std::clamp(reading.beat, 1, beatsPerBar);
    const long long bar = floorMod(barNumber(reading) - settings.offsetBars, barsPerPhrase);
    frame.barInPhrase = static_cast<double>(bar + 1);
    frame.ramp =
        std::min((static_cast<double>(bar) + std::clamp(reading.barRamp, 0.0, 1.0)) / barsPerPhrase,
                 std::nextafter(1.0, 0.0));
    if (reading.pulse && beat == 1 && bar == 0)
    {
        frame.pulse = 1.0;
        phrases_ += 1.0;
    }
    frame.phrases = phrases_;
    const int warnBeats = std::clamp(settings.warnBeats, 0, kMostWarnBeats);
    const long long beatInPhrase = bar * beatsPerBar + (beat - 1);
    const long long beatsPerPhrase = static_cast<long long>(barsPerPhrase) * beatsPerBar;
    frame.warning = warnBeats > 0 && beatInPhrase >= beatsPerPhrase - warnBeats ? 1.0 : 0.0;
    return frame;
}

} // namespace orvbeat
