#pragma once

#include <cmath>
#include <cstdint>

namespace tovrel {

// Truncation toward zero of a float, defined for every input: NaN and values beyond the 32-bit
// range saturate instead of invoking undefined behaviour. Host values such as NaN or 1e30 then
// land outside every valid range and are treated like any other out-of-range value.
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

// The feed in tenths of a dB and the cut frequency in Hz that a host value selects:
// 10 + trunc(value * 140) and 300 + trunc(value * 1700), written as subtractions of the negated
// products so that the float rounding matches the editor's level display.
inline int64_t feedFromParameter(float value) {
    return 10 - static_cast<int64_t>(truncateToInt32(value * -140.0f));
}
inline int64_t cutFromParameter(float value) {
    return 300 - static_cast<int64_t>(truncateToInt32(value * -1700.0f));
}

// The value reported for a feed: (feed - 10) times the float nearest 1/140. Every one of the 141
// feeds maps back to itself.
inline float parameterFromFeed(uint32_t feed) {
    return static_cast<float>(static_cast<int32_t>(feed) - 10) * 0.0071428571827709675f;
}

// The value reported for a cut frequency: the float nearest (cut - 300) times the float nearest
// 1/1700 that cutFromParameter maps back to the same frequency, so that a host that saves the
// value and sets it again gets the frequency back. The plain product lies just below the
// frequency's lower boundary for almost half of the frequencies (1234 Hz would come back as
// 1233 Hz). The mapping is monotonic, so the floats that give one frequency form a single run and
// the nearest of them is found by stepping one float at a time towards the run; one step is all
// any frequency from 300 to 2000 needs, and the bound only keeps a frequency outside that range
// from searching far.
inline float parameterFromCut(uint32_t cut) {
    const int64_t wanted = static_cast<int32_t>(cut);
    float value = static_cast<float>(wanted - 300) * 0.0005882352706976235f;
    for (int step = 0; step < 4; ++step) {
        const int64_t mapped = cutFromParameter(value);
        if (mapped == wanted)
            break;
        value = std::nextafter(value, mapped < wanted ? 2.0f : -1.0f);
    }
    return value;
}

} // namespace tovrel
