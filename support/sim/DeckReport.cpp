#include "support/sim/DeckReport.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace orvsim
{

namespace
{

double garbageNumber(Random& random)
{
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    const double choices[] = {
        std::numeric_limits<double>::quiet_NaN(),
        kInfinity,
        -kInfinity,
        0.0,
        1e300,
        -random.uniform(0.0, 1000.0),
        random.uniform(0.0, 1000.0),
        random.uniform(-1e6, 1e6),
    };
    return choices[random.below(std::size(choices))];
}

} // namespace

DeckReport reportDeck(const DeckTimeline& deck, const SenderProfile& sender, double sendTime)
{
    const DeckMoment engine = deck.at(sendTime);
    const PlannedTrack& track = deck.track(engine.track);
    DeckReport report;
    report.sendTime = sendTime;
    report.track = engine.track;
    // A hand on the transport (play, pause, cue, load) begins a new buffer.
    const double buffered =
        std::max(bufferStart(sender, sendTime), deck.lastTransportChange(sendTime));
    report.position = steppedPosition(deck.at(buffered).position, sender);
    report.pitch = engine.pitch;
    report.bpm = sender.bpmIncludesPitch ? track.bpm * engine.pitch : track.bpm;
    report.length = track.length;
    report.step = bufferSeconds(sender) * engine.pitch + sender.positionStep;
    const double beatPosition = sender.beatFromEngine ? engine.position : report.position;
    report.beat =
        beatOfLine(static_cast<long long>(std::floor(track.gridBeats(beatPosition))), sender);
    return report;
}

void scramble(DeckReport& report, Random& random)
{
    report.garbage = true;
    report.position = garbageNumber(random);
    report.bpm = garbageNumber(random);
    report.pitch = garbageNumber(random);
    report.beat = random.chance(0.1) ? std::numeric_limits<std::int32_t>::min()
                                     : static_cast<std::int32_t>(random.between(-8, 40));
}

} // namespace orvsim
