// The LV2 plug-in loaded from the built bundle and driven through its descriptor, as a host drives
// it: the bypass switch, and the samples against the VST plug-in's float path.
#include "plugin/ParameterMappings.h"
#include "tools/vsthost/HostedEffect.h"

#include <gtest/gtest.h>
#include <lv2/core/lv2.h>

#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace tovrel {
namespace {

constexpr const char* kUri = "https://orvalen.example.org/plugins/tovrel";
enum : uint32_t { kInL, kInR, kOutL, kOutR, kFeed, kCut, kEnabled };

// One instance from the bundle's library, its ports connected to buffers of the test.
class Lv2Instance {
public:
    Lv2Instance(double rate, uint32_t blockFrames) : in(2, std::vector<float>(blockFrames)), out(in) {
        library = dlopen(TOVREL_LV2_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        auto entry =
            library ? reinterpret_cast<LV2_Descriptor_Function>(dlsym(library, "lv2_descriptor")) : nullptr;
        descriptor = entry ? entry(0) : nullptr;
        if (descriptor && std::string(descriptor->URI) == kUri)
            handle = descriptor->instantiate(descriptor, rate, TOVREL_LV2_BUNDLE "/", nullptr);
        if (!handle)
            return;
        float* audio[4] = {in[0].data(), in[1].data(), out[0].data(), out[1].data()};
        for (uint32_t port = kInL; port <= kOutR; ++port)
            descriptor->connect_port(handle, port, audio[port]);
        descriptor->connect_port(handle, kFeed, &feed);
        descriptor->connect_port(handle, kCut, &cut);
        descriptor->connect_port(handle, kEnabled, &enabled);
        descriptor->activate(handle);
    }
    ~Lv2Instance() {
        if (handle) {
            descriptor->deactivate(handle);
            descriptor->cleanup(handle);
        }
        if (library)
            dlclose(library);
    }
    Lv2Instance(const Lv2Instance&) = delete;
    Lv2Instance& operator=(const Lv2Instance&) = delete;

    bool ready() const { return handle != nullptr; }
    void run(uint32_t frames) { descriptor->run(handle, frames); }

    std::vector<std::vector<float>> in;
    std::vector<std::vector<float>> out;
    float feed{6.2f};
    float cut{730.0f};
    float enabled{1.0f};

private:
    void* library{nullptr};
    const LV2_Descriptor* descriptor{nullptr};
    LV2_Handle handle{nullptr};
};

// Two smooth tones, so that the signal's own steps are small next to the step a hard switch makes.
float tone(int channel, size_t frame, double rate) {
    const double t = static_cast<double>(frame) / rate;
    return static_cast<float>(channel == 0 ? 0.6 * std::sin(2 * M_PI * 150 * t)
                                           : 0.4 * std::sin(2 * M_PI * 90 * t + 1));
}

// Runs `frames` frames in blocks; enabledAt(frame) gives the "enabled" port for the block
// starting there. Returns the two output channels.
template <typename Enabled>
std::vector<std::vector<float>> render(double rate, uint32_t block, size_t frames, Enabled enabledAt) {
    Lv2Instance plugin(rate, block);
    EXPECT_TRUE(plugin.ready());
    std::vector<std::vector<float>> result(2, std::vector<float>(frames));
    for (size_t start = 0; plugin.ready() && start < frames; start += block) {
        const auto n = static_cast<uint32_t>(std::min<size_t>(block, frames - start));
        for (int c = 0; c < 2; ++c)
            for (uint32_t i = 0; i < n; ++i)
                plugin.in[static_cast<size_t>(c)][i] = tone(c, start + i, rate);
        plugin.enabled = enabledAt(start);
        plugin.run(n);
        for (int c = 0; c < 2; ++c)
            std::copy_n(plugin.out[static_cast<size_t>(c)].begin(), n,
                        result[static_cast<size_t>(c)].begin() + static_cast<long>(start));
    }
    return result;
}

// Switched off at frame `off` and on again at `on` (both at block starts): processed before; a
// linear crossfade of `fade` frames to the input; the input exactly; a crossfade back to the
// signal the filter would have given without the interruption (it ran on meanwhile); that signal
// exactly. No step larger than the signal's own.
struct BypassCase {
    double rate;
    uint32_t block;
    size_t off;
    size_t on;
    size_t fade; // 10 ms at the rate
};

void PrintTo(const BypassCase& c, std::ostream* os) {
    *os << c.rate << " Hz in blocks of " << c.block;
}

class Lv2Bypass : public testing::TestWithParam<BypassCase> {};

TEST_P(Lv2Bypass, CrossfadesToTheDrySignalAndBack) {
    const BypassCase c = GetParam();
    const size_t frames = c.on + 2 * c.fade;
    const auto wet = render(c.rate, c.block, frames, [](size_t) { return 1.0f; });
    const auto out =
        render(c.rate, c.block, frames, [&](size_t f) { return f >= c.off && f < c.on ? 0.0f : 1.0f; });
    for (size_t ch = 0; ch < 2; ++ch) {
        const auto& o = out[ch];
        const auto& w = wet[ch];
        float ownStep = 0.0f;
        float step = 0.0f;
        for (size_t i = 0; i < frames; ++i) {
            const float dry = tone(static_cast<int>(ch), i, c.rate);
            // The share of the processed signal: falling to 0 from the switch off, rising after.
            const double share =
                i < c.on ? static_cast<double>(c.off + c.fade - 1 - i) / static_cast<double>(c.fade)
                         : static_cast<double>(i - c.on + 1) / static_cast<double>(c.fade);
            if (i < c.off || i >= c.on + c.fade - 1)
                ASSERT_EQ(o[i], w[i]) << "channel " << ch << " frame " << i << ": not the processed signal";
            else if (i >= c.off + c.fade - 1 && i < c.on)
                ASSERT_EQ(o[i], dry) << "channel " << ch << " frame " << i << ": not the input";
            else
                ASSERT_NEAR(o[i], dry + share * (w[i] - dry), 1e-6) << "channel " << ch << " frame " << i;
            if (i > 0) {
                const float dryStep = std::fabs(dry - tone(static_cast<int>(ch), i - 1, c.rate));
                ownStep = std::max({ownStep, dryStep, std::fabs(w[i] - w[i - 1])});
                step = std::max(step, std::fabs(o[i] - o[i - 1]));
            }
        }
        EXPECT_LE(step, 1.1f * ownStep) << "channel " << ch;
    }
}

INSTANTIATE_TEST_SUITE_P(RatesAndBlocks, Lv2Bypass,
                         testing::Values(BypassCase{48000, 64, 1024, 2048, 480},
                                         BypassCase{44100, 1000, 2000, 4000, 441},
                                         BypassCase{96000, 1, 300, 2500, 960}));

// The same samples as the VST plug-in's float path at every rate, the ones it does not support
// included (both fall back the same way), with a level change between two blocks taking effect
// at the first frame of the next.
class Lv2Samples : public testing::TestWithParam<double> {};

TEST_P(Lv2Samples, MatchTheVstPluginThroughALevelChange) {
    const double rate = GetParam();
    constexpr uint32_t kBlock = 256;
    constexpr int kBlocks = 8;
    constexpr int kChangeAt = 3;
    Lv2Instance lv2(rate, kBlock);
    ASSERT_TRUE(lv2.ready());
    HostedEffect vst;
    ASSERT_TRUE(vst.load(TOVREL_VST_PLUGIN)) << vst.error();
    vst.setSampleRate(static_cast<float>(rate));
    vst.setBlockSize(kBlock);
    vst.setParameter(2, 0.0f); // "Off": the level parameters set the level
    vst.resume();
    std::vector<float> buffers[2] = {std::vector<float>(kBlock), std::vector<float>(kBlock)};
    float* vstBuffers[2] = {buffers[0].data(), buffers[1].data()};
    for (int block = 0; block < kBlocks; ++block) {
        if (block == kChangeAt) {
            lv2.feed = 15.0f;
            lv2.cut = 2000.0f;
            vst.setParameter(0, parameterFromFeed(150));
            vst.setParameter(1, parameterFromCut(2000));
        }
        for (int c = 0; c < 2; ++c)
            for (uint32_t i = 0; i < kBlock; ++i) {
                const size_t frame = static_cast<size_t>(block) * kBlock + i;
                buffers[c][i] = lv2.in[static_cast<size_t>(c)][i] =
                    tone(c, frame, 44100.0) + (frame % 7 == 0 ? 0.1f : 0.0f);
            }
        lv2.run(kBlock);
        vst.process(vstBuffers, vstBuffers, kBlock);
        for (int c = 0; c < 2; ++c)
            for (uint32_t i = 0; i < kBlock; ++i)
                ASSERT_EQ(lv2.out[static_cast<size_t>(c)][i], buffers[c][i])
                    << "rate " << rate << " block " << block << " channel " << c << " frame " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(SupportedAndFallbackRates, Lv2Samples,
                         testing::Values(44100.0, 48000.0, 96000.0, 2000.0, 384000.0, 1999.0, 500000.0, 0.0));

} // namespace
} // namespace tovrel
