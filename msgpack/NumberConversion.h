#pragma once
// How a stored number becomes an accessor's result type (the rules are listed in MsgPack.h).
// Floating to integer never performs an out-of-range conversion, which would be undefined
// behaviour: only values whose truncation fits a 64-bit integer are converted.

#include <cstdint>
#include <limits>
#include <type_traits>

namespace orvpack
{

// Truncates toward zero to a 64-bit integer, which then converts like a stored integer
// (narrower results keep its low bits: 300.0 gives 44 as a uint8_t). Beyond the int64 range
// the result saturates at the bound of Int (uint64_t keeps what lies below 2^64); NaN gives 0.
template <typename Int, typename Float> Int float_to_integer(Float value)
{
    constexpr Float two_pow_63 = static_cast<Float>(uint64_t{1} << 63); // exact
    if (value != value)
    {
        return 0;
    }
    if (value >= two_pow_63)
    {
        if constexpr (std::is_same_v<Int, uint64_t>)
        {
            if (value < 2 * two_pow_63)
            {
                return static_cast<uint64_t>(value);
            }
        }
        return std::numeric_limits<Int>::max();
    }
    if (value < -two_pow_63)
    {
        return std::numeric_limits<Int>::min();
    }
    return static_cast<Int>(static_cast<int64_t>(value));
}

template <typename To, typename From> To convert_number(From value)
{
    if constexpr (std::is_floating_point_v<From> && std::is_integral_v<To>)
    {
        return float_to_integer<To>(value);
    }
    else
    {
        return static_cast<To>(value);
    }
}

} // namespace orvpack
