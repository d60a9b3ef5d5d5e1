#include "beat/Timeline.h"

#include <algorithm>
#include <cmath>

namespace orvbeat
{

namespace
{

// Beyond these a value is treated as garbage rather than as a time or a position.
constexpr double kMaxMagnitude = 1e9;
// Behind the line by up to this, a sample is late (the network held it back: a stall lets
// datagrams out long after they were sent); further behind, the sender jumped.
constexpr double kMostDelaySeconds = 1.0;
// A sample this far ahead of the line still belongs to it (the line is only as good as the
// window's least delay).
constexpr double kOnLineEarlySeconds = 0.005;
// A moving sample this close to the line after one repeat: the deck never stopped.
constexpr double kRepeatOnLineSeconds = 0.01;
// A sample after a jump no later than this (beyond the usual lateness) behind the line put
// aside at the jump is back on it.
constexpr double kBackOnLineSeconds = 0.01;
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
// Relative change of BPM or Pitch that counts as a tempo change.
constexpr double kTempoChangeRatio = 2e-4;

bool usable(double value)
{
    return std::isfinite(value) && std::fabs(value) < kMaxMagnitude;
}
double finiteOrZero(double value)
{
    return std::isfinite(value) ? value : 0.0;
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
    const double late = (sample.arrival - shelved_.at.arrival).value -
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

} // namespace orvbeat
