#pragma once

#include "engine/LevelWord.h"

#include <cstdint>

namespace tovrel {

// The filter's settings as one 64-bit word, the form in which writers hand them to the audio
// thread (through a SettingsWord): the level word in bits 0-31, the sample rate in bits 32-50
// (384000 < 2^19) and in bits 51-63 a generation that every request for a clear history advances.
//
// The generation counts modulo 8192. The audio thread clears its history when the generation it
// sees differs from the one it last ran with, or the rate does; a rate change advances the
// generation as well, so that a change there and back between two frames still clears. So a clear
// is missed only if exactly a multiple of 8192 clears land between two frames that the audio thread
// runs, with no net change of rate: the stream then resumes from the history the last frame left
// instead of from silence, which decays within milliseconds.
namespace filter_settings {

constexpr int kRateShift = 32;
constexpr int kGenerationShift = 51;
constexpr std::uint64_t kRateMask = (std::uint64_t{1} << (kGenerationShift - kRateShift)) - 1;
constexpr std::uint32_t kGenerationMask = (1u << (64 - kGenerationShift)) - 1;
static_assert(kMaxSampleRate <= kRateMask, "every rate the filter supports fits its field");

constexpr std::uint64_t pack(LevelWord level, std::uint32_t rate, std::uint32_t generation) {
    return std::uint64_t{level} | (std::uint64_t{rate} << kRateShift) |
           (std::uint64_t{generation & kGenerationMask} << kGenerationShift);
}

constexpr LevelWord levelOf(std::uint64_t word) {
    return static_cast<LevelWord>(word);
}
constexpr std::uint32_t rateOf(std::uint64_t word) {
    return static_cast<std::uint32_t>((word >> kRateShift) & kRateMask);
}
constexpr std::uint32_t generationOf(std::uint64_t word) {
    return static_cast<std::uint32_t>(word >> kGenerationShift);
}

constexpr std::uint64_t withLevel(std::uint64_t word, LevelWord level) {
    return pack(level, rateOf(word), generationOf(word));
}
// A new rate, with a new generation: old samples mean nothing at another rate.
constexpr std::uint64_t withNewRate(std::uint64_t word, std::uint32_t rate) {
    return pack(levelOf(word), rate, generationOf(word) + 1);
}
constexpr std::uint64_t withClearRequest(std::uint64_t word) {
    return pack(levelOf(word), rateOf(word), generationOf(word) + 1);
}

// Words the audio thread must start from a clear history between.
constexpr bool clearsHistory(std::uint64_t before, std::uint64_t after) {
    return generationOf(before) != generationOf(after) || rateOf(before) != rateOf(after);
}

static_assert(generationOf(withClearRequest(pack(1, 2, kGenerationMask))) == 0, "the generation wraps");
static_assert(levelOf(withClearRequest(pack(0xFFFFFFFFu, 384000, kGenerationMask))) == 0xFFFFFFFFu &&
                  rateOf(withClearRequest(pack(0xFFFFFFFFu, 384000, kGenerationMask))) == 384000,
              "a wrapping generation leaves the other fields alone");

} // namespace filter_settings
} // namespace tovrel
