#pragma once

#include "engine/LevelWord.h"
#include "plugin/ParameterMath.h"

#include <cmath>
#include <cstdint>

namespace tovrel {

// How the host's values from 0 to 1 map onto the effect's settings, in one place: the effect
// applies and reports its parameters with these, and the tools that drive it aim with them.

// "Feed" spans 140 tenths of a dB above its minimum, "FCut" 1700 Hz above its minimum.
constexpr float kFeedSteps = 140.0f;
constexpr float kCutSteps = 1700.0f;
// One step of each in host value: the floats nearest 1/140 and 1/1700.
constexpr float kFeedStepValue = 1.0f / kFeedSteps;
constexpr float kCutStepValue = 1.0f / kCutSteps;
static_assert(kFeedStepValue == 0.0071428571827709675f);
static_assert(kCutStepValue == 0.0005882352706976235f);

// "Defs" reports preset n as n / 4.
constexpr float kPresetStepValue = 0.25f;

// The feed in tenths of a dB and the cut frequency in Hz that a host value selects:
// 10 + trunc(value * 140) and 300 + trunc(value * 1700), written as subtractions of the negated
// products so that the float rounding matches the editor's level display. Wider than a level
// half, so that no host value wraps: levelHalf() turns what lies outside into the fallback.
inline int64_t feedFromParameter(float value) {
    return static_cast<int64_t>(kMinFeed) - static_cast<int64_t>(truncateToInt32(value * -kFeedSteps));
}
inline int64_t cutFromParameter(float value) {
    return static_cast<int64_t>(kMinCutFrequency) - static_cast<int64_t>(truncateToInt32(value * -kCutSteps));
}

// The value reported for a feed: (feed - 10) times the float nearest 1/140. Every one of the 141
// feeds maps back to itself.
inline float parameterFromFeed(uint32_t feed) {
    return static_cast<float>(static_cast<int32_t>(feed) - static_cast<int32_t>(kMinFeed)) * kFeedStepValue;
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
    float value = static_cast<float>(wanted - static_cast<int64_t>(kMinCutFrequency)) * kCutStepValue;
    for (int step = 0; step < 4; ++step) {
        const int64_t mapped = cutFromParameter(value);
        if (mapped == wanted)
            break;
        value = std::nextafter(value, mapped < wanted ? 2.0f : -1.0f);
    }
    return value;
}

// Host values in the middle of a feed's or a cut frequency's step, for a host that sets a level
// it knows in tenths of a dB and in Hz: truncation inside the effect lands on it whatever the
// rounding on the way.
inline float centredParameterForFeed(int32_t feed) {
    return (static_cast<float>(feed - static_cast<int32_t>(kMinFeed)) + 0.5f) / kFeedSteps;
}
inline float centredParameterForCut(int32_t cut) {
    return (static_cast<float>(cut - static_cast<int32_t>(kMinCutFrequency)) + 0.5f) / kCutSteps;
}

// The preset a "Defs" value selects: trunc(value * 5 - 0.01), so that each reported value n / 4
// selects preset n. Values that select no preset of the list come out below 1 or beyond the last.
inline int32_t presetFromParameter(float value) {
    const float scaled = value * 5.0f;
    return truncateToInt32(scaled - 0.01f);
}
inline float parameterFromPreset(int32_t preset) {
    return static_cast<float>(preset) * kPresetStepValue;
}

// The inter-aural delay in microseconds shown beside a cut frequency: 18700 / cut in whole tens,
// and 0 for a frequency outside the range.
inline int interauralDelay(uint32_t cut) {
    if (cut < kMinCutFrequency || cut > kMaxCutFrequency)
        return 0;
    return static_cast<int>(18700 / cut) * 10;
}

// A level word with one half replaced; the new half must fit in 16 bits (see levelHalf).
constexpr LevelWord withFeed(LevelWord level, uint32_t feed) {
    return makeLevel(cutFrequencyOf(level), feed);
}
constexpr LevelWord withCutFrequency(LevelWord level, uint32_t cutFrequency) {
    return makeLevel(cutFrequency, feedOf(level));
}

} // namespace tovrel
