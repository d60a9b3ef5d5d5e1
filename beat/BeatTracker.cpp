#include "beat/BeatTracker.h"

#include <algorithm>
#include <cmath>

namespace orvbeat
{

namespace
{

// Without datagrams for this many beats the clock holds.
constexpr double kStaleBeats = 2.0;
// Two brackets can overlap narrowly by chance; locked wants a third that agrees, unless one
// bracket alone is as narrow as the window.
constexpr int kBracketsToLock = 3;

} // namespace

BeatTracker::State BeatTracker::stateOf(bool fresh, HostSeconds beat, HostSeconds now) const
{
    if (!fresh)
        return State::Holding;
    const bool moving =
        hostTimeline_ ? lastBoundaryAt_ && (now - HostSeconds(lastBoundaryAt_->arrivalSeconds())) <=
                                               beat * kStaleBeats
                      : moved_ && !timeline_.paused();
    if (moving && beat.value > 0.0)
        return State::Playing;
    return moved_ ? State::Paused : State::Loaded;
}

double BeatTracker::modelPhase(TrackSeconds location, const GridEstimate& grid) const
{
    if (!(grid.length.value > 0.0))
        return 0.0;
    if (grid.placed)
        return static_cast<double>(grid.index) + (location - grid.line) / grid.length;
    return (location - restPosition_) / grid.length;
}

bool BeatTracker::advance(double phase, unsigned generation)
{
    const Entry entry = entry_;
    entry_ = Entry::Follow;
    bool pulse = false;
    switch (entry)
    {
    case Entry::Start:
        // A deck seen standing at its cue starts a beat there; one met already playing does
        // not pulse until its next beat.
        pulse = output_.started() ? output_.jumpTo(phase, generation)
                                  : output_.follow(phase, generation);
        bar_.countFrom(output_.beatIndex(), beatsPerBar_);
        beatsCounted_ = 0.0;
        break;
    case Entry::Jump:
        pulse = output_.jumpTo(phase, generation);
        break;
    case Entry::Follow:
        pulse = output_.follow(phase, generation);
        break;
    }
    if (pulse)
        beatsCounted_ += 1.0;
    return pulse;
}

bool BeatTracker::locked(bool fresh, State state, const GridEstimate& grid) const
{
    if (!fresh || state != State::Playing || hostTimeline_ || !grid.placed || !grid.settled)
        return false;
    if (!step_.decided() || !timeline_.firm() || grid_.suspecting() || grid_.noisy())
        return false;
    const auto withinWindow = [this](TrackSeconds width)
    { return timelineRate().toCover(width).value < kLockedWindowSeconds; };
    return withinWindow(grid.width) &&
           (grid.brackets >= kBracketsToLock || withinWindow(grid.narrowestBracket));
}

BeatOutput BeatTracker::update(const DeckSamples& samples, bool connected, double nowSeconds,
                               const TrackerSettings& settings)
{
    if (samples.count == 0)
    {
        reset();
        return BeatOutput{};
    }
    beatsPerBar_ = std::clamp(settings.beatsPerBar, 1, kMostBeatsPerBar);
    preferred_ = preferredConvention(settings);

    // A frame whose time is unusable or earlier than the last advances nothing.
    if (std::isfinite(nowSeconds) && std::fabs(nowSeconds) < 1e12)
        lastNowSeconds_ = std::max(nowSeconds, lastNowSeconds_.value_or(nowSeconds));
    const HostSeconds now(lastNowSeconds_.value_or(0.0));

    // Samples the ring no longer holds are gone; the rest are taken in arrival order.
    for (std::uint64_t i = std::max(consumed_, samples.oldest()); i < samples.count; ++i)
        takeSample(samples.at(i));
    consumed_ = samples.count;
    grid_.setTempo(TempoReading{bpm_, pitch_, tempoRate()}, preferred_);

    const HostSeconds readAt = now + HostSeconds(finiteOr(settings.readAheadSeconds, 0.0));
    const TrackSeconds location =
        hostTimeline_ ? TrackSeconds(readAt.value) : timeline_.positionAt(readAt);
    const GridEstimate grid = grid_.estimate(location);
    const double tempo = hostBpm(grid.length, tempoRate());
    const HostSeconds beat(tempo > 0.0 ? secondsPerBeat(tempo) : 0.5);
    const bool fresh =
        connected && timeline_.started() && lastArrivalSeconds_ &&
        now.value - *lastArrivalSeconds_ <= std::clamp(kStaleBeats * beat.value, 0.2, 4.0);
    const State state = stateOf(fresh, tempo > 0.0 ? beat : HostSeconds(0.0), now);
    if (timeline_.paused() && !grid.placed)
        restPosition_ = timeline_.latestPosition();
    if (fresh)
        shownPosition_ = hostTimeline_ ? timeline_.latestPosition() : location;

    bool pulse = false;
    switch (state)
    {
    case State::Playing:
        pulse = advance(modelPhase(location, grid), grid.generation);
        break;
    case State::Loaded:
    case State::Paused:
        // A loaded deck shows its cue's phase.
        if (!output_.started() && grid.length.value > 0.0 && timeline_.paused())
            output_.follow(modelPhase(location, grid), grid.generation);
        break;
    case State::Holding:
        // Data back after a hold: the phase is taken afresh, whichever way it moved.
        if (output_.started())
            enter(Entry::Jump);
        break;
    }
    if (pendingBar_ && grid.placed)
    {
        bar_.addBoundary(pendingBar_->beatBefore, pendingBar_->beatAfter, pendingBar_->middle,
                         grid.length, beatsPerBar_);
        pendingBar_.reset();
    }

    BeatOutput out;
    out.beatPulse = pulse ? 1.0 : 0.0;
    out.beats = beatsCounted_;
    out.bpm = tempo;
    out.playing = state == State::Playing ? 1.0 : 0.0;
    out.position = shownPosition_.value;
    out.locked = locked(fresh, state, grid) ? 1.0 : 0.0;
    out.beat = 1.0;
    TrackSeconds line; // where the visible beat begins on the track, from the grid's lines
    if (output_.started())
    {
        out.beatRamp = output_.beatRamp();
        const double modelLine = output_.modelLine(output_.beatIndex());
        line = grid.line + grid.length * (modelLine - static_cast<double>(grid.index));
        out.beat = bar_.barPosition(output_.beatIndex(), line,
                                    grid.placed ? grid.length : TrackSeconds(0.0), beatsPerBar_);
    }
    out.barRamp =
        std::min((out.beat - 1.0 + out.beatRamp) / beatsPerBar_, std::nextafter(1.0, 0.0));
    addExtras(out, grid, location, pulse, settings);
    for (double* channel :
         {&out.beatRamp, &out.barRamp, &out.beat, &out.beats, &out.bpm, &out.position,
          &out.phrase.ramp, &out.phrase.barInPhrase, &out.phrase.phrases,
          &out.trackEnd.trackProgress, &out.loop.jumpBeats, &out.loop.loopBeats})
        *channel = finiteOr(*channel, 0.0);
    for (double* channel :
         {&out.trackEnd.timeLeft, &out.trackEnd.beatsLeft, &out.trackEnd.barsLeft})
        *channel = finiteOr(*channel, -1.0);
    return out;
}

void BeatTracker::addExtras(BeatOutput& out, const GridEstimate& grid, TrackSeconds location,
                            bool pulse, const TrackerSettings& settings)
{
    const bool placed = output_.started() && grid.placed && grid.length.value > 0.0;
    // The grid's line of the visible beat: the one nearest to where the ramp says it began (the
    // visible clock keeps within a quarter beat of the grid), steady from frame to frame.
    TrackSeconds line;
    if (placed)
    {
        const TrackSeconds began = location - grid.length * out.beatRamp;
        line = grid.line + grid.length * std::round((began - grid.line) / grid.length);
    }
    const int beat = static_cast<int>(out.beat);
    BarReading bar;
    bar.running = output_.started();
    bar.pulse = pulse;
    bar.beat = beat;
    bar.beatsPerBar = beatsPerBar_;
    bar.barRamp = out.barRamp;
    bar.placed = placed;
    bar.barStart = line - grid.length * (beat - 1);
    bar.barLength = grid.length * beatsPerBar_;
    out.phrase = phrase_.update(bar, settings.phrase);

    TrackEndReading end;
    if (trackLength_)
        end.length = TrackSeconds(*trackLength_);
    end.position = shownPosition_;
    end.speed = tempoRate();
    end.placed = placed;
    end.beatLine = line;
    end.beatLength = grid.length;
    end.beatInBar = beat;
    end.beatsPerBar = beatsPerBar_;
    out.trackEnd = trackEnd(end);

    out.loop = loops_.update(shownPosition_, grid.length);
}

} // namespace orvbeat
