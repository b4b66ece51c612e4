#include "hostlevel/HostSession.h"

#include <vector>

namespace tovrel::test {

std::string HostLevelPaths::plugin;
std::string HostLevelPaths::golden;

const Scenario kScenarios[] = {
    {"default-44100-double", 44100.0f, 0.25f, 0.0f, 0.0f, false},
    {"jmeier-48000-double", 48000.0f, 1.0f, 0.0f, 0.0f, false},
    {"off-15dB-300Hz-96000-double", 96000.0f, 0.0f, 1.0f, 0.0f, false},
    {"off-1dB-2000Hz-22050-double", 22050.0f, 0.0f, 0.0f, 1.0f, false},
    {"bs2b-44100-single", 44100.0f, 0.5f, 0.0f, 0.0f, true},
    {"cmoy-192000-single", 192000.0f, 0.75f, 0.0f, 0.0f, true},
};
const int kScenarioCount = static_cast<int>(sizeof(kScenarios) / sizeof(kScenarios[0]));

namespace {
intptr_t VST_CALL quietHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    return opcode == vst::audioMasterVersion ? vst::kVstVersion : 0;
}
} // namespace

bool renderScenario(const PluginLibrary& library, const Scenario& scenario, std::vector<double>& samples) {
    AEffect* effect = library.createEffect(&quietHost);
    if (!effect)
        return false;
    effect->dispatcher(effect, vst::effOpen, 0, 0, nullptr, 0.0f);
    effect->dispatcher(effect, vst::effSetSampleRate, 0, 0, nullptr, scenario.sampleRate);
    effect->dispatcher(effect, vst::effSetBlockSize, 0, 128, nullptr, 0.0f);
    effect->setParameter(effect, 2, scenario.presetValue);
    effect->setParameter(effect, 0, scenario.feedValue);
    effect->setParameter(effect, 1, scenario.cutValue);
    effect->dispatcher(effect, vst::effMainsChanged, 0, 1, nullptr, 0.0f);

    TestSignal signal(0xC0FFEE);
    std::vector<double> left(kScenarioFrames), right(kScenarioFrames);
    for (int i = 0; i < kScenarioFrames; ++i) {
        // Noise, then a full-scale square burst that drives the clipper, then silence.
        if (i < 256) {
            left[i] = signal.next();
            right[i] = signal.next() * 0.5;
        } else if (i < 384) {
            left[i] = ((i / 16) % 2) ? 1.0 : -1.0;
            right[i] = -left[i];
        } else {
            left[i] = right[i] = 0.0;
        }
    }
    // Irregular block sizes: processing must not depend on how the host cuts the stream.
    const int blocks[] = {1, 7, 64, 128, 200, 112};
    int done = 0;
    for (int block : blocks) {
        if (scenario.singlePrecision) {
            std::vector<float> l(left.begin() + done, left.begin() + done + block);
            std::vector<float> r(right.begin() + done, right.begin() + done + block);
            float* channels[2] = {l.data(), r.data()};
            effect->processReplacing(effect, channels, channels, block);
            for (int i = 0; i < block; ++i) {
                samples.push_back(l[i]);
                samples.push_back(r[i]);
            }
        } else {
            double* channels[2] = {left.data() + done, right.data() + done};
            effect->processDoubleReplacing(effect, channels, channels, block);
            for (int i = 0; i < block; ++i) {
                samples.push_back(left[done + i]);
                samples.push_back(right[done + i]);
            }
        }
        done += block;
    }
    effect->dispatcher(effect, vst::effClose, 0, 0, nullptr, 0.0f);
    return done == kScenarioFrames;
}

} // namespace tovrel::test
