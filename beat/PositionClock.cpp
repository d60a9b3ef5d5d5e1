#include "beat/PositionClock.h"

#include <algorithm>
#include <cmath>

namespace orvbeat
{

namespace
{

// Beyond these a value is treated as garbage rather than as a time or a position.
constexpr double maxMagnitude = 1e9;
// Ahead of the line by more than this much host time: the sender jumped forwards. Behind it,
// a sample is late (the network held it back: a stall lets datagrams out long after they were
// sent) unless it is behind by more than any network holds a datagram.
constexpr double jumpSeconds = 0.1;
constexpr double mostDelaySeconds = 1.0;
// A moving sample this close to the line after one repeat: the deck never stopped.
constexpr double repeatOnLineSeconds = 0.01;
// Earlier than the line by more than this, several times running: the rate changed.
constexpr double earlySeconds = 0.001;
constexpr int earlySamplesForRateChange = 3;
constexpr int matureSamples = 16; // window size from which early samples are telling
// The window must hold this much before its own rate is trusted over the prior.
constexpr int fitSamples = 8;
constexpr double fitSpanSeconds = 0.25;
// The rate is fitted anew every this many samples: it changes slowly, and the hull is the one
// costly step of a frame.
constexpr int fitEvery = 16;
constexpr int fitEveryYoung = 4; // while the window is young and the rate still settling
constexpr int youngWindow = 64;
// The pivot of a tempo change is kept until the new window has this many samples.
constexpr int pivotSamples = 6;
// Relative change of BPM or Pitch that counts as a tempo change.
constexpr double tempoChangeRatio = 2e-4;

bool usable(double value)
{
    return std::isfinite(value) && std::fabs(value) < maxMagnitude;
}
double finiteOrZero(double value)
{
    return std::isfinite(value) ? value : 0.0;
}
bool isSpeedRatio(double pitch)
{
    return pitch >= 0.25 && pitch <= 4.0;
}
bool saneRate(double rate)
{
    return rate >= 1e-3 && rate <= 1e6;
}

bool changed(double value, double reference)
{
    return std::fabs(value - reference) > tempoChangeRatio * std::max(std::fabs(reference), 1e-9);
}

double cross(double ox, double oy, double ax, double ay, double bx, double by)
{
    return (ax - ox) * (by - oy) - (ay - oy) * (bx - ox);
}

} // namespace

double PositionClock::positionAt(double now) const
{
    if (count_ == 0 || paused())
        return latest_.position;
    return lineAt_.position + (now - lineAt_.arrival) * lineRate_;
}

double PositionClock::speedRatio(double bpm, double pitch) const
{
    if (isSpeedRatio(pitch) && isSpeedRatio(windowPitch_))
        return pitch / windowPitch_;
    if (bpm > 0.0 && windowBpm_ > 0.0 && bpm / windowBpm_ >= 0.25 && bpm / windowBpm_ <= 4.0)
        return bpm / windowBpm_;
    return 1.0;
}

SampleKind PositionClock::add(double arrival, double position, double bpm, double pitch)
{
    if (!usable(arrival) || !usable(position))
        return SampleKind::Ignored;
    bpm = finiteOrZero(bpm);
    pitch = finiteOrZero(pitch);
    const Sample sample{arrival, position};

    if (count_ == 0)
    {
        rateSource_ = isSpeedRatio(pitch) ? RateSource::Pitch : RateSource::Guess;
        restart(sample, bpm, pitch, isSpeedRatio(pitch) ? pitch : 1.0);
        return SampleKind::First;
    }
    if (position == latest_.position && arrival >= latest_.arrival)
    {
        repeats_ = std::min(repeats_ + 1, 2); // paused from 2 on: no need to count further
        latest_.arrival = arrival;
        return SampleKind::Repeated;
    }
    const bool wasPaused = paused();
    const int repeated = repeats_;
    repeats_ = 0;

    if (position < latest_.position || arrival < latest_.arrival)
    {
        restart(sample, bpm, pitch, restartRate(pitch));
        return SampleKind::Jump;
    }
    const double late = arrival - lineArrival(position); // >= 0 on a steady line
    if (wasPaused && repeated == 1 && std::fabs(late) < repeatOnLineSeconds)
    {
        repeatsWhilePlaying_ = true; // it kept moving: the repeat was a stale Position
    }
    else if (wasPaused)
    {
        restart(sample, bpm, pitch, restartRate(pitch));
        return SampleKind::Resumed;
    }
    // Until a second sample shows the units, a guessed rate cannot tell a jump.
    const bool canTell = rateSource_ != RateSource::Guess || count_ > 1;
    if (canTell && (late < -jumpSeconds || late > mostDelaySeconds))
    {
        restart(sample, bpm, pitch, restartRate(pitch));
        return SampleKind::Jump;
    }
    if (changed(bpm, windowBpm_) || changed(pitch, windowPitch_))
    {
        // The speed changed somewhere since the previous sample. The old line's arrival for
        // this position is off by at most (interval x speed change), well under a millisecond
        // at 60 datagrams a second, and is a better anchor than one jittery sample.
        double newRate = lineRate_;
        if (rateSource_ == RateSource::Pitch && isSpeedRatio(pitch))
            newRate = pitch;
        else if (rateSource_ != RateSource::One)
            newRate = lineRate_ * speedRatio(bpm, pitch);
        const Sample pivotAt{lineArrival(position), position};
        restart(sample, bpm, pitch, saneRate(newRate) ? newRate : lineRate_);
        pivot_ = pivotAt;
        hasPivot_ = true;
        refit(pitch);
        return SampleKind::TempoChange;
    }
    earlyInARow_ = (count_ >= matureSamples && late < -earlySeconds) ? earlyInARow_ + 1 : 0;
    if (earlyInARow_ >= earlySamplesForRateChange)
    {
        restart(sample, bpm, pitch, lineRate_);
        return SampleKind::RateChange;
    }
    push(sample);
    refit(pitch);
    return SampleKind::Added;
}

double PositionClock::restartRate(double pitch) const
{
    // A rate that follows Pitch follows it across the restart too (a new track loaded at
    // another pitch); any other rate is the best knowledge there is.
    return rateSource_ == RateSource::Pitch && isSpeedRatio(pitch) ? pitch : lineRate_;
}

void PositionClock::restart(const Sample& sample, double bpm, double pitch, double rate)
{
    first_ = 0;
    count_ = 0;
    repeats_ = 0;
    earlyInARow_ = 0;
    hasPivot_ = false;
    samplesSinceFit_ = 0;
    lineRate_ = rate;
    windowBpm_ = bpm;
    windowPitch_ = pitch;
    push(sample);
    refit(pitch);
}

void PositionClock::push(const Sample& sample)
{
    if (count_ == windowSize)
    {
        first_ = (first_ + 1) % windowSize;
        --count_;
    }
    window_[(first_ + count_) % windowSize] = sample;
    ++count_;
    ++pushed_;
    latest_ = sample;
}

void PositionClock::refit(double pitch)
{
    const double span = latest_.arrival - at(0).arrival;
    if (rateSource_ == RateSource::Guess && count_ >= 2 && span > 0.0)
    {
        // No Pitch to go by: the rough rate across the window until a fit can be trusted.
        const double rough = (latest_.position - at(0).position) / span;
        if (saneRate(rough))
            lineRate_ = rough;
    }
    ++samplesSinceFit_;
    const int every = count_ < youngWindow ? fitEveryYoung : fitEvery;
    if (count_ >= fitSamples && span >= fitSpanSeconds && samplesSinceFit_ >= every)
    {
        samplesSinceFit_ = 0;
        const double fitted = fittedRate();
        // A rate fitted over a short span, or through jittery arrivals, is loose: snap
        // generously then (the samples lie on average `lateness` above the fitted line).
        const double lateness = saneRate(fitted) ? meanLateness(1.0 / fitted) : 0.0;
        const double tolerance = std::max(0.005, std::max(0.010, 2.0 * lateness) / span);
        if (isSpeedRatio(pitch) && std::fabs(fitted / pitch - 1.0) < tolerance)
        {
            lineRate_ = pitch;
            rateSource_ = RateSource::Pitch;
        }
        else if (std::fabs(fitted - 1.0) < tolerance)
        {
            lineRate_ = 1.0;
            rateSource_ = RateSource::One;
        }
        else if (saneRate(fitted))
        {
            lineRate_ = fitted;
            rateSource_ = RateSource::Fitted;
        }
    }
    // With the rate fixed, the tightest line below every sample passes through the least
    // delayed one. Differences are taken from the newest sample to keep the precision of large
    // clocks.
    // Between fits, while the sample that holds the line stays in the window, only the newest
    // sample can lower it: one comparison instead of a pass.
    const std::uint64_t oldest = pushed_ - static_cast<std::uint64_t>(count_);
    if (lineRate_ == rateOfLine_ && !hasPivot_ && holdingSample_ >= oldest && count_ > 1)
    {
        if (latest_.arrival < lineArrival(latest_.position))
        {
            lineAt_ = latest_;
            holdingSample_ = pushed_ - 1;
        }
        return;
    }
    const double inverseRate = 1.0 / lineRate_;
    double lowest = 0.0;
    holdingSample_ = pushed_ - 1;
    for (int i = 0; i < count_; ++i)
    {
        const double offset = offsetOf(at(i), inverseRate);
        if (offset < lowest)
        {
            lowest = offset;
            holdingSample_ = oldest + static_cast<std::uint64_t>(i);
        }
    }
    if (hasPivot_ && count_ < pivotSamples)
        lowest = std::min(lowest, (pivot_.arrival - latest_.arrival) -
                                      (pivot_.position - latest_.position) * inverseRate);
    else
        hasPivot_ = false;
    lineAt_ = Sample{latest_.arrival + lowest, latest_.position};
    rateOfLine_ = lineRate_;
}

double PositionClock::meanLateness(double inverseRate) const
{
    double lowest = 0.0;
    double sum = 0.0;
    for (int i = 0; i < count_; ++i)
    {
        const double offset = offsetOf(at(i), inverseRate);
        lowest = std::min(lowest, offset);
        sum += offset;
    }
    return sum / count_ - lowest;
}

double PositionClock::fittedRate() const
{
    // Lower convex hull of (position, arrival), positions increasing; the line below all
    // samples with the least summed distance to them is the hull edge above their mean position.
    double hullX[windowSize];
    double hullY[windowSize];
    int size = 0;
    double sumX = 0.0;
    const Sample& origin = at(0);
    for (int i = 0; i < count_; ++i)
    {
        const double x = at(i).position - origin.position;
        const double y = at(i).arrival - origin.arrival;
        sumX += x;
        while (size >= 2 && cross(hullX[size - 2], hullY[size - 2], hullX[size - 1],
                                  hullY[size - 1], x, y) <= 0.0)
            --size;
        hullX[size] = x;
        hullY[size] = y;
        ++size;
    }
    const double meanX = sumX / count_;
    for (int j = 0; j + 1 < size; ++j)
    {
        if (hullX[j + 1] < meanX && j + 2 < size)
            continue;
        const double slope = (hullY[j + 1] - hullY[j]) / (hullX[j + 1] - hullX[j]);
        return slope > 0.0 ? 1.0 / slope : 0.0;
    }
    return 0.0;
}

} // namespace orvbeat
