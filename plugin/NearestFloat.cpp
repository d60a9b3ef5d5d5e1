#include "plugin/NearestFloat.h"

#include <limits>

namespace orvplugin
{

namespace
{

// Halfway between the largest float and 2^128: from here on (the tie included, since 2^128
// has the even significand) a double rounds to infinity.
constexpr double kFloatOverflowEdge = 0x1.ffffffp+127;

} // namespace

float nearestFloat(double value)
{
    if (value >= kFloatOverflowEdge)
    {
        return std::numeric_limits<float>::infinity();
    }
    if (value <= -kFloatOverflowEdge)
    {
        return -std::numeric_limits<float>::infinity();
    }
    return static_cast<float>(value);
}

float nearestFloat(std::int32_t value)
{
    return static_cast<float>(value);
}

} // namespace orvplugin
