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
#include <vector>

namespace tovrel {
namespace {

enum : uint32_t { kInL, kInR, kOutL, kOutR, kFeed, kCut, kEnabled };

// Two smooth tones (steps small next to the one a hard switch makes) and, if asked, a click every
// seventh frame; the same samples whatever rate the plug-in is told.
std::vector<float> tone(size_t channel, size_t frames, float click) {
    std::vector<float> samples(frames);
    for (size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / 48000.0;
        samples[i] = static_cast<float>(channel == 0 ? 0.6 * std::sin(2 * M_PI * 150 * t)
                                                     : 0.4 * std::sin(2 * M_PI * 90 * t + 1)) +
                     (i % 7 == 0 ? click : 0.0f);
    }
    return samples;
}

// One instance from the bundle's library over a whole signal, run block by block.
class Lv2Instance {
public:
    Lv2Instance(double rate, size_t frames, float click = 0.0f)
        : in{tone(0, frames, click), tone(1, frames, click)}, out(in) {
        library = dlopen(TOVREL_LV2_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        auto entry =
            reinterpret_cast<LV2_Descriptor_Function>(library ? dlsym(library, "lv2_descriptor") : nullptr);
        descriptor = entry ? entry(0) : nullptr;
        handle =
            descriptor ? descriptor->instantiate(descriptor, rate, TOVREL_LV2_BUNDLE "/", nullptr) : nullptr;
        if (!handle)
            return;
        descriptor->connect_port(handle, kFeed, &feed);
        descriptor->connect_port(handle, kCut, &cut);
        descriptor->connect_port(handle, kEnabled, &enabled);
        descriptor->activate(handle);
    }
    ~Lv2Instance() {
        if (handle)
            descriptor->cleanup(handle);
        if (library)
            dlclose(library);
    }
    Lv2Instance(const Lv2Instance&) = delete;
    Lv2Instance& operator=(const Lv2Instance&) = delete;

    bool ready() const { return handle != nullptr; }
    void run(size_t start, size_t frames) {
        float* audio[4] = {&in[0][start], &in[1][start], &out[0][start], &out[1][start]};
        for (uint32_t port = kInL; port <= kOutR; ++port)
            descriptor->connect_port(handle, port, audio[port]);
        descriptor->run(handle, static_cast<uint32_t>(frames));
    }

    std::vector<float> in[2];
    std::vector<float> out[2];
    float feed{6.2f};
    float cut{730.0f};
    float enabled{1.0f};

private:
    void* library{nullptr};
    const LV2_Descriptor* descriptor{nullptr};
    LV2_Handle handle{nullptr};
};

// Switched off at frame `off` and on again at `on` (both at block starts): processed before; a
// linear crossfade of `fade` frames to the input; the input exactly; a crossfade back to the
// signal the filter would have given without the interruption (it ran on meanwhile); that signal
// exactly. No step larger than the signal's own.
struct BypassCase {
    double rate;
    size_t block;
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
    Lv2Instance wet(c.rate, frames);
    Lv2Instance plugin(c.rate, frames);
    ASSERT_TRUE(wet.ready() && plugin.ready());
    for (size_t start = 0; start < frames; start += c.block) {
        plugin.enabled = start >= c.off && start < c.on ? 0.0f : 1.0f;
        wet.run(start, std::min(c.block, frames - start));
        plugin.run(start, std::min(c.block, frames - start));
    }
    for (size_t ch = 0; ch < 2; ++ch) {
        const std::vector<float>& o = plugin.out[ch];
        const std::vector<float>& w = wet.out[ch];
        const std::vector<float>& dry = plugin.in[ch];
        float ownStep = 0.0f;
        float step = 0.0f;
        for (size_t i = 0; i < frames; ++i) {
            // The share of the processed signal: falling to 0 from the switch off, rising after.
            const double share = static_cast<double>(i < c.on ? c.off + c.fade - 1 - i : i - c.on + 1) /
                                 static_cast<double>(c.fade);
            if (i < c.off || i >= c.on + c.fade - 1)
                ASSERT_EQ(o[i], w[i]) << "channel " << ch << " frame " << i << ": not the processed signal";
            else if (i >= c.off + c.fade - 1 && i < c.on)
                ASSERT_EQ(o[i], dry[i]) << "channel " << ch << " frame " << i << ": not the input";
            else
                ASSERT_NEAR(o[i], dry[i] + share * (w[i] - dry[i]), 1e-6)
                    << "channel " << ch << " frame " << i;
            if (i > 0) {
                ownStep = std::max({ownStep, std::fabs(dry[i] - dry[i - 1]), std::fabs(w[i] - w[i - 1])});
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
    constexpr size_t kBlock = 256;
    constexpr size_t kChangeAt = 3 * kBlock;
    constexpr size_t kFrames = 8 * kBlock;
    Lv2Instance lv2(rate, kFrames, 0.1f);
    ASSERT_TRUE(lv2.ready());
    HostedEffect vst;
    ASSERT_TRUE(vst.load(TOVREL_VST_PLUGIN)) << vst.error();
    vst.setSampleRate(static_cast<float>(rate));
    vst.setBlockSize(kBlock);
    vst.setParameter(2, 0.0f); // "Off": the level parameters set the level
    vst.resume();
    std::vector<float> processed[2] = {lv2.in[0], lv2.in[1]};
    for (size_t start = 0; start < kFrames; start += kBlock) {
        if (start == kChangeAt) {
            lv2.feed = 15.0f;
            lv2.cut = 2000.0f;
            vst.setParameter(0, parameterFromFeed(150));
            vst.setParameter(1, parameterFromCut(2000));
        }
        lv2.run(start, kBlock);
        float* block[2] = {&processed[0][start], &processed[1][start]};
        vst.process(block, block, kBlock);
    }
    for (size_t ch = 0; ch < 2; ++ch)
        for (size_t i = 0; i < kFrames; ++i)
            ASSERT_EQ(lv2.out[ch][i], processed[ch][i])
                << "rate " << rate << " channel " << ch << " frame " << i;
}

INSTANTIATE_TEST_SUITE_P(SupportedAndFallbackRates, Lv2Samples,
                         testing::Values(44100.0, 48000.0, 96000.0, 2000.0, 384000.0, 1999.0, 500000.0, 0.0));

} // namespace
} // namespace tovrel
