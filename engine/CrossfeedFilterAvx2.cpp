// The AVX2 path of the block loop and the choice between the paths. Only the functions below the
// target switch use AVX2 instructions; they run only after the processor and the system were
// found to support them.
#include "engine/CrossfeedFilter.h"

#include <cstdlib>
#include <cstring>

#if TOVREL_HAS_AVX2_PATH
#include <cpuid.h>
#include <immintrin.h>
#endif

namespace tovrel {

namespace {

#if TOVREL_HAS_AVX2_PATH
// AVX2 instructions, and the system saving the vector registers' upper halves across task
// switches (without that the registers exist but are unusable).
bool processorRunsAvx2() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d))
        return false;
    const unsigned osSavesState = 1u << 27, avx = 1u << 28;
    if ((c & osSavesState) == 0 || (c & avx) == 0)
        return false;
    unsigned savedLow = 0, savedHigh = 0;
    __asm__ volatile("xgetbv" : "=a"(savedLow), "=d"(savedHigh) : "c"(0));
    const unsigned sseAndAvxState = 0x6;
    if ((savedLow & sseAndAvxState) != sseAndAvxState)
        return false;
    if (__get_cpuid_max(0, nullptr) < 7)
        return false;
    __cpuid_count(7, 0, a, b, c, d);
    const unsigned avx2 = 1u << 5;
    return (b & avx2) != 0;
}
#endif

CrossfeedFilter::BlockPath choosePath() {
    const char* wanted = std::getenv("TOVREL_BLOCK_PATH");
    if (wanted != nullptr && std::strcmp(wanted, "sse2") == 0)
        return CrossfeedFilter::BlockPath::sse2;
    return CrossfeedFilter::blockPathAvailable(CrossfeedFilter::BlockPath::avx2) ? CrossfeedFilter::BlockPath::avx2
                                                                                  : CrossfeedFilter::BlockPath::sse2;
}

} // namespace

bool CrossfeedFilter::blockPathAvailable(BlockPath path) {
#if TOVREL_HAS_AVX2_PATH
    static const bool avx2 = processorRunsAvx2();
    return path == BlockPath::sse2 || avx2;
#else
    return path == BlockPath::sse2;
#endif
}

CrossfeedFilter::BlockPath CrossfeedFilter::chosenBlockPath() {
    static const BlockPath path = choosePath();
    return path;
}

const char* CrossfeedFilter::blockPathName(BlockPath path) {
    return path == BlockPath::avx2 ? "AVX2" : "SSE2";
}

} // namespace tovrel

#if TOVREL_HAS_AVX2_PATH
#pragma GCC push_options
#pragma GCC target("avx2")

namespace tovrel {

namespace {

// Four frames of one channel.
inline __m256d loadQuad(const double* in) {
    return _mm256_loadu_pd(in);
}
inline __m256d loadQuad(const float* in) {
    return _mm256_cvtps_pd(_mm_loadu_ps(in));
}
inline void storeQuad(double* out, __m256d v) {
    _mm256_storeu_pd(out, v);
}
inline void storeQuad(float* out, __m256d v) {
    _mm_storeu_ps(out, _mm256_cvtpd_ps(v));
}

// The input guard of guardInput, four values at once.
inline __m256d guardQuad(__m256d in) {
    const __m256d magnitude = _mm256_and_pd(in, _mm256_castsi256_pd(_mm256_set1_epi64x(CrossfeedFilter::kMagnitudeMask)));
    const __m256d usable =
        _mm256_and_pd(_mm256_cmp_pd(magnitude, _mm256_set1_pd(CrossfeedFilter::kLargestInput), _CMP_LE_OQ),
                      _mm256_cmp_pd(magnitude, _mm256_set1_pd(CrossfeedFilter::kSmallestNormal), _CMP_GE_OQ));
    return _mm256_and_pd(in, usable);
}

inline __m256d broadcast(__m128d pair) {
    return _mm256_broadcastsd_pd(pair);
}

// The mix of mixFrame for two frames whose chain states are `a` and `b`.
inline __m256d mixTwo(__m256d a, __m256d b, __m256d gain) {
    const __m256d high = _mm256_permute2f128_pd(a, b, 0x20);
    const __m256d crossed = _mm256_permute2f128_pd(a, b, 0x31);
    const __m256d out = _mm256_mul_pd(_mm256_add_pd(high, crossed), gain);
    return _mm256_max_pd(_mm256_min_pd(out, _mm256_set1_pd(1.0)), _mm256_set1_pd(-1.0));
}

} // namespace

// The chain's state for one frame is one vector [high 0, high 1, low 1, low 0]: both recurrences
// of both channels advance with one multiply and one add, by [highB1, highB1, lowB1, lowB1], and
// the low half comes out already crossed for the mix. `terms` holds, per frame, the inputs of that
// step in the same order, then its result.
//
// Frames [0, frames) of the block pointers given, frames a multiple of four. Returns how many
// frames were done: all, or fewer when a new coefficient set was published, which the caller then
// takes before the next frame. The first frame is always done (its set was checked just before).
template <typename Sample>
int32_t CrossfeedFilter::runQuads(Lanes& s, const Sample* in0, const Sample* in1, Sample* out0, Sample* out1,
                                  int32_t frames, double* terms) const {
    const __m256d lowA0x4 = broadcast(s.lowA0);
    const __m256d highA0x4 = broadcast(s.highA0);
    const __m256d highA1x4 = broadcast(s.highA1);

    // The input terms. With the two channels' quads interleaved, `even` holds frames 0 and 2 as
    // pairs and `odd` frames 1 and 3: each odd frame's previous input is the even one beside it,
    // and each even frame's is the odd one before it, one lane shift across quads.
    __m256d previousOdd = _mm256_set_m128d(s.lastInput, s.lastInput);
    for (int32_t q = 0; q < frames; q += 4) {
        const __m256d x0 = guardQuad(loadQuad(in0 + q));
        const __m256d x1 = guardQuad(loadQuad(in1 + q));
        const __m256d even = _mm256_unpacklo_pd(x0, x1);
        const __m256d odd = _mm256_unpackhi_pd(x0, x1);
        const __m256d beforeEven = _mm256_permute2f128_pd(previousOdd, odd, 0x21);
        const __m256d highEven = _mm256_add_pd(_mm256_mul_pd(beforeEven, highA1x4), _mm256_mul_pd(highA0x4, even));
        const __m256d highOdd = _mm256_add_pd(_mm256_mul_pd(even, highA1x4), _mm256_mul_pd(highA0x4, odd));
        const __m256d lowEven = _mm256_mul_pd(_mm256_permute_pd(even, 0x5), lowA0x4);
        const __m256d lowOdd = _mm256_mul_pd(_mm256_permute_pd(odd, 0x5), lowA0x4);
        double* t = terms + 4 * q;
        _mm256_storeu_pd(t, _mm256_permute2f128_pd(highEven, lowEven, 0x20));
        _mm256_storeu_pd(t + 4, _mm256_permute2f128_pd(highOdd, lowOdd, 0x20));
        _mm256_storeu_pd(t + 8, _mm256_permute2f128_pd(highEven, lowEven, 0x31));
        _mm256_storeu_pd(t + 12, _mm256_permute2f128_pd(highOdd, lowOdd, 0x31));
        previousOdd = odd;
    }

    // The two recurrences, frame after frame, each frame checking for a new set first.
    const __m256d feedback = _mm256_set_m128d(s.lowB1, s.highB1);
    __m256d chain = _mm256_set_m128d(_mm_shuffle_pd(s.lastLow, s.lastLow, 1), s.lastHigh);
    chain = _mm256_add_pd(_mm256_mul_pd(chain, feedback), _mm256_loadu_pd(terms));
    _mm256_storeu_pd(terms, chain);
    int32_t done = 1;
    for (; done < frames; ++done) {
        if (__builtin_expect(setChanged(s), 0))
            break;
        double* t = terms + 4 * done;
        chain = _mm256_add_pd(_mm256_mul_pd(chain, feedback), _mm256_loadu_pd(t));
        _mm256_storeu_pd(t, chain);
    }
    s.lastHigh = _mm256_castpd256_pd128(chain);
    const __m128d crossedLow = _mm256_extractf128_pd(chain, 1);
    s.lastLow = _mm_shuffle_pd(crossedLow, crossedLow, 1);
    // Read before any output is written, for in-place blocks.
    s.lastInput = guardInput(loadPair(in0, in1, done - 1));

    // The outputs.
    const __m256d gainx4 = broadcast(s.gain);
    const int32_t quads = done & ~3;
    for (int32_t q = 0; q < quads; q += 4) {
        const double* t = terms + 4 * q;
        const __m256d even = mixTwo(_mm256_loadu_pd(t), _mm256_loadu_pd(t + 8), gainx4);
        const __m256d odd = mixTwo(_mm256_loadu_pd(t + 4), _mm256_loadu_pd(t + 12), gainx4);
        storeQuad(out0 + q, _mm256_unpacklo_pd(even, odd));
        storeQuad(out1 + q, _mm256_unpackhi_pd(even, odd));
    }
    for (int32_t i = quads; i < done; ++i) {
        const __m256d state = _mm256_loadu_pd(terms + 4 * i);
        const __m128d high = _mm256_castpd256_pd128(state);
        const __m128d crossed = _mm256_extractf128_pd(state, 1);
        storePair(out0, out1, i, mixFrame(_mm_shuffle_pd(crossed, crossed, 1), high, s.gain));
    }
    return done;
}

// As processChunks: chunks of kFlushInterval frames from the block's start, the history flushed
// at the end of each; within a chunk, runs of four frames go through runQuads, the rest frame by
// frame.
template <typename Sample>
void CrossfeedFilter::processBlockAvx2(const Sample* in0, const Sample* in1, Sample* out0, Sample* out1,
                                       int32_t frames) {
    double terms[4 * kFlushInterval];
    Lanes s;
    beginFrames(s);
    int32_t i = 0;
    while (i < frames) {
        const int32_t chunkEnd = frames - i < kFlushInterval - i % kFlushInterval
                                     ? frames
                                     : i - i % kFlushInterval + kFlushInterval;
        if (__builtin_expect(setChanged(s), 0))
            refresh(s);
        const int32_t quads = (chunkEnd - i) & ~3;
        if (quads > 0) {
            const int32_t done = runQuads(s, in0 + i, in1 + i, out0 + i, out1 + i, quads, terms);
            i += done;
            if (done < quads)
                continue;
        }
        for (; i < chunkEnd; ++i) {
            if (__builtin_expect(setChanged(s), 0))
                refresh(s);
            storePair(out0, out1, i, runFrame(s, loadPair(in0, in1, i)));
        }
        flushHistory(s);
    }
    endFrames(s);
}

template void CrossfeedFilter::processBlockAvx2(const double*, const double*, double*, double*, int32_t);
template void CrossfeedFilter::processBlockAvx2(const float*, const float*, float*, float*, int32_t);

} // namespace tovrel

#pragma GCC pop_options
#endif
