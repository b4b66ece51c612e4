#pragma once

#include <cstdint>

namespace tovrel {

// A crossfeed level packed into 32 bits: the low half is the cut frequency in Hz, the high half the
// feed in tenths of a dB. The effect and its editor exchange levels in this form.
using LevelWord = std::uint32_t;

constexpr std::uint32_t kMinCutFrequency = 300;
constexpr std::uint32_t kMaxCutFrequency = 2000;
constexpr std::uint32_t kMinFeed = 10;
constexpr std::uint32_t kMaxFeed = 150;

constexpr std::uint32_t kMinSampleRate = 2000;
constexpr std::uint32_t kMaxSampleRate = 384000;
constexpr std::uint32_t kDefaultSampleRate = 44100;

constexpr LevelWord makeLevel(std::uint32_t cutFrequency, std::uint32_t feed) {
    return (feed << 16) | (cutFrequency & 0xFFFFu);
}
constexpr std::uint32_t cutFrequencyOf(LevelWord level) {
    return level & 0xFFFFu;
}
constexpr std::uint32_t feedOf(LevelWord level) {
    return level >> 16;
}

// 730 Hz, 6.2 dB: installed whenever a level word has either half out of range.
constexpr LevelWord kFallbackLevel = 0x003E02DA;

// The level word itself if both halves are in range, else the fallback level whole.
constexpr LevelWord validLevel(LevelWord level) {
    const std::uint32_t cut = cutFrequencyOf(level);
    const std::uint32_t feed = feedOf(level);
    const bool valid =
        cut >= kMinCutFrequency && cut <= kMaxCutFrequency && feed >= kMinFeed && feed <= kMaxFeed;
    return valid ? level : kFallbackLevel;
}

constexpr LevelWord kLevelTaskel = 0x003E02DA;      // 730 Hz, 6.2 dB
constexpr LevelWord kLevelBs2bDefault = 0x002D02BC; // 700 Hz, 4.5 dB
constexpr LevelWord kLevelCMoy = 0x003C02BC;        // 700 Hz, 6.0 dB
constexpr LevelWord kLevelJMeier = 0x005F028A;      // 650 Hz, 9.5 dB

static_assert(makeLevel(730, 62) == kFallbackLevel);
static_assert(makeLevel(700, 45) == kLevelBs2bDefault);
static_assert(makeLevel(700, 60) == kLevelCMoy);
static_assert(makeLevel(650, 95) == kLevelJMeier);

} // namespace tovrel
