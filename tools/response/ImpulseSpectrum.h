#pragma once

#include <vector>

namespace tovrel {

// One frequency of an impulse response's spectrum.
struct SpectrumPoint {
    double magnitudeDb{0.0};
    double groupDelaySeconds{0.0};
};

// The response at one frequency, from the discrete-time Fourier transform of the impulse response
// h. The group delay comes without phase unwrapping: it is the real part of
// DTFT(n h[n]) / DTFT(h[n]), in samples, divided by the sample rate.
SpectrumPoint spectrumAt(const std::vector<double>& h, double frequency, double sampleRate);

// Frequencies spaced evenly on a logarithmic axis, both ends included.
std::vector<double> logFrequencies(double lowest, double highest, int count);

} // namespace tovrel
