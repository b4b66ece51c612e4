#pragma once

#include "engine/CrossfeedFilter.h"
#include "engine/PlainEquations.h"

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

namespace tovrel::test {

// Frames whose outputs may still be on their way to another thread when a frame after them reads
// the settings: the processor's store buffer, and on the AVX2 path a chunk's frames, whose outputs
// are written together after the chunk's last frame has read the settings. The threaded stress
// tests allow this many; the exact frame is what the deterministic tests of the block loop check.
constexpr std::size_t kLateFramesSeenByAnotherThread = 64 + CrossfeedFilter::kFlushInterval;

// The coefficient sets a test saw published, in order, each with the first frame that must use it
// or a later one; and a replay of recorded output against them with the filter equations as
// written. A frame passes if exactly one set, not older than the last one used, gives its output
// bits from the history the frames before it left (cleared where a rate change came between).
// Streams must not clip, so that no two sets can give the same output.
class PublishedSetReplay {
public:
    using Set = CrossfeedFilter::CoefficientSet;

    explicit PublishedSetReplay(const Set& initial) { sets.push_back({initial, 0}); }

    // Records `set` if it differs from the last one recorded.
    void publish(const Set& set, size_t firstFrame) {
        const Set& last = sets.back().set;
        if (std::memcmp(&set.coefficients, &last.coefficients, sizeof set.coefficients) != 0 ||
            set.generation != last.generation)
            sets.push_back({set, firstFrame});
    }

    size_t published() const { return sets.size(); }

    // An empty string if every frame passes, else what the first failing frame did.
    std::string check(const double* in0, const double* in1, const double* out0, const double* out1,
                      size_t frames) const {
        PlainEquations history;
        size_t current = 0;
        size_t required = 0;
        for (size_t frame = 0; frame < frames; ++frame) {
            while (required + 1 < sets.size() && sets[required + 1].firstFrame <= frame)
                ++required;
            bool matched = false;
            for (size_t k = current; k < sets.size() && !matched; ++k) {
                PlainEquations candidate = history;
                if (sets[k].set.generation != sets[current].set.generation)
                    candidate = PlainEquations{};
                double expected[2];
                candidate.run(sets[k].set.coefficients, in0[frame], in1[frame], expected[0], expected[1]);
                if (sameBits(expected[0], out0[frame]) && sameBits(expected[1], out1[frame])) {
                    matched = true;
                    current = k;
                    history = candidate;
                }
            }
            if (!matched)
                return "frame " + std::to_string(frame) + " matches no single published set";
            if (current < required)
                return "frame " + std::to_string(frame) + " began after set " + std::to_string(required) +
                       " was published but used set " + std::to_string(current);
        }
        return {};
    }

private:
    struct Entry {
        Set set;
        size_t firstFrame;
    };

    static bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

    std::vector<Entry> sets;
};

} // namespace tovrel::test
