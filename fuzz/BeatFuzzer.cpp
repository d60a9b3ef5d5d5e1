// The beat clock over any sequence of frames and deck samples: datagrams that come, repeat,
// stop, arrive in bursts or out of order (through the receiver's ring, which may overflow
// between frames), positions that advance, stand, jump or are not numbers, any BPM, Pitch,
// Beat, Length and arrival time, frame times that stand still, go back or leap. Every channel must
// stay finite, the ramps in [0, 1), the flags 0 or 1, whatever arrives.

#include "FuzzCheck.h"
#include "beat/BeatTracker.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

namespace
{

// A number as a sender might put it: mostly near `usual`, sometimes anything at all.
double number(FuzzedDataProvider& data, double usual)
{
    switch (data.ConsumeIntegralInRange<int>(0, 7))
    {
    case 0:
        return std::numeric_limits<double>::quiet_NaN();
    case 1:
        return data.ConsumeBool() ? std::numeric_limits<double>::infinity()
                                  : -std::numeric_limits<double>::infinity();
    case 2:
        return data.ConsumeFloatingPoint<double>();
    case 3:
        return 0.0;
    default:
        return usual * (1.0 + data.ConsumeIntegralInRange<int>(-50, 50) / 1000.0);
    }
}

// Host seconds as the receiver's nanoseconds, within the range a steady clock can hold.
int64_t nanoseconds(double seconds)
{
    return static_cast<int64_t>(std::clamp(seconds, -9e9, 9e9) * 1e9);
}

bool isFlag(double value)
{
    return value == 0.0 || value == 1.0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    FuzzedDataProvider data(bytes, size);
    orvbeat::BeatTracker tracker;
    orvbeat::TrackerSettings settings;
    settings.beatsPerBar = data.ConsumeIntegralInRange<int32_t>(-2, 70);
    settings.bpmIncludesPitch = data.ConsumeBool();
    settings.phrase.barsPerPhrase = data.ConsumeIntegralInRange<int32_t>(-2, 100);
    settings.phrase.offsetBars = data.ConsumeIntegralInRange<int32_t>(-100, 100);
    settings.phrase.warnBeats = data.ConsumeIntegralInRange<int32_t>(-2, 50);

    orvbeat::DeckSamples samples;
    bool connected = true;
    double now = 1000.0;
    double position = 60.0;
    while (data.remaining_bytes() > 0)
    {
        // Mostly a frame of 16.7 ms; sometimes one that stands still, goes back or leaps.
        switch (data.ConsumeIntegralInRange<int>(0, 9))
        {
        case 0:
            break;
        case 1:
            now -= data.ConsumeIntegralInRange<int>(1, 1000) / 1000.0;
            break;
        case 2:
            now += data.ConsumeIntegralInRange<int>(1, 100000);
            break;
        default:
            now += (16.667 + data.ConsumeIntegralInRange<int>(-5, 5)) / 1000.0;
        }
        connected = data.ConsumeIntegralInRange<int>(0, 15) != 0;
        // None, one, or a burst of samples since the last frame (more than the ring holds, at
        // times), some of them older than the one before.
        for (int n = data.ConsumeIntegralInRange<int>(-4, 40); n > 0; --n)
        {
            switch (data.ConsumeIntegralInRange<int>(0, 9))
            {
            case 0:
                break; // the same position again
            case 1:
                position = number(data, 60.0); // a jump, or no number at all
                break;
            case 2:
                position -= data.ConsumeIntegralInRange<int>(1, 30) / 1000.0; // late
                break;
            default:
                position += 1.0 / 60.0;
            }
            orvbeat::DeckSample sample;
            // Mostly the beat of a 120 BPM grid on the position, sometimes anything.
            const bool onGrid = data.ConsumeBool() && std::fabs(position) < 1e6;
            sample.beat = onGrid ? static_cast<int32_t>(std::floor(position * 2.0)) % 4
                                 : data.ConsumeIntegral<int32_t>();
            sample.arrivalNs = data.ConsumeIntegralInRange<int>(0, 20) == 0
                                   ? data.ConsumeIntegral<int64_t>()
                                   : nanoseconds(now - 0.002);
            sample.position = position;
            sample.bpm = number(data, 120.0);
            sample.pitch = number(data, 1.0);
            sample.length =
                data.ConsumeIntegralInRange<int>(0, 30) == 0 ? number(data, 300.0) : 300.0;
            samples.push(sample);
        }

        const orvbeat::BeatOutput out = tracker.update(samples, connected, now, settings);
        for (double value : {out.beatRamp, out.barRamp, out.beatPulse, out.beat, out.beats, out.bpm,
                             out.playing, out.position, out.locked})
        {
            FUZZ_CHECK(std::isfinite(value));
        }
        for (double value : {out.phrase.ramp, out.phrase.barInPhrase, out.phrase.phrases,
                             out.trackEnd.timeLeft, out.trackEnd.beatsLeft, out.trackEnd.barsLeft,
                             out.trackEnd.trackProgress, out.loop.jumpBeats, out.loop.loopBeats})
        {
            FUZZ_CHECK(std::isfinite(value));
        }
        FUZZ_CHECK(out.beatRamp >= 0.0 && out.beatRamp < 1.0);
        FUZZ_CHECK(out.barRamp >= 0.0 && out.barRamp < 1.0);
        FUZZ_CHECK(out.phrase.ramp >= 0.0 && out.phrase.ramp < 1.0);
        FUZZ_CHECK(out.trackEnd.trackProgress >= 0.0 && out.trackEnd.trackProgress <= 1.0);
        FUZZ_CHECK(isFlag(out.beatPulse) && isFlag(out.playing) && isFlag(out.locked));
        FUZZ_CHECK(isFlag(out.phrase.pulse) && isFlag(out.phrase.warning) &&
                   isFlag(out.loop.jumpPulse) && isFlag(out.loop.looping));
    }
    return 0;
}
