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

// "Defs" reports preset n as n / 4.
constexpr float kPresetStepValue = 0.25f;

// The feed in tenths of a dB and the cut frequency in Hz that a host value selects:
// 10 + trunc(value * 140) and 300 + trunc(value * 1700), written as subtractions of the negated
// products so that the float rounding matches the editor's level display. Wider than a level
// half, so that no host value wraps: levelHalf() turns what lies outside into the fallback.
// Deliberate: truncation toward zero in 32-bit float, as documented (docs/deliberate-choices.md).
inline int64_t feedFromParameter(float value) {
    return static_cast<int64_t>(kMinFeed) - static_cast<int64_t>(truncateToInt32(value * -kFeedSteps));
}
inline int64_t cutFromParameter(float value) {
    return static_cast<int64_t>(kMinCutFrequency) - static_cast<int64_t>(truncateToInt32(value * -kCutSteps));
}

// Deliberate: reports the middle of a step, not (step) / steps (docs/deliberate-choices.md).
// The value reported for a feed or a cut frequency: the middle of the host values that select it,
// (step + 0.5) / steps, and 1 for the last step, whose host values end at 1. Hosts that keep
// values as text with six or seven significant digits round them; from the middle of a step the
// rounding stays far inside it (half a step is 1/280 or 1/3400, six digits err by 5e-6 at most),
// so the level comes back however often the value is saved and set again. The lowest float of a
// step, the plain (step) / steps, would come back one step low after rounding down.
inline float parameterFromStep(int64_t step, float steps) {
    const float position = static_cast<float>(step);
    return position >= steps ? 1.0f : (position + 0.5f) / steps;
}
inline float parameterFromFeed(uint32_t feed) {
    return parameterFromStep(static_cast<int64_t>(feed) - static_cast<int64_t>(kMinFeed), kFeedSteps);
}
inline float parameterFromCut(uint32_t cut) {
    return parameterFromStep(static_cast<int64_t>(cut) - static_cast<int64_t>(kMinCutFrequency), kCutSteps);
}

// The preset a "Defs" value selects: trunc(value * 5 - 0.01), so that each reported value n / 4
// selects preset n. Values that select no preset of the list come out below 1 or beyond the last.
// Deliberate: the documented trunc(value * 5 - 0.01) in float (docs/deliberate-choices.md).
inline int32_t presetFromParameter(float value) {
    const float scaled = value * 5.0f;
    return truncateToInt32(scaled - 0.01f);
}
inline float parameterFromPreset(int32_t preset) {
    return static_cast<float>(preset) * kPresetStepValue;
}

// The feed in tenths of a dB and the cut frequency in Hz for values given in dB and Hz (the LV2
// plug-in's control ports): the nearest step, 0.1 dB and 1 Hz, as a host that shows those steps
// means them. Rounded in double, where 6.2f * 10 is not yet rounded to a float below 62. NaN and
// values far beyond every range come out as -1, which levelHalf() turns into the fallback.
inline int64_t nearestStep(float value, double stepsPerUnit) {
    const double scaled = static_cast<double>(value) * stepsPerUnit;
    if (!(scaled > -1e9 && scaled < 1e9))
        return -1;
    return static_cast<int64_t>(std::floor(scaled + 0.5));
}
constexpr double kFeedStepsPerDecibel = 10.0;
constexpr double kCutStepsPerHertz = 1.0;
inline int64_t feedFromDecibels(float decibels) {
    return nearestStep(decibels, kFeedStepsPerDecibel);
}
inline int64_t cutFromHertz(float hertz) {
    return nearestStep(hertz, kCutStepsPerHertz);
}
// The other way, for what the LV2 plug-in's editor writes to those ports: the float nearest the
// step, which feedFromDecibels and cutFromHertz take back to the same step.
inline float decibelsFromFeed(uint32_t feed) {
    return static_cast<float>(static_cast<double>(feed) / kFeedStepsPerDecibel);
}
inline float hertzFromCut(uint32_t cut) {
    return static_cast<float>(static_cast<double>(cut) / kCutStepsPerHertz);
}
// The level word for a feed in dB and a cut frequency in Hz. A half outside its range makes a
// level that the filter replaces by the fallback level whole, as it does for the host values of
// the VST plug-in.
inline LevelWord levelFromUnits(float feedDecibels, float cutHertz) {
    return makeLevel(levelHalf(cutFromHertz(cutHertz)), levelHalf(feedFromDecibels(feedDecibels)));
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
