#pragma once

#include "tools/vsthost/StereoBuffers.h"

#include <cstdint>
#include <vector>

namespace tovrel {

// The test signals of the benchmarks, generated the same way on every run.
class BenchSignal {
public:
    enum class Kind {
        Music,             // two sine chords, -6 dBFS, never clipped
        SilenceAfterMusic, // zeros, processed after the music: the filters' decaying tail
        FullScaleNoise,    // independent white noise at full scale on both channels: clipping
    };
    static constexpr int kKindCount = 3;

    static Kind kind(int index) { return static_cast<Kind>(index); }
    static const char* name(Kind kind);

    // Fills frames of the signal into two channel buffers.
    static void fill(Kind kind, double* left, double* right, int32_t frames);
    // Fills the inputs of the buffers with the signal, rounded to their precision; the outputs
    // stay silent.
    template <typename Sample> static void fill(Kind kind, StereoBuffers<Sample>& buffers) {
        const int32_t frames = buffers.frames();
        std::vector<double> left(static_cast<size_t>(frames)), right(static_cast<size_t>(frames));
        fill(kind, left.data(), right.data(), frames);
        for (int32_t i = 0; i < frames; ++i) {
            buffers.input(0)[i] = static_cast<Sample>(left[static_cast<size_t>(i)]);
            buffers.input(1)[i] = static_cast<Sample>(right[static_cast<size_t>(i)]);
        }
    }
};

} // namespace tovrel
