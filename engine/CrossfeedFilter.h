#pragma once

#include "engine/BlockPath.h"
#include "engine/CoefficientDesign.h"
#include "engine/FilterHistory.h"
#include "engine/FilterSettings.h"
#include "engine/FilterWorkingSet.h"
#include "engine/KernelSse2.h"
#include "engine/LevelWord.h"
#include "engine/SettingsWord.h"

#include <cstdint>

namespace tovrel {

// One stereo crossfeed stream: its settings (the level, the sample rate) and the audio thread's
// working set (the coefficients designed for them and the filter history).
//
// Threads: the setters may run on any thread, any number at once (a host's automation thread,
// the editor's, the audio thread itself), while one audio thread processes. They never lock, wait
// or allocate: each changes its own field of one settings word by compare-and-swap
// (SettingsWord), so the last setter of each field to complete is in force and none undoes
// another's field. The audio thread loads that word once per frame; when it differs from the word
// its coefficients came from, it designs them anew (on its own, from the word alone) before the
// frame, and starts from a clear history if a clear was asked for since. So the frame that begins
// after a setter returned uses its settings, no frame mixes two settings, and the coefficients and
// the history each exist once, where only the audio thread writes them.
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
class CrossfeedFilter {
public:
    using BlockPath = tovrel::BlockPath;

    // Starts at the given settings (validated as the setters validate them) with a clear history.
    explicit CrossfeedFilter(LevelWord level = kFallbackLevel, std::uint32_t sampleRate = kDefaultSampleRate)
        : settings(filter_settings::pack(validLevel(level), validSampleRate(sampleRate), 0)) {}

    // One stream's state: a copy would be a second stream that nobody asked for.
    CrossfeedFilter(const CrossfeedFilter&) = delete;
    CrossfeedFilter& operator=(const CrossfeedFilter&) = delete;

    // A level out of range installs the fallback level whole. A new level keeps the history, so
    // playback continues smoothly with the new coefficients.
    void setLevel(LevelWord level);

    // A rate out of range installs 44100 Hz. A new rate clears the history (old samples mean
    // nothing at another rate), and so does a rate out of range; the rate in force again changes
    // nothing.
    void setSampleRate(std::uint32_t rate);

    // The next frame starts from a clear history (a resume after a pause in the stream).
    void clearHistory();

    // The settings in force, on any thread.
    LevelWord currentLevel() const { return filter_settings::levelOf(settings.load()); }
    std::uint32_t sampleRate() const { return filter_settings::rateOf(settings.load()); }
    std::uint32_t cutFrequency() const { return cutFrequencyOf(currentLevel()); }
    std::uint32_t feed() const { return feedOf(currentLevel()); }

    // The settings in force with the coefficients designed for them and the generation of their
    // history, computed on the calling thread: what the next frame will use (for tests and tools).
    struct CoefficientSet {
        FilterCoefficients coefficients;
        std::uint32_t generation{0};
    };
    CoefficientSet currentSet() const;

    // One stereo frame, channel 0 then channel 1, processed in place.
    inline void processFrame(double* pair);
    inline void processFrameFloat(float* pair);

    // A block of frames from two channel buffers into two others (the same ones for in-place
    // processing), frame by frame as processFrame computes them, with the history held in
    // registers: the frame-to-frame chain then runs at the speed of its arithmetic. Each frame uses
    // the settings in force when it starts.
    void processBlock(const double* in0, const double* in1, double* out0, double* out1, std::int32_t frames) {
        processBlockOn(blockPath, in0, in1, out0, out1, frames);
    }
    void processBlockFloat(const float* in0, const float* in1, float* out0, float* out1,
                           std::int32_t frames) {
        processBlockFloatOn(blockPath, in0, in1, out0, out1, frames);
    }

    // processBlock on a given path, which must be available (for tests and benchmarks).
    void processBlockOn(BlockPath path, const double* in0, const double* in1, double* out0, double* out1,
                        std::int32_t frames);
    void processBlockFloatOn(BlockPath path, const float* in0, const float* in1, float* out0, float* out1,
                             std::int32_t frames);

    // A block with `observer.beforeFrame(i)` called just before frame i reads the settings, so a
    // test can change them between two given frames of a block. Defined in CrossfeedFilterBlocks.h;
    // the blocks above are this with an observer that does nothing, compiled away.
    template <typename Sample, typename Observer>
    void processBlockObserved(BlockPath path, Observer& observer, const Sample* in0, const Sample* in1,
                              Sample* out0, Sample* out1, std::int32_t frames);

    static BlockPath chosenBlockPath() { return tovrel::chosenBlockPath(); }
    static bool blockPathAvailable(BlockPath path) { return tovrel::blockPathAvailable(path); }
    static const char* blockPathName(BlockPath path) { return tovrel::blockPathName(path); }

    // The history as the last frame left it; for a thread that reads it while nothing processes.
    const FilterHistory& history() const { return work.history; }

    static constexpr double kLargestInput = kernel::kLargestInput;
    static constexpr double kSmallestNormal = kernel::kSmallestNormal;
    static constexpr std::int32_t kFlushInterval = kernel::kFlushInterval;

private:
    // Written by the setters, read by everyone.
    SettingsWord settings;
    // The audio thread's alone.
    FilterWorkingSet work;
    // Looked up once when the filter is made.
    BlockPath blockPath{tovrel::chosenBlockPath()};
};

inline void CrossfeedFilter::processFrame(double* pair) {
    kernel::Lanes s;
    kernel::beginFrames(s, work);
    kernel::checkSettings(s, work, settings);
    const __m128d out = kernel::runFrame(s, _mm_loadu_pd(pair));
    kernel::flushHistory(s);
    kernel::endFrames(s, work);
    _mm_storeu_pd(pair, out);
}

inline void CrossfeedFilter::processFrameFloat(float* pair) {
    kernel::Lanes s;
    kernel::beginFrames(s, work);
    kernel::checkSettings(s, work, settings);
    // The two floats move as one 64-bit integer lane, which may alias anything.
    const __m128 in = _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(pair)));
    const __m128d out = kernel::runFrame(s, _mm_cvtps_pd(in));
    kernel::flushHistory(s);
    kernel::endFrames(s, work);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(pair), _mm_castps_si128(_mm_cvtpd_ps(out)));
}

} // namespace tovrel
