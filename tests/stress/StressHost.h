#pragma once

#include "host/VstAbi.h"
#include "tools/vsthost/PluginLibrary.h"

#include <cstdint>
#include <vector>

namespace tovrel::test {

// A host for the stress tests: one loaded library, effects opened and switched on through the
// dispatcher, and stereo buffers of either precision that know whether every sample is sound.
class StressHost {
public:
    // Loads the plug-in from the test program's folder; false (with a test failure) if it cannot.
    bool load();

    AEffect* openEffect(float sampleRate) const;
    static void closeEffect(AEffect* effect);

    const PluginLibrary& library() const { return m_library; }

private:
    PluginLibrary m_library;
};

// Two channels of one block, inputs and outputs separate.
template <typename Sample> class StereoBlock {
public:
    explicit StereoBlock(int32_t frames) : m_frames(frames) {
        for (int c = 0; c < 2; ++c) {
            m_in[c].assign(static_cast<size_t>(frames), Sample(0));
            m_out[c].assign(static_cast<size_t>(frames), Sample(0));
        }
    }

    Sample* input(int channel) { return m_in[channel].data(); }
    Sample* output(int channel) { return m_out[channel].data(); }
    Sample** inputs() {
        m_inPointers[0] = m_in[0].data();
        m_inPointers[1] = m_in[1].data();
        return m_inPointers;
    }
    Sample** outputs() {
        m_outPointers[0] = m_out[0].data();
        m_outPointers[1] = m_out[1].data();
        return m_outPointers;
    }
    int32_t frames() const { return m_frames; }

    // Every output sample finite and within full scale.
    bool outputsSound() const {
        for (int c = 0; c < 2; ++c)
            for (Sample s : m_out[c])
                if (!(s >= Sample(-1) && s <= Sample(1)))
                    return false;
        return true;
    }

private:
    int32_t m_frames;
    std::vector<Sample> m_in[2];
    std::vector<Sample> m_out[2];
    Sample* m_inPointers[2]{};
    Sample* m_outPointers[2]{};
};

// A small deterministic generator for signals, settings and orders.
class StressRandom {
public:
    explicit StressRandom(uint32_t seed) : m_state(seed) {}
    uint32_t next() { return m_state = m_state * 1664525u + 1013904223u; }
    // Uniform in [-1, 1).
    double sample() { return static_cast<double>(static_cast<int32_t>(next())) * (1.0 / 2147483648.0); }
    uint32_t below(uint32_t n) { return (next() >> 8) % n; }

private:
    uint32_t m_state;
};

} // namespace tovrel::test
