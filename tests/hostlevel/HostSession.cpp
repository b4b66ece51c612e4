#include "hostlevel/HostSession.h"

#include "tools/vsthost/HostedEffect.h"
#include "tools/vsthost/StereoBuffers.h"

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

bool renderScenario(const PluginLibrary& library, const Scenario& scenario, std::vector<double>& samples) {
    HostedEffect effect;
    if (!effect.open(library))
        return false;
    effect.setSampleRate(scenario.sampleRate);
    effect.setBlockSize(128);
    effect.setParameter(2, scenario.presetValue);
    effect.setParameter(0, scenario.feedValue);
    effect.setParameter(1, scenario.cutValue);
    effect.resume();

    // Samples that are exact binary fractions, so that every platform feeds bit-identical input.
    SeededRandom signal(0xC0FFEE);
    StereoBuffers<double> stream(kScenarioFrames);
    double* left = stream.input(0);
    double* right = stream.input(1);
    for (int i = 0; i < kScenarioFrames; ++i) {
        // Noise, then a full-scale square burst that drives the clipper, then silence.
        if (i < 256) {
            left[i] = signal.sample24();
            right[i] = signal.sample24() * 0.5;
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
            StereoBuffers<float> buffers(block);
            for (int i = 0; i < block; ++i) {
                buffers.input(0)[i] = static_cast<float>(left[done + i]);
                buffers.input(1)[i] = static_cast<float>(right[done + i]);
            }
            effect.process(buffers.inputs(), buffers.inputs(), block);
            for (int i = 0; i < block; ++i) {
                samples.push_back(buffers.input(0)[i]);
                samples.push_back(buffers.input(1)[i]);
            }
        } else {
            double* channels[2] = {left + done, right + done};
            effect.process(channels, channels, block);
            for (int i = 0; i < block; ++i) {
                samples.push_back(left[done + i]);
                samples.push_back(right[done + i]);
            }
        }
        done += block;
    }
    return done == kScenarioFrames;
}

} // namespace tovrel::test
