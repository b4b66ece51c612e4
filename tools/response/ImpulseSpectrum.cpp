#include "tools/response/ImpulseSpectrum.h"

#include <cmath>
#include <complex>

namespace tovrel {

SpectrumPoint spectrumAt(const std::vector<double>& h, double frequency, double sampleRate) {
    const double omega = 6.283185307179586 * frequency / sampleRate;
    // e^{-j omega n} by repeated rotation, renormalised now and then so rounding cannot build up.
    const std::complex<double> step(std::cos(omega), -std::sin(omega));
    std::complex<double> rotor(1.0, 0.0);
    std::complex<double> sum(0.0, 0.0);
    std::complex<double> weighted(0.0, 0.0);
    for (size_t n = 0; n < h.size(); ++n) {
        sum += h[n] * rotor;
        weighted += static_cast<double>(n) * h[n] * rotor;
        rotor *= step;
        if ((n & 255) == 255)
            rotor = std::polar(1.0, -omega * static_cast<double>(n + 1));
    }
    SpectrumPoint point;
    point.magnitudeDb = 20.0 * std::log10(std::abs(sum));
    point.groupDelaySeconds = (weighted / sum).real() / sampleRate;
    return point;
}

std::vector<double> logFrequencies(double lowest, double highest, int count) {
    std::vector<double> frequencies;
    const double ratio = std::log(highest / lowest);
    for (int i = 0; i < count; ++i)
        frequencies.push_back(lowest * std::exp(ratio * i / (count - 1)));
    frequencies.back() = highest;
    return frequencies;
}

} // namespace tovrel
