// The judge of a beat clock: a clock that shows the true grid, late by the path's least delay
// and locked from the oracle's moment, passes every property; each fault a clock can have
// fails the one property that names it, with the time it happened.
#include "support/sim/ClockJudge.h"
#include "support/sim/BeatOracle.h"
#include "support/sim/SweepTraffic.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

namespace orvsim
{
namespace
{

// A deck that plays, is cued back mid-beat (to `cueTo` s of the track), pauses and plays on,
// from a LAN.
SweepCase plannedCase(double cueTo = 14.37)
{
    PlannedTrack track;
    track.bpm = 125.0;
    track.gridOffset = 0.2;
    DeckTimeline deck(track, 10.0, 1.03);
    deck.play(1.0);
    deck.seek(12.0, cueTo);
    deck.pause(20.0);
    deck.play(21.0);
    SenderProfile sender;
    sender.rate = 53.0;
    NetworkProfile network;
    network.minDelay = 0.001;
    network.maxDelay = 0.004;
    return SweepCase{5, 30.0, sender, network, true, deck, {}, "by hand"};
}

// The newest track whose datagrams have arrived by `time`.
size_t trackAt(const OracleVerdict& oracle, double time)
{
    size_t track = 0;
    for (size_t j = 0; j < oracle.tracks.size(); ++j)
    {
        if (oracle.tracks[j].firstArrival && *oracle.tracks[j].firstArrival <= time)
            track = j;
    }
    return track;
}

// A clock that shows exactly where the deck stood the least delay ago, locked from the
// oracle's moment on each track.
std::vector<ClockFrame> trueClock(const SweepCase& sweepCase, const OracleVerdict& oracle)
{
    std::vector<ClockFrame> frames;
    long long shownLine = 0;
    int shownTrack = 0;
    for (double t = 1.0 / 60.0; t < sweepCase.duration; t += 1.0 / 60.0)
    {
        const DeckMoment moment = sweepCase.deck.at(t - oracle.leastDelay);
        const PlannedTrack& track = sweepCase.deck.track(moment.track);
        const double beats = track.gridBeats(moment.position);
        const auto line = static_cast<long long>(std::floor(beats));
        const std::optional<double>& lock = oracle.tracks[trackAt(oracle, t)].lockAllowedAt;
        ClockFrame frame;
        frame.time = t;
        frame.beatRamp = beats - std::floor(beats);
        frame.beatPulse =
            moment.playing && (line != shownLine || moment.track != shownTrack) ? 1.0 : 0.0;
        frame.beat = barPosition(line) + 1;
        frame.bpm = track.bpm * moment.pitch;
        frame.locked = lock && t >= *lock ? 1.0 : 0.0;
        shownLine = line;
        shownTrack = moment.track;
        frames.push_back(frame);
    }
    return frames;
}

const PropertyVerdict& property(const ClockVerdict& verdict, const std::string& name)
{
    for (const PropertyVerdict& each : verdict.properties)
    {
        if (each.name == name)
            return each;
    }
    throw std::invalid_argument(name);
}

// The names of the properties that failed.
std::vector<std::string> failed(const ClockVerdict& verdict)
{
    std::vector<std::string> names;
    for (const PropertyVerdict& each : verdict.properties)
    {
        if (each.applies && !each.passed)
            names.push_back(each.name);
    }
    return names;
}

// The first frame at or after `time` whose ramp is past `ramp`.
size_t frameAfter(const std::vector<ClockFrame>& frames, double time, double ramp)
{
    size_t i = 0;
    while (frames[i].time < time || frames[i].beatRamp < ramp)
        ++i;
    return i;
}

class ClockJudge : public testing::Test
{
protected:
    SweepCase sweepCase = plannedCase();
    SweepTraffic traffic = sweepTraffic(sweepCase);
    OracleVerdict oracle = consultOracle(traffic);
    std::vector<ClockFrame> frames = trueClock(sweepCase, oracle);
};

TEST_F(ClockJudge, AClockThatShowsTheTrueGridPassesEveryProperty)
{
    ASSERT_TRUE(oracle.tracks[0].lockAllowedAt);
    const ClockVerdict verdict = judgeClock(sweepCase, traffic, oracle, frames);
    EXPECT_TRUE(verdict.passed()) << testing::PrintToString(failed(verdict));
    const ClockFigures& figures = verdict.figures;
    EXPECT_GT(figures.boundariesJudged, 40);
    EXPECT_LT(*figures.lockedWorst, 1e-3);
    EXPECT_NEAR(*figures.lockBeats, 0.0, 0.05);
    EXPECT_FALSE(property(verdict, "coarse error").applies);
    EXPECT_FALSE(property(verdict, "garbage recovery").applies);
}

TEST(ClockJudgeSweep, AClockThatShowsTheTrueGridPassesOnEverySeed)
{
    // Cues, pauses, pitch glides, new tracks and garbage: the judge asks nothing of a clock in
    // phase with the deck that it cannot give.
    for (std::uint64_t seed = 1; seed <= 40; ++seed)
    {
        const SweepCase sweepCase = drawCase(seed);
        const SweepTraffic traffic = sweepTraffic(sweepCase);
        const OracleVerdict oracle = consultOracle(traffic);
        const ClockVerdict verdict =
            judgeClock(sweepCase, traffic, oracle, trueClock(sweepCase, oracle));
        EXPECT_TRUE(verdict.passed())
            << describe(sweepCase) << ": " << testing::PrintToString(failed(verdict));
    }
}

TEST_F(ClockJudge, EachFaultFailsItsOwnPropertyAtItsTime)
{
    // A flash mid-beat, and a beat without its pulse.
    std::vector<ClockFrame> flashes = frames;
    const size_t mid = frameAfter(flashes, 5.0, 0.5);
    flashes[mid].beatPulse = 1.0;
    const size_t missed = frameAfter(flashes, 7.0, 0.0);
    size_t pulse = missed;
    while (flashes[pulse].beatPulse == 0.0)
        ++pulse;
    flashes[pulse].beatPulse = 0.0;
    const ClockVerdict flashed = judgeClock(sweepCase, traffic, oracle, flashes);
    EXPECT_EQ(failed(flashed),
              (std::vector<std::string>{"pulses between beats", "missed boundaries", "back-steps"}))
        << "a beat without its pulse: its ramp falls without one too";
    EXPECT_EQ(property(flashed, "pulses between beats").time, flashes[mid].time);
    EXPECT_EQ(flashed.figures.missedBoundaries, 1);

    // The ramp stepping back mid-beat, and the wrong beat in the bar at a pulse.
    std::vector<ClockFrame> stumbles = frames;
    stumbles[mid].beatRamp = stumbles[mid - 1].beatRamp - 0.01;
    stumbles[pulse].beat = stumbles[pulse].beat == 1.0 ? 2.0 : 1.0;
    EXPECT_EQ(failed(judgeClock(sweepCase, traffic, oracle, stumbles)),
              (std::vector<std::string>{"back-steps", "wrong bar"}));

    // Locked one frame before the datagrams allow it, and 3 ms late while locked.
    std::vector<ClockFrame> early = frames;
    const size_t lock = frameAfter(early, *oracle.tracks[0].lockAllowedAt, 0.0);
    early[lock - 1].locked = 1.0;
    EXPECT_EQ(failed(judgeClock(sweepCase, traffic, oracle, early)),
              std::vector<std::string>{"lock"});
    std::vector<ClockFrame> late = frames;
    for (ClockFrame& frame : late)
        frame.beatRamp = std::max(0.0, frame.beatRamp - 0.003 * frame.bpm / 60.0);
    const ClockVerdict lagging = judgeClock(sweepCase, traffic, oracle, late);
    EXPECT_EQ(failed(lagging), std::vector<std::string>{"error while locked"});
    EXPECT_NEAR(*lagging.figures.lockedP99, 0.003, 1e-4);
}

TEST(ClockJudgeCue, AStalePulseAtACueTakesNoBoundaryFromThePulseInTime)
{
    // Before it sees the cue, a clock may pulse on the old line; the pulse in time for the new
    // line's first boundary, 0.2 s after the cue and judged, still counts as that boundary's.
    const SweepCase sweepCase = plannedCase(14.42);
    const SweepTraffic traffic = sweepTraffic(sweepCase);
    const OracleVerdict oracle = consultOracle(traffic);
    std::vector<ClockFrame> stale = trueClock(sweepCase, oracle);
    size_t inTime = frameAfter(stale, 12.05, 0.0); // after the cue's own pulse
    while (stale[inTime].beatPulse == 0.0)
        ++inTime;
    ASSERT_GT(stale[inTime].time, 12.18);
    size_t early = inTime;
    while (stale[early].time > stale[inTime].time - 0.1)
        --early;
    ASSERT_LT(stale[early].time, 12.12) << "within the cue's first 150 ms";
    stale[early].beatPulse = 1.0;
    stale[early].beatRamp = 0.0;
    const ClockVerdict verdict = judgeClock(sweepCase, traffic, oracle, stale);
    EXPECT_TRUE(verdict.passed()) << testing::PrintToString(failed(verdict));
}

} // namespace
} // namespace orvsim
