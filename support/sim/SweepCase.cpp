#include "support/sim/SweepCase.h"

#include "support/sim/ProfileText.h"
#include "support/sim/Random.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <vector>

namespace orvsim
{

namespace
{

constexpr double kTimerLateness = 0.002;
constexpr int kBufferSizes[] = {64, 128, 256, 512, 1024};
constexpr double kMs = 0.001;
// The incidents of a plan lie between this long after the deck starts and this long before
// the run's end, each in a slot of its own long enough for the longest incident to end in it.
constexpr double kSettleSeconds = 6.0;
constexpr double kClosingSeconds = 8.0;
constexpr double kLongestIncident = 4.0;

enum class Incident
{
    Ramp,
    Cue,
    Pause,
    TrackChange,
};

PlannedTrack drawTrack(Random& random)
{
    PlannedTrack track;
    track.bpm = random.uniform(90.0, 160.0);
    track.gridOffset = random.unit() * track.beatSeconds();
    track.length = random.uniform(180.0, 480.0);
    return track;
}

// A DJ's cue: on a beat line of the grid in half of them, anywhere in the others.
double drawCue(Random& random, const PlannedTrack& track, bool& onLine)
{
    onLine = random.chance(0.5);
    return onLine ? track.linePosition(random.between(2, 64)) : random.uniform(1.0, 60.0);
}

double drawPitch(Random& random)
{
    if (random.chance(1.0 / 3.0))
        return random.chance(0.25) ? 1.0 : 1.0 + random.uniform(-0.01, 0.01);
    return random.uniform(0.92, 1.08);
}

SenderProfile drawSender(Random& random)
{
    SenderProfile sender;
    sender.name = "sweep";
    sender.rate = random.uniform(25.0, 60.0);
    sender.lateTimer = kTimerLateness;
    if (!random.chance(0.25))
    {
        sender.bufferSamples = kBufferSizes[random.below(std::size(kBufferSizes))];
        sender.sampleRate = random.chance(0.5) ? 44100.0 : 48000.0;
        sender.bufferPhase = random.unit() * bufferSeconds(sender);
    }
    sender.beatFromEngine = random.chance(0.5);
    sender.firstBeat = random.chance(0.5) ? 0 : 1;
    sender.bpmIncludesPitch = random.chance(0.5);
    return sender;
}

// A link that is mostly quick with a tail of late datagrams.
void heavyTail(Random& random, NetworkProfile& network)
{
    network.minDelay = random.uniform(1.0, 5.0) * kMs;
    network.tailScale = random.uniform(1.0, 4.0) * kMs;
    network.tailShape = random.uniform(1.2, 2.0);
    network.maxDelay = network.minDelay + random.uniform(20.0, 60.0) * kMs;
}

NetworkProfile drawNetwork(Random& random)
{
    NetworkProfile network;
    switch (random.below(4))
    {
    case 0:
        network.name = "lan";
        network.minDelay = random.uniform(0.0, 1.0) * kMs;
        network.maxDelay = network.minDelay + random.uniform(0.5, 5.0) * kMs;
        break;
    case 1:
        network.name = "wifi";
        network.minDelay = random.uniform(1.0, 3.0) * kMs;
        network.maxDelay = network.minDelay + random.uniform(10.0, 35.0) * kMs;
        network.swap = random.uniform(0.01, 0.08);
        break;
    case 2:
        network.name = "heavy-tail";
        heavyTail(random, network);
        break;
    default:
        heavyTail(random, network);
        network.stallEvery = random.uniform(2.0, 6.0);
        network.stallLength = random.uniform(0.05, 0.3);
        network.shuffleBursts = random.chance(0.5);
        network.name = network.shuffleBursts ? "stalls-shuffled" : "stalls";
        break;
    }
    network.loss = random.uniform(0.0, 0.2);
    network.duplication = random.uniform(0.0, 0.05);
    return network;
}

std::string seconds(double value)
{
    return roundedText(value, 2) + " s";
}

// The pitch moves smoothly by 1-5% over 2-4 s; the grid in track seconds stays.
std::string rampAt(Random& random, DeckTimeline& deck, double at)
{
    const double from = deck.at(at).pitch;
    const double sign = random.chance(0.5) ? 1.0 : -1.0;
    const double to = from * (1.0 + sign * random.uniform(0.01, 0.05));
    const double length = random.uniform(2.0, kLongestIncident);
    deck.glide(at, (to - from) / length);
    deck.setPitch(at + length, to);
    return "pitch " + roundedText(from, 4) + " -> " + roundedText(to, 4) + " over " +
           seconds(length) + " at " + seconds(at);
}

// A cue forward or back, short (under 3 beats) or long (4-32), by whole beats (on the grid)
// or not.
std::string cueAt(Random& random, DeckTimeline& deck, double at)
{
    const PlannedTrack& track = deck.track(deck.at(at).track);
    double beats = random.chance(0.5) ? random.uniform(4.0, 32.0) : random.uniform(0.25, 3.0);
    const bool onGrid = random.chance(0.5);
    if (onGrid)
        beats = std::max(1.0, std::round(beats));
    if (random.chance(0.5))
        beats = -beats;
    const double position = deck.at(at).position + beats * track.beatSeconds();
    deck.seek(at, std::max(0.5, position));
    return "cue " + roundedText(beats, 2) + " beats" + (onGrid ? " (on the grid)" : "") + " at " +
           seconds(at);
}

std::string pauseAt(Random& random, DeckTimeline& deck, double at)
{
    const double length = random.uniform(0.5, 2.5);
    deck.pause(at);
    deck.play(at + length);
    return "pause " + seconds(length) + " at " + seconds(at);
}

std::string trackChangeAt(Random& random, DeckTimeline& deck, double at)
{
    const PlannedTrack track = drawTrack(random);
    bool onLine = false;
    const double cue = drawCue(random, track, onLine);
    const double hold = random.uniform(0.5, 2.0);
    deck.load(at, track, cue);
    deck.play(at + hold);
    return "new track at " + seconds(at) + " (" + roundedText(track.bpm, 2) + " BPM, grid " +
           roundedText(track.gridOffset / track.beatSeconds(), 2) + " beat in, " +
           roundedText(track.length, 1) + " s long), plays " + seconds(hold) + " later";
}

std::string incidentAt(Incident incident, Random& random, DeckTimeline& deck, double at)
{
    switch (incident)
    {
    case Incident::Ramp:
        return rampAt(random, deck, at);
    case Incident::Cue:
        return cueAt(random, deck, at);
    case Incident::Pause:
        return pauseAt(random, deck, at);
    case Incident::TrackChange:
        return trackChangeAt(random, deck, at);
    }
    return "";
}

DeckTimeline drawPlan(Random& random, double duration, std::string& plan)
{
    const PlannedTrack track = drawTrack(random);
    bool onLine = false;
    const double cue = drawCue(random, track, onLine);
    DeckTimeline deck(track, cue, drawPitch(random));
    const double start = random.uniform(0.5, 3.0);
    deck.play(start);
    plan = "paused at a cue" + std::string(onLine ? " on a line" : "") + ", plays at " +
           seconds(start);

    if (!random.chance(0.4))
        return deck;
    const int count = random.between(1, 2);
    const double first = start + kSettleSeconds;
    const double slot = (duration - kClosingSeconds - first) / count;
    for (int i = 0; i < count; ++i)
    {
        const auto incident = static_cast<Incident>(random.below(4));
        const double at = first + slot * (i + random.uniform(0.0, 0.25));
        plan += "; " + incidentAt(incident, random, deck, at);
    }
    return deck;
}

} // namespace

SweepCase drawCase(std::uint64_t seed)
{
    Random random(seed);
    const double duration = random.uniform(30.0, 40.0);
    std::string plan;
    DeckTimeline deck = drawPlan(random, duration, plan);
    SweepCase sweepCase{seed, duration, drawSender(random), drawNetwork(random), true, deck,
                        {},   plan};
    sweepCase.nodeBpmIncludesPitch = random.chance(0.5) ? sweepCase.sender.bpmIncludesPitch : true;
    if (random.chance(0.1))
    {
        const double length = random.uniform(2.0, 4.0);
        const double start = random.uniform(10.0, duration - kClosingSeconds - length);
        sweepCase.garbage = TimeSpan{start, start + length};
    }
    return sweepCase;
}

std::string describe(const SweepCase& sweepCase)
{
    const PlannedTrack& track = sweepCase.deck.track(0);
    std::string text = "seed " + std::to_string(sweepCase.seed) + ", " +
                       seconds(sweepCase.duration) + ": " + roundedText(track.bpm, 2) +
                       " BPM at pitch " + roundedText(sweepCase.deck.at(0.0).pitch, 4) + ", grid " +
                       roundedText(track.gridOffset / track.beatSeconds(), 2) + " beat in; " +
                       (bufferSeconds(sweepCase.sender) > 0.0 ? "" : "Position exact, ") +
                       describe(sweepCase.sender) + "; node: BPM Includes Pitch " +
                       (sweepCase.nodeBpmIncludesPitch ? "on" : "off") + "; network " +
                       sweepCase.network.name + ": " + describe(sweepCase.network) + "; " +
                       sweepCase.plan;
    if (sweepCase.garbage)
    {
        text += "; garbage " + roundedText(sweepCase.garbage->from, 2) + "-" +
                seconds(sweepCase.garbage->to);
    }
    return text;
}

} // namespace orvsim
