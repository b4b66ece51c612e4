#pragma once

// The AVX2 path of the block loop, x86-64 only. Its functions use AVX2 instructions through a
// per-function target attribute, so the rest of a program built for SSE2 stays as it is; they run
// only after the processor and the system were found to support them (blockPathAvailable).
//
// It works in runs of four frames: first, for all of them at once, everything that depends only
// on the inputs (the guard, x * lowA0 and lastInput * highA1 + highA0 * x); then the two
// recurrences alone, frame after frame; then the mix, gain and clip, again four frames at once.
// Each operation keeps its operands and their order (addition and multiplication are commutative
// in every rounding), so every result is that of the SSE2 path to the bit.
#include "engine/BlockPath.h"
#include "engine/KernelSse2.h"

#if TOVREL_HAS_AVX2_PATH
#include <immintrin.h>

// GCC and clang both take the attribute per function; helpers called from such functions need it
// too, or their intrinsics would not be allowed.
#define TOVREL_AVX2 __attribute__((target("avx2")))

namespace tovrel::kernel {

// The shortest block that the AVX2 path takes: shorter ones cost less on the SSE2 path.
constexpr std::int32_t kShortestAvx2Block = 8;

// Four frames of one channel.
TOVREL_AVX2 inline __m256d loadQuad(const double* in) {
    return _mm256_loadu_pd(in);
}
TOVREL_AVX2 inline __m256d loadQuad(const float* in) {
    return _mm256_cvtps_pd(_mm_loadu_ps(in));
}
TOVREL_AVX2 inline void storeQuad(double* out, __m256d v) {
    _mm256_storeu_pd(out, v);
}
TOVREL_AVX2 inline void storeQuad(float* out, __m256d v) {
    _mm_storeu_ps(out, _mm256_cvtpd_ps(v));
}

// The input guard of guardInput, four values at once.
TOVREL_AVX2 inline __m256d guardQuad(__m256d in) {
    const __m256d magnitude = _mm256_and_pd(in, _mm256_castsi256_pd(_mm256_set1_epi64x(kMagnitudeMask)));
    const __m256d usable =
        _mm256_and_pd(_mm256_cmp_pd(magnitude, _mm256_set1_pd(kLargestInput), _CMP_LE_OQ),
                      _mm256_cmp_pd(magnitude, _mm256_set1_pd(kSmallestNormal), _CMP_GE_OQ));
    return _mm256_and_pd(in, usable);
}

TOVREL_AVX2 inline __m256d broadcast(__m128d pair) {
    return _mm256_broadcastsd_pd(pair);
}

// The mix of mixFrame for two frames whose chain states are `a` and `b`.
TOVREL_AVX2 inline __m256d mixTwo(__m256d a, __m256d b, __m256d gain) {
    const __m256d high = _mm256_permute2f128_pd(a, b, 0x20);
    const __m256d crossed = _mm256_permute2f128_pd(a, b, 0x31);
    const __m256d out = _mm256_mul_pd(_mm256_add_pd(high, crossed), gain);
    return _mm256_max_pd(_mm256_min_pd(out, _mm256_set1_pd(1.0)), _mm256_set1_pd(-1.0));
}

// One frame of the chain: the state times the feedback plus the frame's terms, which the state
// then replaces.
TOVREL_AVX2 inline __m256d chainStep(__m256d chain, __m256d feedback, double* terms) {
    chain = _mm256_add_pd(_mm256_mul_pd(chain, feedback), _mm256_loadu_pd(terms));
    _mm256_storeu_pd(terms, chain);
    return chain;
}

// Whether the next frame must stop for a new settings word: watched, then one relaxed load and
// a comparison with the word the lanes hold.
template <typename Observer>
inline bool settingsChanged(const SettingsWord& settings, std::uint64_t held, Observer& observer,
                            std::int32_t frame) {
    observer.beforeFrame(frame);
    return __builtin_expect(settings.loadRelaxed() != held, 0);
}

// The coefficients of the input terms and the mix, four times over.
struct QuadCoefficients {
    __m256d lowA0, highA0, highA1, gain;
};

// flushHistory's flush, on a chain state.
TOVREL_AVX2 inline __m256d flushChain(__m256d chain) {
    const __m256d magnitude = _mm256_and_pd(chain, _mm256_castsi256_pd(_mm256_set1_epi64x(kMagnitudeMask)));
    return _mm256_and_pd(chain, _mm256_cmp_pd(magnitude, _mm256_set1_pd(kSmallestNormal), _CMP_GE_OQ));
}

// Four frames' input terms into `terms`. The chain's state for one frame is one vector [high 0,
// high 1, low 1, low 0]: both recurrences of both channels advance with one multiply and one add,
// by [highB1, highB1, lowB1, lowB1], and the low half comes out already crossed for the mix. A
// frame's terms are the inputs of that step, in the same order. With the two channels' quads
// interleaved, `even` holds frames 0 and 2 as pairs and `odd` frames 1 and 3: each odd frame's
// previous input is the even one beside it, and each even frame's is the odd one before it, which
// `previousOdd` carries from the quad before.
template <typename Sample>
TOVREL_AVX2 inline void quadTerms(const Sample* in0, const Sample* in1, const QuadCoefficients& c,
                                  __m256d& previousOdd, double* terms) {
    const __m256d x0 = guardQuad(loadQuad(in0));
    const __m256d x1 = guardQuad(loadQuad(in1));
    const __m256d even = _mm256_unpacklo_pd(x0, x1);
    const __m256d odd = _mm256_unpackhi_pd(x0, x1);
    const __m256d beforeEven = _mm256_permute2f128_pd(previousOdd, odd, 0x21);
    const __m256d highEven =
        _mm256_add_pd(_mm256_mul_pd(beforeEven, c.highA1), _mm256_mul_pd(c.highA0, even));
    const __m256d highOdd = _mm256_add_pd(_mm256_mul_pd(even, c.highA1), _mm256_mul_pd(c.highA0, odd));
    const __m256d lowEven = _mm256_mul_pd(_mm256_permute_pd(even, 0x5), c.lowA0);
    const __m256d lowOdd = _mm256_mul_pd(_mm256_permute_pd(odd, 0x5), c.lowA0);
    _mm256_storeu_pd(terms, _mm256_permute2f128_pd(highEven, lowEven, 0x20));
    _mm256_storeu_pd(terms + 4, _mm256_permute2f128_pd(highOdd, lowOdd, 0x20));
    _mm256_storeu_pd(terms + 8, _mm256_permute2f128_pd(highEven, lowEven, 0x31));
    _mm256_storeu_pd(terms + 12, _mm256_permute2f128_pd(highOdd, lowOdd, 0x31));
    previousOdd = odd;
}

// Four frames' outputs from their chain states.
template <typename Sample>
TOVREL_AVX2 inline void quadOutputs(const double* states, const QuadCoefficients& c, Sample* out0,
                                    Sample* out1) {
    const __m256d even = mixTwo(_mm256_loadu_pd(states), _mm256_loadu_pd(states + 8), c.gain);
    const __m256d odd = mixTwo(_mm256_loadu_pd(states + 4), _mm256_loadu_pd(states + 12), c.gain);
    storeQuad(out0, _mm256_unpacklo_pd(even, odd));
    storeQuad(out1, _mm256_unpackhi_pd(even, odd));
}

// Frames [0, frames) of the block pointers given, in quads; `first` is the index of frame 0 in the
// whole block, a multiple of four, which places the history flushes where the SSE2 loop has them
// (after every kFlushInterval-th frame of the block). The three steps are software-pipelined: while
// the chain runs through quad j, the input terms of quad j + 1 and the outputs of quad j - 1 are
// computed, so that the processor always has work beside the chain. Returns how many frames were
// done: all, or fewer when the settings changed, which the caller then takes up before the next
// frame. The first frame is always done: the settings were checked just before. Out of line: inlined
// into the block loop, the float loop took half an instruction more per frame (callgrind).
template <typename Sample, typename Observer>
TOVREL_AVX2 __attribute__((noinline)) std::int32_t
runQuads(Lanes& s, const SettingsWord& settings, Observer& observer, const Sample* in0, const Sample* in1,
         Sample* out0, Sample* out1, std::int32_t first, std::int32_t frames) {
    const QuadCoefficients c{broadcast(s.lowA0), broadcast(s.highA0), broadcast(s.highA1), broadcast(s.gain)};
    const __m256d feedback = _mm256_set_m128d(s.lowB1, s.highB1);
    const std::uint64_t held = s.settings;
    // The terms, then the states, of the quads before, at and after the chain's.
    double ring[3][16];
    double* before = ring[0];
    double* at = ring[1];
    double* after = ring[2];
    __m256d previousOdd = _mm256_set_m128d(s.lastInput, s.lastInput);
    quadTerms(in0, in1, c, previousOdd, at);
    __m256d chain = _mm256_set_m128d(_mm_shuffle_pd(s.lastLow, s.lastLow, 1), s.lastHigh);
    std::int32_t quadsToFlush =
        static_cast<std::int32_t>(kFlushInterval - static_cast<std::uint32_t>(first) % kFlushInterval) / 4;
    std::int32_t done = frames;
    for (std::int32_t q = 0; q < frames; q += 4) {
        // The frames of the quad, each after checking the settings; k is how many were done.
        const std::int32_t frame = first + q;
        std::int32_t k = 0;
        if (q == 0 || !settingsChanged(settings, held, observer, frame)) {
            chain = chainStep(chain, feedback, at);
            k = 1;
            if (!settingsChanged(settings, held, observer, frame + 1)) {
                chain = chainStep(chain, feedback, at + 4);
                k = 2;
                if (!settingsChanged(settings, held, observer, frame + 2)) {
                    chain = chainStep(chain, feedback, at + 8);
                    k = 3;
                    if (!settingsChanged(settings, held, observer, frame + 3)) {
                        chain = chainStep(chain, feedback, at + 12);
                        k = 4;
                    }
                }
            }
        }
        if (__builtin_expect(k < 4, 0)) {
            done = q + k;
            // Read before any output is written, for in-place blocks.
            s.lastInput = guardInput(loadPair(in0, in1, done - 1));
            if (q > 0)
                quadOutputs(before, c, out0 + q - 4, out1 + q - 4);
            for (std::int32_t i = 0; i < k; ++i) {
                const __m256d state = _mm256_loadu_pd(at + 4 * i);
                const __m128d crossed = _mm256_extractf128_pd(state, 1);
                storePair(
                    out0 + q, out1 + q, i,
                    mixFrame(_mm_shuffle_pd(crossed, crossed, 1), _mm256_castpd256_pd128(state), s.gain));
            }
            break;
        }
        if (--quadsToFlush == 0) {
            chain = flushChain(chain);
            quadsToFlush = kFlushInterval / 4;
        }
        if (q + 4 < frames)
            quadTerms(in0 + q + 4, in1 + q + 4, c, previousOdd, after);
        if (q > 0)
            quadOutputs(before, c, out0 + q - 4, out1 + q - 4);
        double* const free = before;
        before = at;
        at = after;
        after = free;
    }
    if (done == frames) {
        s.lastInput = _mm256_extractf128_pd(previousOdd, 1);
        quadOutputs(before, c, out0 + frames - 4, out1 + frames - 4);
    }
    s.lastHigh = _mm256_castpd256_pd128(chain);
    const __m128d crossedLow = _mm256_extractf128_pd(chain, 1);
    s.lastLow = _mm_shuffle_pd(crossedLow, crossedLow, 1);
    return done;
}

// As runBlockSse2, with the block's quads going through runQuads, and the frames before the first
// quad boundary after a settings change, and after the last quad, frame by frame. Blocks shorter
// than kShortestAvx2Block belong to the SSE2 loop.
template <typename Sample, typename Observer>
TOVREL_AVX2 void runBlockAvx2(const SettingsWord& settings, FilterWorkingSet& work, Observer& observer,
                              const Sample* in0, const Sample* in1, Sample* out0, Sample* out1,
                              std::int32_t frames) {
    Lanes s;
    beginFrames(s, work);
    std::int32_t i = 0;
    while (i < frames) {
        observer.beforeFrame(i);
        checkSettings(s, work, settings);
        if (i % 4 == 0 && frames - i >= 4) {
            i += runQuads(s, settings, observer, in0 + i, in1 + i, out0 + i, out1 + i, i, (frames - i) & ~3);
            continue;
        }
        storePair(out0, out1, i, runFrame(s, loadPair(in0, in1, i)));
        if (++i % kFlushInterval == 0)
            flushHistory(s);
    }
    // The last frame's history is flushed too, wherever the block ends.
    flushHistory(s);
    endFrames(s, work);
}

} // namespace tovrel::kernel

#undef TOVREL_AVX2
#endif
