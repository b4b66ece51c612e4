#pragma once

#include "engine/LevelWord.h"

#include <cstdint>

namespace tovrel {

// The six coefficients of the crossfeed filter's two first-order sections: the low-pass that
// feeds each channel to the other, the high-boosting shelf on each channel's own signal, and the
// gain that brings a centred signal back to unity.
struct FilterCoefficients {
    double lowA0{0.0};
    double lowB1{0.0};
    double highA0{0.0};
    double highA1{0.0};
    double highB1{0.0};
    double gain{0.0};
};

// A level and a rate as the filter runs them, with their coefficients.
struct FilterDesign {
    LevelWord level{kFallbackLevel};
    std::uint32_t sampleRate{kDefaultSampleRate};
    FilterCoefficients coefficients;
};

// The rate itself if the filter supports it, else the default rate.
constexpr std::uint32_t validSampleRate(std::uint32_t rate) {
    // One unsigned comparison covers both ends of the range.
    return rate - kMinSampleRate > kMaxSampleRate - kMinSampleRate ? kDefaultSampleRate : rate;
}

// Validates the level and the rate (an invalid level becomes the fallback level whole, an invalid
// rate the default rate) and designs the filter for them. Pure: the same words always give the
// same coefficients, to the bit, on every build.
FilterDesign designFilter(LevelWord level, std::uint32_t sampleRate);

} // namespace tovrel
