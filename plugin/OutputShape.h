// What a channel operator checks in execute before it writes a sample.
#pragma once

#include "CHOP_CPlusPlusBase.h"

#include <cstdint>

namespace orvplugin
{

// The host allocates the shape getOutputInfo declared; a host that refused it gets nothing
// rather than writes past its buffers. True when `output` holds at least `channels` channels
// of at least one sample each.
inline bool hasDeclaredShape(const TD::CHOP_Output& output, int32_t channels)
{
    return output.numChannels >= channels && output.numSamples >= 1 &&
           (channels == 0 || output.channels != nullptr);
}

} // namespace orvplugin
