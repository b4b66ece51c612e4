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

void CrossfeedFilter::clearHistory() {
    lastInput[0] = lastInput[1] = 0.0;
    lastLow[0] = lastLow[1] = 0.0;
    lastHigh[0] = lastHigh[1] = 0.0;
}

} // namespace tovrel
