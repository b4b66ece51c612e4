#pragma once

#include "engine/FilterWorkingSet.h"
#include "engine/SettingsWord.h"

#include <cstdint>

#if !defined(__SSE2__) && !(defined(_M_IX86_FP) && _M_IX86_FP >= 2) && !defined(_M_X64)
#error "the crossfeed filter computes both channels in one SSE2 register: build with SSE2"
#endif
#include <emmintrin.h>

namespace tovrel::kernel {

// Input samples above this magnitude are processed as 0.0 (2^1000).
constexpr double kLargestInput = 1.0715086071862673e301;
// The smallest normal double, and the bits of a double without its sign.
constexpr double kSmallestNormal = 2.2250738585072014e-308;
constexpr long long kMagnitudeMask = 0x7FFFFFFFFFFFFFFFll;
// The history is flushed of subnormals after every this many frames of a block, and at its end.
constexpr std::int32_t kFlushInterval = 16;

// Watches a block frame by frame: beforeFrame(i) runs just before frame i of the block reads the
// settings. The filter's own blocks pass this one, which does nothing and compiles to nothing.
struct NoFrameObserver {
    void beforeFrame(std::int32_t) {}
};

// The filter on both channels at once, one SSE2 lane per channel: lane-wise arithmetic gives
// exactly the results of the scalar equations. The guards are masks, not branches. `settings` is
// the word the coefficients came from, a copy held in a register: output stores may alias memory.
struct Lanes {
    __m128d lowA0, lowB1, highA0, highA1, highB1, gain;
    __m128d lastInput, lastLow, lastHigh;
    std::uint64_t settings;
};

inline void loadCoefficients(Lanes& s, const FilterCoefficients& c) {
    s.lowA0 = _mm_set1_pd(c.lowA0);
    s.lowB1 = _mm_set1_pd(c.lowB1);
    s.highA0 = _mm_set1_pd(c.highA0);
    s.highA1 = _mm_set1_pd(c.highA1);
    s.highB1 = _mm_set1_pd(c.highB1);
    s.gain = _mm_set1_pd(c.gain);
}

inline void beginFrames(Lanes& s, const FilterWorkingSet& work) {
    loadCoefficients(s, work.coefficients);
    s.lastInput = _mm_loadu_pd(work.history.lastInput);
    s.lastLow = _mm_loadu_pd(work.history.lastLow);
    s.lastHigh = _mm_loadu_pd(work.history.lastHigh);
    s.settings = work.settings;
}

inline void endFrames(const Lanes& s, FilterWorkingSet& work) {
    _mm_storeu_pd(work.history.lastInput, s.lastInput);
    _mm_storeu_pd(work.history.lastLow, s.lastLow);
    _mm_storeu_pd(work.history.lastHigh, s.lastHigh);
}

// Takes up a settings word that differs from the one the lanes hold.
inline void followSettings(Lanes& s, FilterWorkingSet& work, std::uint64_t word) {
    if (work.adopt(word)) {
        s.lastInput = _mm_setzero_pd();
        s.lastLow = _mm_setzero_pd();
        s.lastHigh = _mm_setzero_pd();
    }
    loadCoefficients(s, work.coefficients);
    s.settings = word;
}

// What every frame does first: one load of the settings and one comparison. Relaxed: the word is
// all that is handed over.
inline void checkSettings(Lanes& s, FilterWorkingSet& work, const SettingsWord& settings) {
    const std::uint64_t word = settings.loadRelaxed();
    if (__builtin_expect(word != s.settings, 0))
        followSettings(s, work, word);
}

// A subnormal low or high history value becomes +0.0; every other value stays as it is. (The
// input history never needs this: runFrame never lets a subnormal input in.)
// Deliberate: subnormal history flushed to zero (docs/deliberate-choices.md).
inline void flushHistory(Lanes& s) {
    const __m128d magnitude = _mm_castsi128_pd(_mm_set1_epi64x(kMagnitudeMask));
    const __m128d smallestNormal = _mm_set1_pd(kSmallestNormal);
    const __m128d zeroOrNormalLow = _mm_cmpge_pd(_mm_and_pd(s.lastLow, magnitude), smallestNormal);
    const __m128d zeroOrNormalHigh = _mm_cmpge_pd(_mm_and_pd(s.lastHigh, magnitude), smallestNormal);
    // Exact zeros fail the comparison too and come out as +0.0, which they were already: a low
    // or high history value is never -0.0 (a sum is -0.0 only if both terms are, and neither the
    // products of a history that starts at +0.0 nor this flush ever give -0.0).
    s.lastLow = _mm_and_pd(s.lastLow, zeroOrNormalLow);
    s.lastHigh = _mm_and_pd(s.lastHigh, zeroOrNormalHigh);
}

// Usable input passes unchanged; NaN, infinities, magnitudes beyond kLargestInput and subnormals
// become +0.0, and so does -0.0, which no output can tell from +0.0.
// Deliberate: unusable inputs processed as 0.0 (docs/deliberate-choices.md).
inline __m128d guardInput(__m128d in) {
    const __m128d inMagnitude = _mm_and_pd(in, _mm_castsi128_pd(_mm_set1_epi64x(kMagnitudeMask)));
    const __m128d usable = _mm_and_pd(_mm_cmple_pd(inMagnitude, _mm_set1_pd(kLargestInput)),
                                      _mm_cmpge_pd(inMagnitude, _mm_set1_pd(kSmallestNormal)));
    return _mm_and_pd(in, usable);
}

// Each channel: its own high-boosted signal plus the other channel's low-passed one, scaled, then
// clipped with min and max: above 1.0 gives exactly 1.0, below -1.0 exactly -1.0.
inline __m128d mixFrame(__m128d low, __m128d high, __m128d gain) {
    const __m128d crossed = _mm_shuffle_pd(low, low, 1);
    const __m128d out = _mm_mul_pd(_mm_add_pd(high, crossed), gain);
    return _mm_max_pd(_mm_min_pd(out, _mm_set1_pd(1.0)), _mm_set1_pd(-1.0));
}

inline __m128d runFrame(Lanes& s, __m128d in) {
    // The guard does not lie on the frame-to-frame dependency chain.
    const __m128d x = guardInput(in);

    // lastLow = lastLow * lowB1 + in * lowA0
    s.lastLow = _mm_add_pd(_mm_mul_pd(s.lastLow, s.lowB1), _mm_mul_pd(x, s.lowA0));
    // lastHigh = lastInput * highA1 + highA0 * in + lastHigh * highB1, summed left to right
    const __m128d highInputs = _mm_add_pd(_mm_mul_pd(s.lastInput, s.highA1), _mm_mul_pd(s.highA0, x));
    s.lastHigh = _mm_add_pd(highInputs, _mm_mul_pd(s.lastHigh, s.highB1));
    s.lastInput = x;
    return mixFrame(s.lastLow, s.lastHigh, s.gain);
}

// Frame i of two channel buffers as one pair, and back. Both inputs of a frame are read before
// either output is written: buffers may be shared.
inline __m128d loadPair(const double* in0, const double* in1, std::int32_t i) {
    return _mm_unpacklo_pd(_mm_load_sd(in0 + i), _mm_load_sd(in1 + i));
}

inline __m128d loadPair(const float* in0, const float* in1, std::int32_t i) {
    return _mm_cvtps_pd(_mm_unpacklo_ps(_mm_load_ss(in0 + i), _mm_load_ss(in1 + i)));
}

inline void storePair(double* out0, double* out1, std::int32_t i, __m128d out) {
    _mm_store_sd(out0 + i, out);
    _mm_storeh_pd(out1 + i, out);
}

inline void storePair(float* out0, float* out1, std::int32_t i, __m128d out) {
    const __m128 narrow = _mm_cvtpd_ps(out);
    _mm_store_ss(out0 + i, narrow);
    _mm_store_ss(out1 + i, _mm_shuffle_ps(narrow, narrow, 1));
}

// The SSE2 block loop: frame after frame, with the history in registers and flushed at the end
// of every kFlushInterval frames and of the block; every frame first checks the settings.
template <typename Sample, typename Observer>
void runBlockSse2(const SettingsWord& settings, FilterWorkingSet& work, Observer& observer, const Sample* in0,
                  const Sample* in1, Sample* out0, Sample* out1, std::int32_t frames) {
    Lanes s;
    beginFrames(s, work);
    for (std::int32_t done = 0; done < frames;) {
        const std::int32_t end = done + (frames - done < kFlushInterval ? frames - done : kFlushInterval);
        for (std::int32_t i = done; i < end; ++i) {
            observer.beforeFrame(i);
            checkSettings(s, work, settings);
            storePair(out0, out1, i, runFrame(s, loadPair(in0, in1, i)));
        }
        flushHistory(s);
        done = end;
    }
    endFrames(s, work);
}

} // namespace tovrel::kernel
