#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tovrel {

// Two channels of one block in either precision, inputs and outputs separate, with the pointer
// arrays the process calls take. Pass inputs() as both arguments to process in place.
template <typename Sample> class StereoBuffers {
public:
    explicit StereoBuffers(int32_t frames) : frameCount(frames) {
        for (int c = 0; c < 2; ++c) {
            in[c].assign(static_cast<size_t>(frames), Sample(0));
            out[c].assign(static_cast<size_t>(frames), Sample(0));
            inPointers[c] = in[c].data();
            outPointers[c] = out[c].data();
        }
    }

    StereoBuffers(const StereoBuffers&) = delete;
    StereoBuffers& operator=(const StereoBuffers&) = delete;

    Sample* input(int channel) { return in[channel].data(); }
    const Sample* input(int channel) const { return in[channel].data(); }
    Sample* output(int channel) { return out[channel].data(); }
    const Sample* output(int channel) const { return out[channel].data(); }
    Sample** inputs() { return inPointers; }
    Sample** outputs() { return outPointers; }
    int32_t frames() const { return frameCount; }

    // Every output sample finite and within full scale.
    bool outputsSound() const {
        for (int c = 0; c < 2; ++c)
            for (Sample s : out[c])
                if (!(s >= Sample(-1) && s <= Sample(1)))
                    return false;
        return true;
    }

private:
    int32_t frameCount;
    std::vector<Sample> in[2];
    std::vector<Sample> out[2];
    Sample* inPointers[2]{};
    Sample* outPointers[2]{};
};

} // namespace tovrel
