// A deck in simulated time as the tracker sees it through a receiver: a sender plays a track
// and sends a Deck datagram 60 times a second, each delayed by 0..5 ms, 10% of them lost;
// `samples` holds what the receiver would have stored by then.
// Frames come 60 times a second with a millisecond of jitter. Everything is seeded.
#pragma once

#include "beat/BeatTracker.h"

#include <cmath>
#include <cstdint>
#include <random>

struct SyntheticDeck
{
    // The sender.
    double trackBpm = 124.0;
    double pitch = 1.0;
    double position = 10.3;  // track seconds
    double gridOffset = 0.0; // track seconds of the first beat line
    double length = 300.0;
    double bpmFactor = 1.0; // the BPM sent is trackBpm x pitch x bpmFactor
    bool playing = true;
    bool sending = true;
    bool sendBeat = true;    // false: Beat is always -1
    bool randomBeat = false; // Beat is noise
    bool sendPosition = true;
    double dropRate = 0.1;
    double maxDelay = 0.005;

    orvbeat::DeckSamples samples;
    bool connected = true;
    orvbeat::TrackerSettings settings;
    orvbeat::BeatTracker tracker;
    std::mt19937 rng;
    double now = 0.0;

    explicit SyntheticDeck(unsigned seed = 1) : rng(seed) {}

    double uniform(double lo, double hi) { return std::uniform_real_distribution<>(lo, hi)(rng); }
    double beatSeconds() const { return 60.0 / (trackBpm * pitch); }
    double truePhase() const { return (position - gridOffset) * trackBpm / 60.0; }
    int senderBeat() const { return (static_cast<int>(std::floor(truePhase())) % 4 + 4) % 4; }

    // Seconds from the true boundary to where the frame's ramp puts it (positive: late).
    double boundaryError(const orvbeat::BeatOutput& out) const
    {
        const double phase = truePhase() - out.beatRamp * 60.0 / out.bpm / beatSeconds();
        return (phase - std::round(phase)) * beatSeconds();
    }

    // One frame: the sender and the network up to the frame's time, then the tracker.
    orvbeat::BeatOutput frame()
    {
        const double target = std::round(now * 60.0 + 1.0) / 60.0 + uniform(-0.001, 0.001);
        while (nextSend_ <= target)
        {
            if (pendingValid_ && pending_.arrival <= nextSend_)
                deliver();
            step(nextSend_);
            send();
            nextSend_ += 1.0 / 60.0;
        }
        if (pendingValid_ && pending_.arrival <= target)
            deliver();
        step(target);
        return tracker.update(samples, connected, now, settings);
    }

private:
    // In flight; BPM, Pitch and Length are read when it lands (a few ms make no difference).
    struct Datagram
    {
        double arrival, position;
        int beat;
    };

    double nextSend_ = 0.0;
    Datagram pending_{};
    bool pendingValid_ = false;

    void step(double to)
    {
        if (playing)
            position += (to - now) * pitch;
        now = to;
    }

    void send()
    {
        if (!sending || uniform(0.0, 1.0) < dropRate)
            return;
        const int beat = randomBeat ? static_cast<int>(rng() % 4)
                         : sendBeat ? senderBeat() + 1
                                    : -1;
        pending_ = Datagram{now + uniform(0.0, maxDelay), sendPosition ? position : 0.0, beat};
        pendingValid_ = true;
    }

    void deliver()
    {
        const Datagram& d = pending_;
        orvbeat::DeckSample sample;
        sample.arrivalNs = static_cast<std::int64_t>(std::llround(d.arrival * 1e9));
        sample.position = d.position;
        sample.bpm = trackBpm * pitch * bpmFactor;
        sample.pitch = pitch;
        sample.length = length;
        sample.beat = d.beat;
        samples.push(sample);
        pendingValid_ = false;
    }
};
