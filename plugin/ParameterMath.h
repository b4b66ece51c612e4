#pragma once

#include <cstdint>

namespace tovrel {

// Truncation toward zero of a float, defined for every input: NaN and values beyond the 32-bit
// range saturate instead of invoking undefined behaviour. Host values such as NaN or 1e30 then
// land outside every valid range and are treated like any other out-of-range value.
// Deliberate: saturates where a plain conversion would be undefined (docs/deliberate-choices.md).
inline int32_t truncateToInt32(float value) {
    if (value != value)
        return INT32_MIN;
    if (value >= 2147483648.0f)
        return INT32_MAX;
    if (value <= -2147483648.0f)
        return INT32_MIN;
    return static_cast<int32_t>(value);
}

// A 16-bit half of the level word from a wider intermediate; anything outside 16 bits becomes
// 0xFFFF, which no range accepts, so the fallback level is installed rather than a wrapped value.
inline uint32_t levelHalf(int64_t value) {
    return (value < 0 || value > 0xFFFF) ? 0xFFFFu : static_cast<uint32_t>(value);
}

// The rate a host announces, as the filter takes it: truncated to whole Hz. Negative rates and NaN
// wrap to huge unsigned values, which the filter replaces by its default rate like any other rate
// out of range.
inline uint32_t sampleRateFromHost(float rate) {
    return static_cast<uint32_t>(truncateToInt32(rate));
}

} // namespace tovrel
