// The output of a channel (CHOP) node as the host keeps it between frames.
//
// The host allocates one buffer per channel in the shape that getOutputInfo declares. A new
// buffer (first cook, or after the shape changed) starts with every sample NaN, so a sample
// that no cook ever wrote is visible. While the shape stays the same the buffers are kept:
// a sample that a cook does not write keeps the value of the previous frame, as in the host.
// writtenLastCook tells which samples the last execute wrote.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace orvharness
{

// The value of a sample that no cook has written.
inline float neverWrittenSample()
{
    return std::numeric_limits<float>::quiet_NaN();
}

struct ChannelOutput
{
    // Whether the last getOutputInfo answered true (the plug-in set the shape itself).
    bool shapeFromPlugin = false;
    int32_t numChannels = 0;
    int32_t numSamples = 0;
    float sampleRate = 0.0f;
    uint32_t startIndex = 0;
    // One name per channel, as getChannelName handed it over (only asked when the shape came
    // from the plug-in; otherwise "chan1", "chan2", ...).
    std::vector<std::string> names;
    // samples[channel][sample]
    std::vector<std::vector<float>> samples;
    // writtenLastCook[channel][sample]
    std::vector<std::vector<bool>> writtenLastCook;
};

} // namespace orvharness
