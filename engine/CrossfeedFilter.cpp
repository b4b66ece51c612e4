#include "engine/CrossfeedFilter.h"

#include <cmath>

namespace tovrel {

void CrossfeedFilter::computeCoefficients() {
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
    if (newLevel == level)
        return;
    level = newLevel;
    computeCoefficients();
}

void CrossfeedFilter::setSampleRate(std::uint32_t newRate) {
    if (newRate == sampleRate)
        return;
    sampleRate = newRate;
    computeCoefficients();
    clearHistory();
}

// Runs a block in chunks of kFlushInterval frames: the coefficients are read at the start of each
// chunk and the history flushed at its end. `frame(s, i)` processes frame i.
template <typename Frame> inline void CrossfeedFilter::processChunks(int32_t frames, Frame frame) {
    Lanes s;
    loadHistory(s);
    for (int32_t done = 0; done < frames;) {
        const int32_t end = done + (frames - done < kFlushInterval ? frames - done : kFlushInterval);
        loadCoefficients(s);
        for (int32_t i = done; i < end; ++i)
            frame(s, i);
        flushHistory(s);
        done = end;
    }
    // Flushed at the end of the last chunk; an empty block leaves the history as it was.
    storeHistory(s);
}

void CrossfeedFilter::processBlock(const double* in0, const double* in1, double* out0, double* out1,
                                   int32_t frames) {
    processChunks(frames, [=](Lanes& s, int32_t i) {
        // Both inputs of a frame are read before either output is written: buffers may be shared.
        const __m128d out = runFrame(s, _mm_unpacklo_pd(_mm_load_sd(in0 + i), _mm_load_sd(in1 + i)));
        _mm_store_sd(out0 + i, out);
        _mm_storeh_pd(out1 + i, out);
    });
}

void CrossfeedFilter::processBlockFloat(const float* in0, const float* in1, float* out0, float* out1,
                                        int32_t frames) {
    processChunks(frames, [=](Lanes& s, int32_t i) {
        const __m128 in = _mm_unpacklo_ps(_mm_load_ss(in0 + i), _mm_load_ss(in1 + i));
        const __m128 out = _mm_cvtpd_ps(runFrame(s, _mm_cvtps_pd(in)));
        _mm_store_ss(out0 + i, out);
        _mm_store_ss(out1 + i, _mm_shuffle_ps(out, out, 1));
    });
}

void CrossfeedFilter::clearHistory() {
    lastInput[0] = lastInput[1] = 0.0;
    lastLow[0] = lastLow[1] = 0.0;
    lastHigh[0] = lastHigh[1] = 0.0;
}

} // namespace tovrel
