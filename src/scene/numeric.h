// Checked conversions for scene arithmetic.
//
// Scene values are doubles and 64-bit intermediates; pixels are signed 32-bit.
// Every conversion goes through these helpers so that no value out of range,
// and no NaN, can reach an undefined conversion.
#pragma once

#include <cstdint>
#include <limits>

namespace zorbel {

// Truncates toward zero. NaN gives 0; values beyond the int range give the
// nearest end of the range.
inline std::int32_t TruncToInt(double value)
{
    constexpr double kMax = 2147483647.0;
    constexpr double kMin = -2147483648.0;
    if (!(value == value))
        return 0;
    if (value >= kMax)
        return std::numeric_limits<std::int32_t>::max();
    if (value <= kMin)
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

// Brings a 64-bit intermediate back into the int range, saturating.
inline std::int32_t ClampToInt(std::int64_t value)
{
    if (value > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    if (value < std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

} // namespace zorbel
