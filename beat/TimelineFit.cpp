// The timeline's line: the rate fitted from the window, and the tightest line below its samples.
#include "beat/Timeline.h"

#include <algorithm>
#include <cmath>

namespace orvbeat
{

namespace
{

// How long the least delayed sample holds the line after it left the window.
constexpr double kFloorMemorySeconds = 20.0;
// A fit away from Pitch over less than this is not taken.
constexpr double kTrustFitSpanSeconds = 1.5;
// The window must hold this much before its own rate is trusted over the prior.
constexpr int kFitSamples = 8;
constexpr double kFitSpanSeconds = 0.25;
// The rate is fitted anew every this many samples: it changes slowly, and the hull is the one
// costly step of a frame.
constexpr int kFitEvery = 16;
constexpr int kFitEveryYoung = 4; // while the window is young and the rate still settling
constexpr int kYoungWindow = 64;
// The pivot of a tempo change is kept until the new window has this many samples: fewer may
// all have come late (or, from a Position in steps, behind) and place the line too late.
constexpr int kPivotSamples = 64;
// Firm: this many samples over this span, the least delayed ones spaced by at most this on
// average (the spacing of the lowest delays is how far the lowest may still lie above the floor).
constexpr int kFirmSamples = 24;
constexpr double kFirmSpanSeconds = 0.3;
constexpr double kFirmSpacingSeconds = 0.001;

} // namespace

void Timeline::refit(double pitch)
{
    const HostSeconds span = latest_.arrival - at(0).arrival;
    if (rateSource_ == RateSource::Guess && count_ >= 2 && span.value > 0.0)
    {
        // No Pitch to go by: the rough rate across the window until a fit can be trusted.
        const double rough = (latest_.position - at(0).position) / Rate{1.0}.over(span);
        if (saneRate(rough))
            lineRate_ = rough;
    }
    ++samplesSinceFit_;
    const int every = count_ < kYoungWindow ? kFitEveryYoung : kFitEvery;
    if (count_ >= kFitSamples && span.value >= kFitSpanSeconds && samplesSinceFit_ >= every)
    {
        samplesSinceFit_ = 0;
        fitRate(pitch);
    }
    placeLine();
    // One sample far below all the others holds the line: it belongs to another line (a stale
    // datagram that began a seek). The window starts again from the newest.
    if (count_ >= kMatureSamples && lowest_[1] > kJumpSeconds)
    {
        restart(latest_, windowBpm_, windowPitch_, lineRate_);
        return;
    }
    const double spacing = lowest_[kLowest - 1] / (kLowest - 1);
    if (!firm_ && count_ >= kFirmSamples && span.value >= kFirmSpanSeconds &&
        spacing <= kFirmSpacingSeconds)
    {
        firm_ = true; // once firm, a window stays firm until it restarts
    }
}

void Timeline::fitRate(double pitch)
{
    const double fitted = fittedRate([this](int i) { return at(i); }, count_);
    const double span = (latest_.arrival - at(0).arrival).value;
    // A rate fitted over a short span, or through jittery arrivals, is loose: snap generously
    // then (the samples lie on average `lateness` above the fitted line).
    const double lateness = saneRate(fitted) ? meanLateness(1.0 / fitted) : 0.0;
    // A Position in steps moves the hull by up to a step too.
    const double spread =
        std::max(0.010, 2.0 * lateness) + 2.0 * Rate{lineRate_}.toCover(step_).value;
    const double tolerance = std::max(0.005, spread / span);
    // Away from Pitch the fit must span long enough to be believed: a stall bunches the
    // arrivals of a young window into any slope.
    if (isSpeedRatio(pitch) && span < kTrustFitSpanSeconds &&
        std::fabs(fitted / pitch - 1.0) >= tolerance)
        return;
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

void Timeline::placeLine()
{
    // With the rate fixed, the tightest line below every sample passes through the least delayed
    // one. Between fits, while the sample that holds the line stays in the window, only the
    // newest sample can lower it: one comparison instead of a pass.
    const std::uint64_t oldest = pushed_ - static_cast<std::uint64_t>(count_);
    if (lineRate_ == rateOfLine_ && !hasPivot_ && holdingSample_ >= oldest && count_ > 1)
    {
        const double above = (latest_.arrival - lineArrival(latest_.position)).value;
        if (above < 0.0)
        {
            lineAt_ = latest_;
            holdingSample_ = pushed_ - 1;
            anchorArrival_ = latest_.arrival;
        }
        keepLowest(above);
        return;
    }
    const double inverseRate = 1.0 / lineRate_;
    double lowest = 1e300;
    for (double& excess : lowest_)
        excess = 1e300;
    for (int i = 0; i < count_; ++i)
    {
        const double offset = offsetOf(at(i), inverseRate);
        if (offset < lowest)
        {
            lowest = offset;
            holdingSample_ = oldest + static_cast<std::uint64_t>(i);
        }
        insertLowest(offset);
    }
    for (double& excess : lowest_)
        excess -= lowest;
    // At a rate that is exact (Pitch, or 1), the least delayed sample stays the floor after it
    // leaves the window, for a while (the sender's clock and ours drift apart a little).
    const bool exactRate = rateSource_ == RateSource::Pitch || rateSource_ == RateSource::One;
    if (exactRate && lineRate_ == rateOfLine_ && !hasPivot_ && count_ > 1 &&
        (latest_.arrival - anchorArrival_).value < kFloorMemorySeconds)
    {
        const double kept = (lineAt_.arrival - latest_.arrival).value -
                            (lineAt_.position - latest_.position).value * inverseRate;
        if (kept < lowest)
        {
            for (double& excess : lowest_)
                excess += lowest - kept;
            lowest = kept;
            holdingSample_ = pushed_; // none in the window: looked at again with the next
        }
    }
    if (holdingSample_ != pushed_)
        anchorArrival_ = at(static_cast<int>(holdingSample_ - oldest)).arrival;
    if (hasPivot_ && count_ < kPivotSamples)
    {
        lowest = std::min(lowest, (pivot_.arrival - latest_.arrival).value -
                                      (pivot_.position - latest_.position).value * inverseRate);
    }
    else
    {
        hasPivot_ = false;
    }
    lineAt_ = TimelinePoint{latest_.arrival + HostSeconds(lowest), latest_.position};
    rateOfLine_ = lineRate_;
}

void Timeline::insertLowest(double offset)
{
    if (!(offset < lowest_[kLowest - 1]))
        return;
    int place = kLowest - 1;
    for (; place > 0 && lowest_[place - 1] > offset; --place)
        lowest_[place] = lowest_[place - 1];
    lowest_[place] = offset;
}

void Timeline::keepLowest(double above)
{
    if (above < 0.0)
    {
        // A new least delayed sample: the others now lie that much further above the line.
        for (double& excess : lowest_)
            excess -= above;
        insertLowest(0.0);
    }
    else
    {
        insertLowest(above);
    }
}

double Timeline::meanLateness(double inverseRate) const
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

} // namespace orvbeat
