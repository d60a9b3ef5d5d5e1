// A deck in simulated time as the tracker sees it through a receiver: a sender plays a track
// and sends a Deck datagram 60 times a second, each delayed by 0..5 ms, 10% of them lost;
// `samples` holds what the receiver would have stored by then. The network and the sender can
// be made harder: wider delays (datagrams then overtake each other), stalls released as a
// burst, in order or shuffled, Position in coarse steps, another send rate, Beat from 0.
// Frames come 60 times a second with a millisecond of jitter. Everything is seeded.
#pragma once

#include "beat/BeatTracker.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

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
    bool beatFromZero = false; // Beat counts 0..3 instead of 1..4
    double positionStep = 0.0; // Position sent in steps of this many seconds (0: exact)
    double sendRate = 60.0;    // datagrams a second
    double sendJitter = 0.001; // seconds each send may come after its tick
    double dropRate = 0.1;
    double minDelay = 0.0;
    double maxDelay = 0.005;
    double stallEvery = 0.0;    // seconds between stalls (0: none)
    double stallSeconds = 0.15; // everything sent during a stall arrives at its end at once
    bool shuffleBursts = false; // a stall's datagrams arrive in any order

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
    // The least delay any datagram had: no receiver can see it, so errors are read less it.
    double leastDelay() const { return minDelay; }

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
            // A sender's timer fires a little late now and then, as on any busy machine.
            const double sendAt = nextSend_ + uniform(0.0, sendJitter);
            deliverUntil(sendAt);
            step(sendAt);
            send();
            nextSend_ += 1.0 / sendRate;
        }
        deliverUntil(target);
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
    std::vector<Datagram> inFlight_;

    void step(double to)
    {
        if (playing)
            position += (to - now) * pitch;
        now = to;
    }

    double delay()
    {
        double arrival = now + uniform(minDelay, maxDelay);
        if (stallEvery > 0.0)
        {
            const double stallStart = std::floor(now / stallEvery) * stallEvery;
            if (now - stallStart < stallSeconds)
                arrival = std::max(arrival, stallStart + stallSeconds +
                                                (shuffleBursts ? uniform(0.0, 0.0005) : 0.0));
        }
        return arrival - now;
    }

    void send()
    {
        if (!sending || uniform(0.0, 1.0) < dropRate)
            return;
        const int beat = randomBeat ? static_cast<int>(rng() % 4)
                         : sendBeat ? senderBeat() + (beatFromZero ? 0 : 1)
                                    : -1;
        const double sent =
            positionStep > 0.0 ? std::floor(position / positionStep) * positionStep : position;
        inFlight_.push_back(Datagram{now + delay(), sendPosition ? sent : 0.0, beat});
    }

    // Everything that has arrived by `to`, in the order it arrived.
    void deliverUntil(double to)
    {
        std::stable_sort(inFlight_.begin(), inFlight_.end(),
                         [](const Datagram& a, const Datagram& b)
                         { return a.arrival < b.arrival; });
        std::size_t delivered = 0;
        for (; delivered < inFlight_.size() && inFlight_[delivered].arrival <= to; ++delivered)
        {
            const Datagram& d = inFlight_[delivered];
            orvbeat::DeckSample sample;
            sample.arrivalNs = static_cast<std::int64_t>(std::llround(d.arrival * 1e9));
            sample.position = d.position;
            sample.bpm = trackBpm * pitch * bpmFactor;
            sample.pitch = pitch;
            sample.length = length;
            sample.beat = d.beat;
            samples.push(sample);
        }
        inFlight_.erase(inFlight_.begin(), inFlight_.begin() + static_cast<long>(delivered));
    }
};
