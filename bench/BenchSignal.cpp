#include "bench/BenchSignal.h"

#include "tools/vsthost/SeededRandom.h"

#include <cmath>

namespace tovrel {

namespace {

constexpr double kNoisePeak = 1.2;

} // namespace

const char* BenchSignal::name(Kind kind) {
    switch (kind) {
    case Kind::Music:
        return "signal";
    case Kind::SilenceAfterMusic:
        return "silence-tail";
    case Kind::FullScaleNoise:
        return "noise-clip";
    }
    return "?";
}

void BenchSignal::fill(Kind kind, double* left, double* right, int32_t frames) {
    SeededRandom random(0x1234567u);
    const double step = 6.283185307179586 / 44100.0;
    for (int32_t i = 0; i < frames; ++i) {
        switch (kind) {
        case Kind::Music:
            left[i] = 0.3 * std::sin(220.0 * step * i) + 0.2 * std::sin(1318.5 * step * i);
            right[i] = 0.3 * std::sin(277.2 * step * i) + 0.2 * std::sin(987.8 * step * i);
            break;
        case Kind::SilenceAfterMusic:
            left[i] = right[i] = 0.0;
            break;
        case Kind::FullScaleNoise:
            // Samples of random sign just past full scale (+1.6 dBFS): white, and 43 % of the
            // outputs clip, at random. (The filter's gain keeps noise that stays within full
            // scale from clipping at all: uniform noise never does, and full-scale samples of
            // random sign clip 1.4 % of the outputs.)
            left[i] = random.sample() < 0.0 ? -kNoisePeak : kNoisePeak;
            right[i] = random.sample() < 0.0 ? -kNoisePeak : kNoisePeak;
            break;
        }
    }
}

} // namespace tovrel
