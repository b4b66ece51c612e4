#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tovrel {

// Two channels of one block in either precision, inputs and outputs separate, with the pointer
// arrays the process calls take. Pass inputs() as both arguments to process in place.
template <typename Sample> class StereoBuffers {
public:
    explicit StereoBuffers(int32_t frames) : m_frames(frames) {
        for (int c = 0; c < 2; ++c) {
            m_in[c].assign(static_cast<size_t>(frames), Sample(0));
            m_out[c].assign(static_cast<size_t>(frames), Sample(0));
            m_inPointers[c] = m_in[c].data();
            m_outPointers[c] = m_out[c].data();
        }
    }

    StereoBuffers(const StereoBuffers&) = delete;
    StereoBuffers& operator=(const StereoBuffers&) = delete;

    Sample* input(int channel) { return m_in[channel].data(); }
    const Sample* input(int channel) const { return m_in[channel].data(); }
    Sample* output(int channel) { return m_out[channel].data(); }
    const Sample* output(int channel) const { return m_out[channel].data(); }
    Sample** inputs() { return m_inPointers; }
    Sample** outputs() { return m_outPointers; }
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

} // namespace tovrel
