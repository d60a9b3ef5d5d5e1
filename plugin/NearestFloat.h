// Numbers into the host's 32-bit float channel samples, with no conversion left undefined.
#pragma once

#include <cstdint>

namespace orvplugin
{

// The nearest float, ties to even; a magnitude beyond the float range becomes an infinity of
// the same sign, a NaN stays a NaN. Written out so that no out-of-range conversion is left to
// the compiler.
float nearestFloat(double value);
// The nearest float; exact up to a magnitude of 16 777 216.
float nearestFloat(std::int32_t value);

} // namespace orvplugin
