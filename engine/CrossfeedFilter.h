#pragma once

#include "engine/LevelWord.h"

#include <cstdint>

namespace tovrel {

// State of one stereo crossfeed stream: the level in force, the sample rate, the six filter
// coefficients derived from them, and the filter history. Plain data; the effect calls the
// operations directly, from any thread, without locking.
struct CrossfeedFilter {
    // Validates the sample rate and the level (replacing an invalid one by its fallback, here in
    // the record) and derives the coefficients. Leaves the history alone.
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

    std::uint32_t cutFrequency() const { return cutFrequencyOf(level); }
    std::uint32_t feed() const { return feedOf(level); }

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

private:
    inline void runFrame(double in0, double in1, double& out0, double& out1);
};

inline void CrossfeedFilter::runFrame(double in0, double in1, double& out0, double& out1) {
    lastLow[0] = lastLow[0] * lowB1 + in0 * lowA0;
    lastLow[1] = lastLow[1] * lowB1 + in1 * lowA0;
    lastHigh[0] = lastInput[0] * highA1 + highA0 * in0 + lastHigh[0] * highB1;
    lastHigh[1] = lastInput[1] * highA1 + highA0 * in1 + lastHigh[1] * highB1;
    lastInput[0] = in0;
    lastInput[1] = in1;

    double left = (lastHigh[0] + lastLow[1]) * gain;
    double right = (lastHigh[1] + lastLow[0]) * gain;
    // Hard clip; written as selects so the compiler emits min/max rather than branches.
    left = left > 1.0 ? 1.0 : left;
    left = left < -1.0 ? -1.0 : left;
    right = right > 1.0 ? 1.0 : right;
    right = right < -1.0 ? -1.0 : right;
    out0 = left;
    out1 = right;
}

inline void CrossfeedFilter::processFrame(double* pair) {
    double out0;
    double out1;
    runFrame(pair[0], pair[1], out0, out1);
    pair[0] = out0;
    pair[1] = out1;
}

inline void CrossfeedFilter::processFrameFloat(float* pair) {
    double out0;
    double out1;
    runFrame(static_cast<double>(pair[0]), static_cast<double>(pair[1]), out0, out1);
    pair[0] = static_cast<float>(out0);
    pair[1] = static_cast<float>(out1);
}

} // namespace tovrel
