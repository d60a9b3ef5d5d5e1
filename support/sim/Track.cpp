#include "support/sim/Track.h"

namespace orvsim
{

namespace
{

Track makeTrack(const char* title, const char* artist, const char* album, double length, double bpm)
{
    Track track;
    track.title = title;
    track.artist = artist;
    track.album = album;
    track.filepath = std::string("/Music/ORV Crate/") + artist + " - " + title + ".flac";
    track.lengthSeconds = length;
    track.bpm = bpm;
    return track;
}

} // namespace

const std::vector<Track>& trackCrate()
{
    static const std::vector<Track> crate = {
        makeTrack("Glass Harbour", "Mira Okonkwo", "Night Ferries", 372.0, 124.0),
        makeTrack("Static Bloom", "The Lantern Set", "Low Orbit", 318.5, 122.0),
        makeTrack("Copper Rain", "Deltaform", "Copper Rain EP", 401.2, 128.0),
        makeTrack("Slow Signal", "Hana Veldt", "Afterglow Studies", 289.0, 118.0),
        makeTrack("Northbound", "Kito & Sable", "Northbound", 345.7, 126.0),
        makeTrack("Paper Moons", "Orla Finch", "Soft Machines", 298.3, 120.0),
        makeTrack("Undertow", "Deltaform", "Undertow", 412.9, 130.0),
        makeTrack("Sunday Circuit", "The Lantern Set", "Low Orbit", 333.0, 123.0),
        makeTrack("Halcyon Drive", "Mira Okonkwo", "Night Ferries", 360.4, 125.0),
        makeTrack("Amber Tape", "Hana Veldt", "Afterglow Studies", 276.6, 96.0),
    };
    return crate;
}

} // namespace orvsim
