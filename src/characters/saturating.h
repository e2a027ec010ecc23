#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>

// Game figures have no floor and (apart from health) no ceiling, so repeated
// changes could run past the 32-bit range; clamping keeps that well defined.
namespace saturating {

inline std::int32_t clamp_to_int32(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

inline std::int32_t add(std::int32_t lhs, std::int32_t rhs) {
    return clamp_to_int32(std::int64_t{lhs} + rhs);
}

inline std::int32_t subtract(std::int32_t lhs, std::int32_t rhs) {
    return clamp_to_int32(std::int64_t{lhs} - rhs);
}

}  // namespace saturating
