// What the beat tracker reads on every frame: one deck's latest state as the receiver keeps it,
// and the settings of the node.
#pragma once

#include <cstdint>

namespace orvbeat
{

struct DeckInput
{
    bool connected = false; // the receiver is connected (otherwise the clock holds)

    // The latest Deck datagram of this deck.
    std::uint64_t datagramCount = 0; // datagrams stored for this deck so far (0: none yet);
                                     // a new value means a new datagram
    double arrival = 0.0;            // its arrival time, seconds, on the clock of `now`
    double position = 0.0;           // "Position": seconds into the track (sender's units)
    double bpm = 0.0;                // "BPM"
    double pitch = 0.0;              // "Pitch": playback speed, 1 = as recorded (sender's
                                     // convention; may be 0 or anything)
    double length = 0.0;             // "Length": track length (a change means another track)
    std::int32_t beat = 0;           // "Beat": whatever the sender counts (1..4, -1, ...)

    // The latest change of Beat between two consecutive datagrams of this deck, as the receive
    // thread saw it. Several changes may fall between two frames: only the latest is here.
    std::uint64_t beatChangeCount = 0; // changes so far (0: none); a new value = a new boundary
    double arrivalBeforeChange = 0.0;  // arrival of the last datagram with the old value
    double arrivalAtChange = 0.0;      // arrival of the first datagram with the new value
    double positionBeforeChange = 0.0; // their Position values
    double positionAtChange = 0.0;
    std::int32_t beatBeforeChange = 0; // the old and new Beat values
    std::int32_t beatAtChange = 0;
};

// The most beats a bar may have; the tracker reads beatsPerBar clamped to 1..kMostBeatsPerBar.
inline constexpr std::int32_t kMostBeatsPerBar = 16;

struct TrackerSettings
{
    std::int32_t beatsPerBar = 4; // used clamped to 1..kMostBeatsPerBar
    bool bpmIncludesPitch = true; // false: the clock runs at BPM x Pitch
};

} // namespace orvbeat
