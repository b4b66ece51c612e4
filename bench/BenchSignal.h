#pragma once

#include <cstdint>

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
};

} // namespace tovrel
