#include "engine/CrossfeedFilter.h"

#include <cmath>
#include <thread>

namespace tovrel {

CrossfeedFilter::CrossfeedFilter(const CrossfeedFilter& other) {
    *this = other;
}

CrossfeedFilter& CrossfeedFilter::operator=(const CrossfeedFilter& other) {
    if (this == &other)
        return *this;
    level = other.level;
    sampleRate = other.sampleRate;
    blockPath = other.blockPath;
    lowA0 = other.lowA0;
    lowB1 = other.lowB1;
    highA0 = other.highA0;
    highA1 = other.highA1;
    highB1 = other.highB1;
    gain = other.gain;
    for (int c = 0; c < 2; ++c) {
        lastInput[c] = other.lastInput[c];
        lastLow[c] = other.lastLow[c];
        lastHigh[c] = other.lastHigh[c];
        runningInput[c] = other.runningInput[c];
        runningLow[c] = other.runningLow[c];
        runningHigh[c] = other.runningHigh[c];
    }
    slots[0] = other.slots[0];
    slots[1] = other.slots[1];
    sequence.store(other.sequence.load(std::memory_order_relaxed), std::memory_order_relaxed);
    generation = other.generation;
    runningGeneration = other.runningGeneration;
    return *this;
}

void CrossfeedFilter::computeCoefficients() {
    lockWriters();
    deriveCoefficients();
    publish(false);
    unlockWriters();
}

void CrossfeedFilter::deriveCoefficients() {
    // One unsigned comparison covers both ends of the range.
    if (sampleRate - kMinSampleRate > kMaxSampleRate - kMinSampleRate)
        sampleRate = kDefaultSampleRate;

    double fc = static_cast<double>(cutFrequencyOf(level));
    double f = static_cast<double>(feedOf(level));
    if (fc > kMaxCutFrequency || fc < kMinCutFrequency || f > kMaxFeed || f < kMinFeed) {
        level = kFallbackLevel;
        fc = static_cast<double>(cutFrequencyOf(level));
        f = static_cast<double>(feedOf(level));
    }

    // The constants are reciprocals written out (/10, /6, /20, /12, -2*pi) so that every build
    // performs the same multiplications and gives the same coefficients.
    const double feedDb = f * 0.1;
    const double lowGainDb = feedDb * -5.0 * 0.16666666666666666 - 3.0;
    const double lowGain = std::pow(10.0, lowGainDb * 0.05);
    const double highGainDb = feedDb * 0.16666666666666666 - 3.0;
    const double highGain = 1.0 - std::pow(10.0, highGainDb * 0.05);
    const double period = 1.0 / static_cast<double>(sampleRate);

    const double x = std::exp(fc * -6.283185307179586 * period);
    lowB1 = x;
    lowA0 = (1.0 - x) * lowGain;

    // The high-boost corner sits (lowGainDb - 20 log10(highGain)) / 12 octaves above the cut.
    const double octaves = std::pow(2.0, (lowGainDb - std::log10(highGain) * 20.0) * 0.08333333333333333);
    const double y = std::exp(octaves * fc * -6.283185307179586 * period);
    highB1 = y;
    highA1 = -y;
    highA0 = 1.0 - (1.0 - y) * highGain;

    gain = 1.0 / ((1.0 - highGain) + lowGain);
}

void CrossfeedFilter::setLevel(LevelWord newLevel) {
    lockWriters();
    if (newLevel != level) {
        level = newLevel;
        deriveCoefficients();
        publish(false);
    }
    unlockWriters();
}

void CrossfeedFilter::setSampleRate(std::uint32_t newRate) {
    lockWriters();
    if (newRate != sampleRate) {
        sampleRate = newRate;
        deriveCoefficients();
        publish(true);
    }
    unlockWriters();
}

void CrossfeedFilter::clearHistory() {
    lockWriters();
    publish(true);
    unlockWriters();
}

// Writers are never on the audio thread, and a publication takes well under a microsecond, so a
// writer that finds another at work simply yields until it is done.
void CrossfeedFilter::lockWriters() {
    while (writerBusy.exchange(true, std::memory_order_acquire))
        std::this_thread::yield();
}

void CrossfeedFilter::unlockWriters() {
    writerBusy.store(false, std::memory_order_release);
}

// The new generation clears the audio thread's history; the fields are cleared for readers on this
// thread.
void CrossfeedFilter::publish(bool clearsHistory) {
    if (clearsHistory) {
        ++generation;
        lastInput[0] = lastInput[1] = 0.0;
        lastLow[0] = lastLow[1] = 0.0;
        lastHigh[0] = lastHigh[1] = 0.0;
    }
    const std::uint32_t published = sequence.load(std::memory_order_relaxed);
    CoefficientSet& next = slots[((published >> 1) + 1) & 1];
    sequence.store(published + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    next.lowA0 = lowA0;
    next.lowB1 = lowB1;
    next.highA0 = highA0;
    next.highA1 = highA1;
    next.highB1 = highB1;
    next.gain = gain;
    next.generation = generation;
    sequence.store(published + 2, std::memory_order_release);
}

CrossfeedFilter::CoefficientSet CrossfeedFilter::currentSet() const {
    CoefficientSet set;
    readSet(set);
    return set;
}

// Runs a block in chunks of kFlushInterval frames, the history flushed at the end of each; every
// frame first checks for a new coefficient set. `frame(s, i)` processes frame i.
template <typename Frame> inline void CrossfeedFilter::processChunks(int32_t frames, Frame frame) {
    Lanes s;
    beginFrames(s);
    for (int32_t done = 0; done < frames;) {
        const int32_t end = done + (frames - done < kFlushInterval ? frames - done : kFlushInterval);
        for (int32_t i = done; i < end; ++i) {
            if (__builtin_expect(setChanged(s), 0))
                refresh(s);
            frame(s, i);
        }
        flushHistory(s);
        done = end;
    }
    // Flushed at the end of the last chunk.
    endFrames(s);
}

template <typename Sample>
void CrossfeedFilter::processBlockOnPath(BlockPath path, const Sample* in0, const Sample* in1, Sample* out0,
                                         Sample* out1, int32_t frames) {
#if TOVREL_HAS_AVX2_PATH
    if (path == BlockPath::avx2 && frames >= kShortestAvx2Block) {
        processBlockAvx2(in0, in1, out0, out1, frames);
        return;
    }
#else
    (void)path;
#endif
    processChunks(frames,
                  [=](Lanes& s, int32_t i) { storePair(out0, out1, i, runFrame(s, loadPair(in0, in1, i))); });
}

void CrossfeedFilter::processBlockOn(BlockPath path, const double* in0, const double* in1, double* out0,
                                     double* out1, int32_t frames) {
    processBlockOnPath(path, in0, in1, out0, out1, frames);
}

void CrossfeedFilter::processBlockFloatOn(BlockPath path, const float* in0, const float* in1, float* out0,
                                          float* out1, int32_t frames) {
    processBlockOnPath(path, in0, in1, out0, out1, frames);
}

} // namespace tovrel
