#include "engine/CoefficientDesign.h"

#include <cmath>

namespace tovrel {

FilterDesign designFilter(LevelWord level, std::uint32_t sampleRate) {
    FilterDesign design;
    design.level = validLevel(level);
    design.sampleRate = validSampleRate(sampleRate);
    FilterCoefficients& c = design.coefficients;

    const double fc = static_cast<double>(cutFrequencyOf(design.level));
    const double f = static_cast<double>(feedOf(design.level));

    // The constants are reciprocals written out (/10, /6, /20, /12, -2*pi) so that every build
    // performs the same multiplications and gives the same coefficients.
    const double feedDb = f * 0.1;
    const double lowGainDb = feedDb * -5.0 * 0.16666666666666666 - 3.0;
    const double lowGain = std::pow(10.0, lowGainDb * 0.05);
    const double highGainDb = feedDb * 0.16666666666666666 - 3.0;
    const double highGain = 1.0 - std::pow(10.0, highGainDb * 0.05);
    const double period = 1.0 / static_cast<double>(design.sampleRate);

    const double x = std::exp(fc * -6.283185307179586 * period);
    c.lowB1 = x;
    c.lowA0 = (1.0 - x) * lowGain;

    // The high-boost corner sits (lowGainDb - 20 log10(highGain)) / 12 octaves above the cut.
    const double octaves = std::pow(2.0, (lowGainDb - std::log10(highGain) * 20.0) * 0.08333333333333333);
    const double y = std::exp(octaves * fc * -6.283185307179586 * period);
    c.highB1 = y;
    c.highA1 = -y;
    c.highA0 = 1.0 - (1.0 - y) * highGain;

    c.gain = 1.0 / ((1.0 - highGain) + lowGain);
    return design;
}

} // namespace tovrel
