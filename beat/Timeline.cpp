#include "beat/Timeline.h"

#include <algorithm>
#include <cmath>

namespace orvbeat
{

namespace
{

// Beyond these a value is treated as garbage rather than as a time or a position.
constexpr double kMaxMagnitude = 1e9;
// Ahead of the line by more than this much host time: the sender jumped forwards. Behind it, a
// sample is late (the network held it back: a stall lets datagrams out long after they were
// sent) unless it is behind by more than any network holds a datagram.
constexpr double kJumpSeconds = 0.1;
constexpr double kMostDelaySeconds = 1.0;
// A sample this far ahead of the line still belongs to it (the line is only as good as the
// window's least delay).
constexpr double kOnLineEarlySeconds = 0.005;
// A moving sample this close to the line after one repeat: the deck never stopped.
constexpr double kRepeatOnLineSeconds = 0.01;
// A sample after a jump no later than this (beyond the usual lateness) behind the line put
// aside at the jump is back on it.
constexpr double kBackOnLineSeconds = 0.01;
// How long the least delayed sample holds the line after it left the window.
constexpr double kFloorMemorySeconds = 20.0;
// A fit away from Pitch over less than this is not taken.
constexpr double kTrustFitSpanSeconds = 1.5;
// A fitted rate this close to Pitch is Pitch, for reading a tempo into a beat length; a rate
// of 1 tells a Position in host seconds only when Pitch is further than this from 1.
constexpr double kNearPitch = 0.1;
constexpr double kTellsOne = 0.02;
// A Position that stands still this much longer than a step lasts, beyond the usual lateness
// of its datagrams (times this): the deck stopped.
constexpr double kStandingSlackSeconds = 0.01;
constexpr double kLatenessSpread = 3.0;
constexpr double kLatenessWeight = 0.05; // of the newest sample in the running lateness
// Earlier than the line by more than this, several times running: the rate changed.
constexpr double kEarlySeconds = 0.001;
constexpr int kEarlySamplesForRateChange = 3;
constexpr int kMatureSamples = 16; // window size from which early samples are telling
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
// Relative change of BPM or Pitch that counts as a tempo change.
constexpr double kTempoChangeRatio = 2e-4;
// Firm: this many samples over this span, the least delayed ones spaced by at most this on
// average (the spacing of the lowest delays is how far the lowest may still lie above the floor).
constexpr int kFirmSamples = 24;
constexpr double kFirmSpanSeconds = 0.3;
constexpr double kFirmSpacingSeconds = 0.001;

bool usable(double value)
{
    return std::isfinite(value) && std::fabs(value) < kMaxMagnitude;
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
    return std::fabs(value - reference) > kTempoChangeRatio * std::max(std::fabs(reference), 1e-9);
}

} // namespace

bool Timeline::paused() const
{
    if (repeats_ < 2 || count_ == 0)
        return false;
    // How much later than the line has it for its position the latest repeat came: a deck that
    // stopped falls further behind the line with every datagram; one reported in steps, by no
    // more than a step and the network's usual lateness.
    const double behind = (latest_.arrival - lineArrival(latest_.position)).value;
    return behind > Rate{lineRate_}.toCover(step_).value + kLatenessSpread * lateness_ +
                        kStandingSlackSeconds;
}

TrackSeconds Timeline::positionAt(HostSeconds now) const
{
    if (count_ == 0 || paused())
        return latest_.position;
    return lineAt_.position + Rate{lineRate_}.over(now - lineAt_.arrival);
}

Rate Timeline::tempoRate(double pitch) const
{
    // A Position in track seconds runs at Pitch; a fit that strays from it a little (through a
    // coarse Position, or right after a change of speed), or that cannot tell Pitch from 1, is no
    // other unit.
    if (!isSpeedRatio(pitch))
        return Rate{lineRate_};
    const bool tellsOne = rateSource_ == RateSource::One && std::fabs(pitch - 1.0) > kTellsOne;
    const bool fittedElsewhere =
        rateSource_ == RateSource::Fitted && std::fabs(lineRate_ / pitch - 1.0) >= kNearPitch;
    return Rate{tellsOne || fittedElsewhere ? lineRate_ : pitch};
}

bool Timeline::onLine(HostSeconds arrival, TrackSeconds position) const
{
    if (count_ == 0 || !isFinite(arrival) || !isFinite(position))
        return false;
    const double late = (arrival - lineArrival(position)).value;
    return late >= -kOnLineEarlySeconds && late <= kMostDelaySeconds;
}

double Timeline::speedRatio(double bpm, double pitch) const
{
    if (isSpeedRatio(pitch) && isSpeedRatio(windowPitch_))
        return pitch / windowPitch_;
    if (bpm > 0.0 && windowBpm_ > 0.0 && bpm / windowBpm_ >= 0.25 && bpm / windowBpm_ <= 4.0)
        return bpm / windowBpm_;
    return 1.0;
}

SampleKind Timeline::add(HostSeconds arrival, TrackSeconds position, double bpm, double pitch)
{
    if (!usable(arrival.value) || !usable(position.value))
        return SampleKind::Ignored;
    bpm = finiteOrZero(bpm);
    pitch = finiteOrZero(pitch);
    const TimelinePoint sample{arrival, position};

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
        return jump(sample, bpm, pitch);
    const double late = (arrival - lineArrival(position)).value; // >= 0 on a steady line
    // A deck that stood still comes late for its position; one reported in steps may come a step
    // early: a sample on the line kept moving, and the repeats were duplicates or a Position
    // refreshed less often than it is sent.
    if (wasPaused && !(repeated > 0 && late < kRepeatOnLineSeconds))
    {
        restart(sample, bpm, pitch, restartRate(pitch));
        return SampleKind::Resumed;
    }
    // Until a second sample shows the units, a guessed rate cannot tell a jump.
    const bool canTell = rateSource_ != RateSource::Guess || count_ > 1;
    if (canTell && (late < -kJumpSeconds || late > kMostDelaySeconds))
        return jump(sample, bpm, pitch);
    if (changed(bpm, windowBpm_) || changed(pitch, windowPitch_))
    {
        // The speed changed somewhere since the previous sample. The old line's arrival for this
        // position is off by at most (interval x speed change), well under a millisecond at 60
        // datagrams a second, and is a better anchor than one jittery sample.
        double newRate = lineRate_;
        if (rateSource_ == RateSource::Pitch && isSpeedRatio(pitch))
            newRate = pitch;
        else if (rateSource_ != RateSource::One)
            newRate = lineRate_ * speedRatio(bpm, pitch);
        const TimelinePoint pivotAt{lineArrival(position), position};
        const bool wasFirm = firm_;
        restart(sample, bpm, pitch, saneRate(newRate) ? newRate : lineRate_);
        firm_ = wasFirm;
        pivot_ = pivotAt;
        hasPivot_ = true;
        refit(pitch);
        return SampleKind::TempoChange;
    }
    earlyInARow_ = (count_ >= kMatureSamples && late < -kEarlySeconds) ? earlyInARow_ + 1 : 0;
    if (earlyInARow_ >= kEarlySamplesForRateChange)
    {
        restart(sample, bpm, pitch, lineRate_);
        return SampleKind::RateChange;
    }
    if (late >= 0.0 && late < kMostDelaySeconds)
        lateness_ += kLatenessWeight * (late - lateness_);
    push(sample);
    refit(pitch);
    return SampleKind::Added;
}

double Timeline::restartRate(double pitch) const
{
    // A rate that follows Pitch follows it across the restart too (a new track loaded at another
    // pitch); any other rate is the best knowledge there is.
    return rateSource_ == RateSource::Pitch && isSpeedRatio(pitch) ? pitch : lineRate_;
}

SampleKind Timeline::jump(const TimelinePoint& sample, double bpm, double pitch)
{
    // A firm line is put aside: when the jump was only noise, the deck comes back onto it.
    if (firm_)
        shelved_ = Shelved{lineAt_, lineRate_, windowPitch_, true};
    const double late =
        (sample.arrival - shelved_.at.arrival).value -
        (sample.position - shelved_.at.position).value / shelved_.rate;
    // Back on it: at the same speed, no earlier than the line and no later than its datagrams
    // usually come.
    const bool back = shelved_.held && !changed(pitch, shelved_.pitch) &&
                      late >= -kOnLineEarlySeconds &&
                      late <= kLatenessSpread * lateness_ + kBackOnLineSeconds;
    if (!back)
    {
        restart(sample, bpm, pitch, restartRate(pitch));
        return SampleKind::Jump;
    }
    const TimelinePoint pivotAt{sample.arrival - HostSeconds(late), sample.position};
    restart(sample, bpm, pitch, shelved_.rate);
    pivot_ = pivotAt;
    hasPivot_ = true;
    firm_ = true;
    shelved_.held = false;
    refit(pitch);
    return SampleKind::Jump;
}

void Timeline::restart(const TimelinePoint& sample, double bpm, double pitch, double rate)
{
    first_ = 0;
    count_ = 0;
    repeats_ = 0;
    earlyInARow_ = 0;
    hasPivot_ = false;
    samplesSinceFit_ = 0;
    firm_ = false;
    lineRate_ = rate;
    windowBpm_ = bpm;
    windowPitch_ = pitch;
    push(sample);
    refit(pitch);
}

void Timeline::push(const TimelinePoint& sample)
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
    const double spread = std::max(0.010, 2.0 * lateness) + 2.0 * Rate{lineRate_}.toCover(step_).value;
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
