#pragma once

#include <cstdint>

namespace tovrel {

// A linear congruential generator for test signals, settings and orders: the same seed gives the
// same sequence on every platform, which the recorded reference outputs rely on. The constants
// default to the ones the signals were recorded with; a caller may name another pair.
class SeededRandom {
public:
    static constexpr uint32_t kMultiplier = 1664525u;
    static constexpr uint32_t kIncrement = 1013904223u;

    explicit SeededRandom(uint32_t seed, uint32_t multiplier = kMultiplier, uint32_t increment = kIncrement)
        : state(seed), stateMultiplier(multiplier), stateIncrement(increment) {}

    // The next state of the generator.
    uint32_t next() { return state = state * stateMultiplier + stateIncrement; }
    // Uniform in [-1, 1), all 32 bits of the state.
    double sample() { return static_cast<double>(static_cast<int32_t>(next())) * (1.0 / 2147483648.0); }
    // Uniform in [-1, 1) with 24 significant bits: exact in single precision too.
    double sample24() { return static_cast<double>(static_cast<int32_t>(next()) >> 8) / 8388608.0; }
    // Uniform in [0, 1) with 24 significant bits, from the upper bits of the state.
    double unit24() { return static_cast<double>(next() >> 8) / 16777216.0; }
    // Uniform in [0, n), from the better-mixed upper bits.
    uint32_t below(uint32_t n) { return (next() >> 8) % n; }

private:
    uint32_t state;
    uint32_t stateMultiplier;
    uint32_t stateIncrement;
};

} // namespace tovrel
