// A track that a simulated deck can play, and the small invented crate the simulator plays
// from. The names are made up; the file paths look like a DJ's music folder.
#pragma once

#include <string>
#include <vector>

namespace orvsim
{

struct Track
{
    std::string title;
    std::string artist;
    std::string album;
    std::string filepath;
    double lengthSeconds = 0.0;
    double bpm = 0.0; // the tempo as recorded, at pitch 1
};

// At least eight tracks, each at least two minutes long with a tempo from 90 to 140.
const std::vector<Track>& trackCrate();

} // namespace orvsim
