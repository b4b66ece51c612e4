#pragma once

#include "engine/LevelWord.h"

#include <atomic>
#include <cstdint>

#if !defined(__SSE2__) && !(defined(_M_IX86_FP) && _M_IX86_FP >= 2) && !defined(_M_X64)
#error "the crossfeed filter computes both channels in one SSE2 register: build with SSE2"
#endif
#include <emmintrin.h>

// The block loop has a second path for processors with AVX2, on x86-64 only: 32-bit builds keep
// the SSE2 path that every processor they run on has.
#if defined(__x86_64__) || defined(_M_X64)
#define TOVREL_HAS_AVX2_PATH 1
#else
#define TOVREL_HAS_AVX2_PATH 0
#endif

namespace tovrel {

// State of one stereo crossfeed stream: the level in force, the sample rate, the six filter
// coefficients derived from them, and the filter history.
//
// Threads: the setters may run on any thread (a host's automation thread and the editor's at the
// same time) while one audio thread processes. Writers take turns on a small spin flag; each new
// coefficient set is published whole into the one of two slots that the audio thread is not
// reading, then made current by one sequence store. The audio thread never waits: every frame it
// compares the sequence with the one it holds and, if it changed, copies the current set, so no
// frame mixes two sets and the frame after a setter returns already uses its set. A rate change
// asks for a clear history by a new generation number in its set; the audio thread, which holds
// the history in registers during a block, clears those at the first frame that sees the new
// generation. The history it runs on is its own (writers never write it), so nothing a writer does
// can tear it or be undone by the store at the end of a block.
// The public fields are for reading on one thread: the level, the rate and the coefficients are
// the writers' copy; lastInput, lastLow and lastHigh show the history as the last frame left it,
// or cleared by a rate change since.
//
// Two guards keep a stream healthy whatever arrives. An input sample that is not finite, so large
// (beyond 2^1000) that the filters could overflow, or so small that it is subnormal, is processed
// as 0.0: one bad sample costs one frame instead of the rest of the stream. And subnormal values
// are flushed from the history to 0.0: on x86 subnormal arithmetic is many times slower, and a
// silent input would otherwise leave the history decaying into that range and stuck there. The
// history is flushed whenever it is stored and every kFlushInterval frames within a block, so a
// decay costs at most that many frames of subnormal arithmetic, once. Each flushed value is smaller
// than the smallest normal double (2.2e-308) and then decays with the filter, so what the flushes
// take away stays below a few hundred times that even at the slowest decay (feedback 0.995): an
// output can differ from the plain equations only if it is itself smaller than about 1e-289 (1e-292
// at 44.1 kHz with the default level); every larger output is bit-identical. Neither guard depends
// on the floating-point mode of the host.
struct CrossfeedFilter {
    CrossfeedFilter() = default;
    // Copies make an independent filter with the same state; the source must not be changing.
    CrossfeedFilter(const CrossfeedFilter& other);
    CrossfeedFilter& operator=(const CrossfeedFilter& other);

    // Validates the sample rate and the level (replacing an invalid one by its fallback, here in
    // the record), derives the coefficients and publishes them. Leaves the history alone.
    void computeCoefficients();

    // A new level keeps the history, so playback continues smoothly with the new coefficients.
    void setLevel(LevelWord newLevel);

    // A new rate recomputes the coefficients and clears the history: old samples mean nothing at
    // another rate.
    void setSampleRate(std::uint32_t newRate);

    void clearHistory();

    // One stereo frame, channel 0 then channel 1, processed in place.
    inline void processFrame(double* pair);
    inline void processFrameFloat(float* pair);

    // A block of frames from two channel buffers into two others (the same ones for in-place
    // processing), frame by frame as processFrame computes them, with the history held in
    // registers: the frame-to-frame chain then runs at the speed of its arithmetic. Each frame uses
    // the coefficient set current when it starts.
    inline void processBlock(const double* in0, const double* in1, double* out0, double* out1,
                             int32_t frames);
    inline void processBlockFloat(const float* in0, const float* in1, float* out0, float* out1,
                                  int32_t frames);

    // The block loop comes in two paths with the same results to the bit. The SSE2 path runs the
    // whole frame in one pass. The AVX2 path works in runs of four frames: first, for all of them
    // at once, everything that depends only on the inputs (the guard, x * lowA0 and lastInput *
    // highA1 + highA0 * x); then the two recurrences alone, frame after frame; then the mix, gain
    // and clip, again four frames at once. Each operation keeps its operands and their order
    // (addition and multiplication are commutative in every rounding), so every result is the same.
    enum class BlockPath { sse2, avx2 };
    // The path processBlock takes: AVX2 where the processor and the system support it, unless the
    // environment variable TOVREL_BLOCK_PATH is "sse2". Chosen once per process, when the first
    // filter is made (never on the audio thread).
    static BlockPath chosenBlockPath();
    static bool blockPathAvailable(BlockPath path);
    static const char* blockPathName(BlockPath path);
    // processBlock on a given path, which must be available (for tests and benchmarks).
    void processBlockOn(BlockPath path, const double* in0, const double* in1, double* out0, double* out1,
                        int32_t frames);
    void processBlockFloatOn(BlockPath path, const float* in0, const float* in1, float* out0, float* out1,
                             int32_t frames);

    std::uint32_t cutFrequency() const { return cutFrequencyOf(level); }
    std::uint32_t feed() const { return feedOf(level); }

    // Input samples above this magnitude are processed as 0.0 (2^1000).
    static constexpr double kLargestInput = 1.0715086071862673e301;
    // The smallest normal double, and the bits of a double without its sign.
    static constexpr double kSmallestNormal = 2.2250738585072014e-308;
    static constexpr long long kMagnitudeMask = 0x7FFFFFFFFFFFFFFFll;
    static constexpr int32_t kFlushInterval = 16;

    LevelWord level = 0;
    std::uint32_t sampleRate = 0;
    double lowA0 = 0.0;
    double lowB1 = 0.0;
    double highA0 = 0.0;
    double highA1 = 0.0;
    double highB1 = 0.0;
    double gain = 0.0;
    double lastInput[2] = {0.0, 0.0};
    double lastLow[2] = {0.0, 0.0};
    double lastHigh[2] = {0.0, 0.0};

    // What the audio thread computes with: one whole set of coefficients, and the generation of
    // the history it goes with (a new generation means "start from a clear history").
    struct CoefficientSet {
        double lowA0 = 0.0;
        double lowB1 = 0.0;
        double highA0 = 0.0;
        double highA1 = 0.0;
        double highB1 = 0.0;
        double gain = 0.0;
        std::uint32_t generation = 0;
    };

    // The set the next frame will use (any thread; never waits for a writer).
    CoefficientSet currentSet() const;

private:
    // The filter on both channels at once, one SSE2 lane per channel: lane-wise arithmetic gives
    // exactly the results of the scalar equations. The guards are masks, not branches. `sequence`
    // is the publication the coefficients came from, `generation` that of the history.
    struct Lanes {
        __m128d lowA0, lowB1, highA0, highA1, highB1, gain;
        __m128d lastInput, lastLow, lastHigh;
        std::uint32_t sequence, generation;
    };

    // The audio thread's side.
    inline std::uint32_t readSet(CoefficientSet& set) const;
    inline void refresh(Lanes& s) const;
    inline bool setChanged(const Lanes& s) const;
    inline void beginFrames(Lanes& s) const;
    inline void endFrames(const Lanes& s);
    inline void loadHistory(Lanes& s) const;
    inline void storeHistory(const Lanes& s);
    static inline void flushHistory(Lanes& s);
    static inline __m128d runFrame(Lanes& s, __m128d in);
    static inline __m128d guardInput(__m128d in);
    static inline __m128d mixFrame(__m128d low, __m128d high, __m128d gain);
    // Frame i of two channel buffers as one pair, and back.
    static inline __m128d loadPair(const double* in0, const double* in1, int32_t i);
    static inline __m128d loadPair(const float* in0, const float* in1, int32_t i);
    static inline void storePair(double* out0, double* out1, int32_t i, __m128d out);
    static inline void storePair(float* out0, float* out1, int32_t i, __m128d out);
    template <typename Frame> inline void processChunks(int32_t frames, Frame frame);
    template <typename Sample>
    void processBlockOnPath(BlockPath path, const Sample* in0, const Sample* in1, Sample* out0, Sample* out1,
                            int32_t frames);
#if TOVREL_HAS_AVX2_PATH
    template <typename Sample>
    void processBlockAvx2(const Sample* in0, const Sample* in1, Sample* out0, Sample* out1, int32_t frames);
    template <typename Sample>
    int32_t runQuads(Lanes& s, const Sample* in0, const Sample* in1, Sample* out0, Sample* out1,
                     int32_t first, int32_t frames) const;
    // The shortest block that the AVX2 path takes: shorter ones cost less on the SSE2 path.
    static constexpr int32_t kShortestAvx2Block = 8;
#endif

    // The writers' side: one writer at a time, holding the flag, derives and publishes.
    void lockWriters();
    void unlockWriters();
    void deriveCoefficients();
    void publish(bool clearsHistory);

    // Set n lives in slots[n & 1] and is current while the sequence reads 2n; 2n + 1 means set
    // n + 1 is being written into the other slot.
    CoefficientSet slots[2];
    std::atomic<std::uint32_t> sequence{0};
    std::atomic<bool> writerBusy{false};
    // The writers' generation count.
    std::uint32_t generation = 0;
    // The audio thread's history between blocks, and the generation it belongs to.
    double runningInput[2] = {0.0, 0.0};
    double runningLow[2] = {0.0, 0.0};
    double runningHigh[2] = {0.0, 0.0};
    std::uint32_t runningGeneration = 0;
    // The block path, looked up once when the filter is made.
    BlockPath blockPath = chosenBlockPath();
};

// Copies the current set. The slot being copied is rewritten only when a second set after it
// starts (sequence 2n + 3), so a copy is retried only if two writers finished meanwhile.
inline std::uint32_t CrossfeedFilter::readSet(CoefficientSet& set) const {
    for (;;) {
        const std::uint32_t seen = sequence.load(std::memory_order_acquire);
        const std::uint32_t published = seen & ~1u;
        set = slots[(published >> 1) & 1];
        std::atomic_thread_fence(std::memory_order_acquire);
        if (sequence.load(std::memory_order_relaxed) - published <= 2)
            return seen;
    }
}

// Inline, so that the lanes never leave registers; only the copy of the set goes through memory.
inline void CrossfeedFilter::refresh(Lanes& s) const {
    CoefficientSet set;
    s.sequence = readSet(set);
    s.lowA0 = _mm_set1_pd(set.lowA0);
    s.lowB1 = _mm_set1_pd(set.lowB1);
    s.highA0 = _mm_set1_pd(set.highA0);
    s.highA1 = _mm_set1_pd(set.highA1);
    s.highB1 = _mm_set1_pd(set.highB1);
    s.gain = _mm_set1_pd(set.gain);
    if (set.generation != s.generation) {
        s.generation = set.generation;
        s.lastInput = _mm_setzero_pd();
        s.lastLow = _mm_setzero_pd();
        s.lastHigh = _mm_setzero_pd();
    }
}

// Relaxed: a changed sequence only sends the frame to readSet, which orders its own loads.
inline bool CrossfeedFilter::setChanged(const Lanes& s) const {
    return sequence.load(std::memory_order_relaxed) != s.sequence;
}

// The stored history and the current set; a history older than the set's generation is cleared.
inline void CrossfeedFilter::beginFrames(Lanes& s) const {
    loadHistory(s);
    s.generation = runningGeneration;
    refresh(s);
}

inline void CrossfeedFilter::endFrames(const Lanes& s) {
    storeHistory(s);
    runningGeneration = s.generation;
}

inline void CrossfeedFilter::loadHistory(Lanes& s) const {
    s.lastInput = _mm_loadu_pd(runningInput);
    s.lastLow = _mm_loadu_pd(runningLow);
    s.lastHigh = _mm_loadu_pd(runningHigh);
}

inline void CrossfeedFilter::storeHistory(const Lanes& s) {
    _mm_storeu_pd(runningInput, s.lastInput);
    _mm_storeu_pd(runningLow, s.lastLow);
    _mm_storeu_pd(runningHigh, s.lastHigh);
    _mm_storeu_pd(lastInput, s.lastInput);
    _mm_storeu_pd(lastLow, s.lastLow);
    _mm_storeu_pd(lastHigh, s.lastHigh);
}

// A subnormal low or high history value becomes +0.0; every other value stays as it is. (The
// input history never needs this: runFrame never lets a subnormal input in.)
inline void CrossfeedFilter::flushHistory(Lanes& s) {
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
inline __m128d CrossfeedFilter::guardInput(__m128d in) {
    const __m128d inMagnitude = _mm_and_pd(in, _mm_castsi128_pd(_mm_set1_epi64x(kMagnitudeMask)));
    const __m128d usable = _mm_and_pd(_mm_cmple_pd(inMagnitude, _mm_set1_pd(kLargestInput)),
                                      _mm_cmpge_pd(inMagnitude, _mm_set1_pd(kSmallestNormal)));
    return _mm_and_pd(in, usable);
}

// Each channel: its own high-boosted signal plus the other channel's low-passed one, scaled, then
// clipped with min and max: above 1.0 gives exactly 1.0, below -1.0 exactly -1.0.
inline __m128d CrossfeedFilter::mixFrame(__m128d low, __m128d high, __m128d gain) {
    const __m128d crossed = _mm_shuffle_pd(low, low, 1);
    const __m128d out = _mm_mul_pd(_mm_add_pd(high, crossed), gain);
    return _mm_max_pd(_mm_min_pd(out, _mm_set1_pd(1.0)), _mm_set1_pd(-1.0));
}

inline __m128d CrossfeedFilter::runFrame(Lanes& s, __m128d in) {
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

// Both inputs of a frame are read before either output is written: buffers may be shared.
inline __m128d CrossfeedFilter::loadPair(const double* in0, const double* in1, int32_t i) {
    return _mm_unpacklo_pd(_mm_load_sd(in0 + i), _mm_load_sd(in1 + i));
}

inline __m128d CrossfeedFilter::loadPair(const float* in0, const float* in1, int32_t i) {
    return _mm_cvtps_pd(_mm_unpacklo_ps(_mm_load_ss(in0 + i), _mm_load_ss(in1 + i)));
}

inline void CrossfeedFilter::storePair(double* out0, double* out1, int32_t i, __m128d out) {
    _mm_store_sd(out0 + i, out);
    _mm_storeh_pd(out1 + i, out);
}

inline void CrossfeedFilter::storePair(float* out0, float* out1, int32_t i, __m128d out) {
    const __m128 narrow = _mm_cvtpd_ps(out);
    _mm_store_ss(out0 + i, narrow);
    _mm_store_ss(out1 + i, _mm_shuffle_ps(narrow, narrow, 1));
}

inline void CrossfeedFilter::processBlock(const double* in0, const double* in1, double* out0, double* out1,
                                          int32_t frames) {
    processBlockOn(blockPath, in0, in1, out0, out1, frames);
}

inline void CrossfeedFilter::processBlockFloat(const float* in0, const float* in1, float* out0, float* out1,
                                               int32_t frames) {
    processBlockFloatOn(blockPath, in0, in1, out0, out1, frames);
}

inline void CrossfeedFilter::processFrame(double* pair) {
    Lanes s;
    beginFrames(s);
    const __m128d out = runFrame(s, _mm_loadu_pd(pair));
    flushHistory(s);
    endFrames(s);
    _mm_storeu_pd(pair, out);
}

inline void CrossfeedFilter::processFrameFloat(float* pair) {
    Lanes s;
    beginFrames(s);
    // The two floats move as one 64-bit integer lane, which may alias anything.
    const __m128 in = _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(pair)));
    const __m128d out = runFrame(s, _mm_cvtps_pd(in));
    flushHistory(s);
    endFrames(s);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(pair), _mm_castps_si128(_mm_cvtpd_ps(out)));
}

} // namespace tovrel
