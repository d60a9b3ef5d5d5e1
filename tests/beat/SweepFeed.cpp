#include "SweepFeed.h"

#include "beat/BeatTracker.h"
#include "support/sim/Random.h"

#include <cmath>
#include <memory>

namespace
{

constexpr double kFrameRate = 60.0;
constexpr double kFrameJitter = 0.001;
constexpr std::uint64_t kFrameStream = 0x6672616d; // "fram": numbers apart from the case's

orvbeat::DeckSample sampleOf(const orvsim::DeckReport& report, double arrival)
{
    orvbeat::DeckSample sample;
    sample.arrivalNs = static_cast<std::int64_t>(std::llround(arrival * 1e9));
    sample.position = report.position;
    sample.bpm = report.bpm;
    sample.pitch = report.pitch;
    sample.length = report.length;
    sample.beat = report.beat;
    return sample;
}

std::vector<orvsim::ClockFrame> playFrames(const orvsim::SweepCase& sweepCase,
                                           const orvsim::SweepTraffic& traffic)
{
    orvbeat::TrackerSettings settings;
    settings.beatsPerBar = orvsim::kBeatsPerBar;
    settings.bpmIncludesPitch = sweepCase.nodeBpmIncludesPitch;
    const auto tracker = std::make_unique<orvbeat::BeatTracker>();
    orvbeat::DeckSamples samples;
    orvsim::Random jitter(sweepCase.seed ^ (kFrameStream << 32));
    std::vector<orvsim::ClockFrame> frames;
    size_t next = 0;
    for (long long frame = 1;; ++frame)
    {
        const double now =
            static_cast<double>(frame) / kFrameRate + jitter.uniform(-kFrameJitter, kFrameJitter);
        if (now >= sweepCase.duration)
            break;
        for (; next < traffic.arrivals.size() && traffic.arrivals[next].time <= now; ++next)
        {
            const orvsim::Arrival& arrival = traffic.arrivals[next];
            samples.push(sampleOf(traffic.sent[arrival.sequence], arrival.time));
        }
        const orvbeat::BeatOutput out = tracker->update(samples, true, now, settings);
        frames.push_back({now, out.beatRamp, out.beatPulse, out.beat, out.bpm, out.locked});
    }
    return frames;
}

} // namespace

SweepRun runSweepCase(std::uint64_t seed)
{
    SweepRun run{orvsim::drawCase(seed), {}, {}, {}, {}};
    run.traffic = orvsim::sweepTraffic(run.sweepCase);
    run.oracle = orvsim::consultOracle(run.traffic);
    run.frames = playFrames(run.sweepCase, run.traffic);
    run.verdict = orvsim::judgeClock(run.sweepCase, run.traffic, run.oracle, run.frames);
    return run;
}
