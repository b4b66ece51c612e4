// tovrel-response: measures the built plug-in's frequency response by sending impulses through it
// as a host would, for each preset and the two ends of the sliders, and writes the magnitude of
// the same-side and opposite-side paths and the opposite path's group delay as CSV, one row per
// setting and frequency. tools/response/plot_response.py draws the file.
#include "plugin/Presets.h"
#include "tools/response/ImpulseSpectrum.h"
#include "tools/response/ResponseProbe.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kSampleRate = 44100;
// The slowest filter (300 Hz) has decayed below 1e-300 long before this many frames.
constexpr int kFrames = 16384;
constexpr int kFrequencies = 241;

std::string cutHz(const std::string& cutText) {
    return cutText.substr(0, cutText.find('/'));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: tovrel-response PLUGIN.so OUT.csv\n");
        return 2;
    }
    tovrel::ResponseProbe probe;
    if (!probe.load(argv[1])) {
        std::fprintf(stderr, "tovrel-response: %s\n", probe.error().c_str());
        return 1;
    }

    std::vector<tovrel::ResponseSetting> settings;
    for (int i = 0; i < tovrel::kPresetCount; ++i)
        settings.push_back({tovrel::kPresetNames[i], i, 0, 0});
    settings.push_back({"Slider minimum", -1, 300, 10});
    settings.push_back({"Slider maximum", -1, 2000, 150});

    FILE* out = std::fopen(argv[2], "w");
    if (!out) {
        std::fprintf(stderr, "tovrel-response: cannot write %s\n", argv[2]);
        return 1;
    }
    std::fprintf(out, "setting,label,frequency_hz,same_side_db,opposite_side_db,opposite_delay_us\n");
    const std::vector<double> frequencies = tovrel::logFrequencies(20.0, 20000.0, kFrequencies);
    for (const tovrel::ResponseSetting& setting : settings) {
        tovrel::ImpulseResponse response;
        if (!probe.measure(setting, kSampleRate, kFrames, response)) {
            std::fprintf(stderr, "tovrel-response: %s\n", probe.error().c_str());
            std::fclose(out);
            return 1;
        }
        if (response.peak >= 1.0) {
            std::fprintf(stderr, "tovrel-response: the output clipped for '%s'\n", setting.name.c_str());
            std::fclose(out);
            return 1;
        }
        const std::string level = cutHz(response.cutText) + " Hz / " + response.feedText + " dB";
        const std::string label = setting.preset == tovrel::kPresetOff
                                      ? "Off (keeps the level in force: " + level + " on a fresh instance)"
                                      : setting.name + ": " + level;
        for (double f : frequencies) {
            const tovrel::SpectrumPoint same = tovrel::spectrumAt(response.sameSide, f, kSampleRate);
            const tovrel::SpectrumPoint opposite = tovrel::spectrumAt(response.oppositeSide, f, kSampleRate);
            std::fprintf(out, "\"%s\",\"%s\",%.4f,%.6f,%.6f,%.4f\n", setting.name.c_str(), label.c_str(), f,
                         same.magnitudeDb, opposite.magnitudeDb, opposite.groupDelaySeconds * 1e6);
        }
    }
    if (std::fclose(out) != 0) {
        std::fprintf(stderr, "tovrel-response: writing %s failed\n", argv[2]);
        return 1;
    }
    std::printf("wrote %s: %zu settings, %d frequencies from 20 Hz to 20 kHz at %d Hz\n", argv[2],
                settings.size(), kFrequencies, kSampleRate);
    return 0;
}
