// tovrel-output-dump: drives the plug-in as a host through a fixed set of settings and a fixed
// signal and writes everything it answers (parameter values, display texts, output samples in both
// precisions) as exact bit patterns, one value a line. Run by the 32-bit and the 64-bit build on
// the same input, the two files must agree; `--compare` tells by how much they differ.
//
//   tovrel-output-dump [--plugin=PATH] OUTPUT-FILE
//   tovrel-output-dump --compare REFERENCE-FILE OTHER-FILE [--limit=1e-12]
#include "host/VstAbi.h"
#include "plugin/CrossfeedEffect.h"
#include "plugin/ParameterMappings.h"
#include "tools/vsthost/HostedEffect.h"
#include "tools/vsthost/PluginLibrary.h"
#include "tools/vsthost/SeededRandom.h"
#include "tools/vsthost/StereoBuffers.h"

#include <windows.h>

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int32_t kFrames = 1500;

struct Setting {
    const char* name;
    int32_t preset; // "Defs"
    uint32_t feed;  // "Feed" in tenths of a dB, used when the preset is "Off"
    uint32_t cut;   // "FCut" in Hz, used when the preset is "Off"
};

// Every preset, and free levels across the whole range, at several sample rates.
const Setting kSettings[] = {
    {"taskel", 1, 0, 0},     {"bs2b", 2, 0, 0},        {"cmoy", 3, 0, 0},         {"jmeier", 4, 0, 0},
    {"off-min", 0, 10, 300}, {"off-mid", 0, 61, 1337}, {"off-max", 0, 150, 2000},
};
const float kSampleRates[] = {8000.0f, 44100.0f, 48000.0f, 96000.0f, 192000.0f};

uint64_t bits(double value) {
    uint64_t b = 0;
    std::memcpy(&b, &value, sizeof b);
    return b;
}

double fromBits(uint64_t b) {
    double value = 0;
    std::memcpy(&value, &b, sizeof value);
    return value;
}

// A deterministic stereo signal: tones, a sweep, noise from a fixed generator and a few samples
// beyond full scale, so that clipping is exercised.
double signal(int channel, int32_t frame) {
    static std::vector<double> noise;
    if (noise.empty()) {
        tovrel::SeededRandom random(12345);
        for (int32_t i = 0; i < 2 * kFrames; ++i)
            noise.push_back(random.unit24() * 2.0 - 1.0);
    }
    const double t = frame;
    double value = channel == 0 ? 0.6 * std::sin(0.02 * t) + 0.25 * std::sin(0.0004 * t * t)
                                : 0.5 * std::sin(0.013 * t + 0.5) - 0.3 * std::sin(0.9 * t);
    value += 0.15 * noise[static_cast<size_t>(2 * frame + channel)];
    if (frame % 251 == 17)
        value = channel == 0 ? 1.7 : -1.9;
    return value;
}

int dump(const std::string& pluginPath, const std::string& outputPath) {
    tovrel::PluginLibrary library;
    if (!library.load(pluginPath)) {
        std::fprintf(stderr, "tovrel-output-dump: %s\n", library.error().c_str());
        return 2;
    }
    std::ofstream out(outputPath, std::ios::binary);
    if (!out) {
        std::fprintf(stderr, "tovrel-output-dump: cannot write %s\n", outputPath.c_str());
        return 2;
    }
    out << "# tovrel output dump 1: key, then a bit pattern or a text\n";
    char line[256];
    auto value = [&](const std::string& key, double v) {
        std::snprintf(line, sizeof line, "%s n %016" PRIx64 "\n", key.c_str(), bits(v));
        out << line;
    };

    for (float rate : kSampleRates) {
        for (const Setting& setting : kSettings) {
            for (int precision = 0; precision < 2; ++precision) {
                tovrel::HostedEffect effect;
                if (!effect.open(library)) {
                    std::fprintf(stderr, "tovrel-output-dump: %s\n", effect.error().c_str());
                    return 2;
                }
                effect.setSampleRate(rate);
                effect.setBlockSize(kFrames);
                effect.setParameter(tovrel::CrossfeedEffect::kParamPreset,
                                    tovrel::parameterFromPreset(setting.preset));
                if (setting.preset == 0) {
                    effect.setParameter(tovrel::CrossfeedEffect::kParamFeed,
                                        tovrel::parameterFromFeed(setting.feed));
                    effect.setParameter(tovrel::CrossfeedEffect::kParamCut,
                                        tovrel::parameterFromCut(setting.cut));
                }
                effect.resume();

                const std::string key = std::string(precision ? "double " : "float ") + setting.name + " " +
                                        std::to_string(static_cast<int>(rate));
                for (int32_t index = 0; index < effect.effect()->numParams; ++index) {
                    value(key + " param " + std::to_string(index), effect.getParameter(index));
                    out << key << " display " << index << " t " << effect.parameterDisplay(index) << "\n";
                }

                // Uneven blocks, so that the filter history crosses calls.
                tovrel::StereoBuffers<double> stream(kFrames);
                for (int ch = 0; ch < 2; ++ch)
                    for (int32_t i = 0; i < kFrames; ++i)
                        stream.input(ch)[i] = signal(ch, i);
                for (int32_t start = 0, block = 1; start < kFrames; start += block, block = block * 2 + 3) {
                    const int32_t frames = std::min(block, kFrames - start);
                    if (precision) {
                        double* inputs[2] = {stream.input(0) + start, stream.input(1) + start};
                        double* outputs[2] = {stream.output(0) + start, stream.output(1) + start};
                        effect.process(inputs, outputs, frames);
                    } else {
                        tovrel::StereoBuffers<float> part(frames);
                        for (int ch = 0; ch < 2; ++ch)
                            std::copy(stream.input(ch) + start, stream.input(ch) + start + frames,
                                      part.input(ch));
                        effect.process(part.inputs(), part.outputs(), frames);
                        for (int ch = 0; ch < 2; ++ch)
                            std::copy(part.output(ch), part.output(ch) + frames, stream.output(ch) + start);
                    }
                }
                for (int ch = 0; ch < 2; ++ch)
                    for (int32_t i = 0; i < kFrames; ++i)
                        value(key + " out " + std::to_string(ch) + " " + std::to_string(i),
                              stream.output(ch)[i]);
            }
        }
    }
    out.flush();
    return out ? 0 : 2;
}

struct Entry {
    std::string key;
    char kind{0};
    std::string text;
};

bool readDump(const std::string& path, std::vector<Entry>& entries) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        // "key... n HEX" or "key... t TEXT": the kind letter stands after the key.
        size_t mark = line.find(" n ");
        size_t textMark = line.find(" t ");
        if (textMark != std::string::npos && (mark == std::string::npos || textMark < mark))
            mark = textMark;
        if (mark == std::string::npos)
            return false;
        entries.push_back({line.substr(0, mark), line[mark + 1], line.substr(mark + 3)});
    }
    return true;
}

int compare(const std::string& referencePath, const std::string& otherPath, double limit) {
    std::vector<Entry> reference, other;
    if (!readDump(referencePath, reference) || !readDump(otherPath, other)) {
        std::fprintf(stderr, "tovrel-output-dump: cannot read %s or %s\n", referencePath.c_str(),
                     otherPath.c_str());
        return 2;
    }
    if (reference.size() != other.size() || reference.empty()) {
        std::printf("output comparison: %zu values against %zu: the runs do not match\n", other.size(),
                    reference.size());
        return 1;
    }
    double largest = 0.0;
    std::string largestAt = "none";
    size_t numbers = 0, mismatches = 0;
    for (size_t i = 0; i < reference.size(); ++i) {
        const Entry& a = reference[i];
        const Entry& b = other[i];
        if (a.key != b.key || a.kind != b.kind) {
            std::printf("output comparison: entry %zu is '%s' against '%s'\n", i, b.key.c_str(),
                        a.key.c_str());
            return 1;
        }
        if (a.kind == 't') {
            if (a.text != b.text) {
                std::printf("  %s: '%s' against '%s'\n", a.key.c_str(), b.text.c_str(), a.text.c_str());
                ++mismatches;
            }
            continue;
        }
        ++numbers;
        const double x = fromBits(std::strtoull(a.text.c_str(), nullptr, 16));
        const double y = fromBits(std::strtoull(b.text.c_str(), nullptr, 16));
        const double difference = std::isnan(x) || std::isnan(y)
                                      ? (std::isnan(x) && std::isnan(y) ? 0.0 : INFINITY)
                                      : std::fabs(x - y);
        if (difference > largest || std::isnan(difference)) {
            largest = difference;
            largestAt = a.key;
        }
        if (!(difference <= limit)) {
            if (mismatches < 10)
                std::printf("  %s: %.17g against %.17g\n", a.key.c_str(), y, x);
            ++mismatches;
        }
    }
    std::printf(
        "output comparison: %zu values and %zu texts, largest difference %.3g (at %s), limit %.3g: %s\n",
        numbers, reference.size() - numbers, largest, largestAt.c_str(), limit,
        mismatches ? "DIFFERENT" : "equal within the limit");
    return mismatches ? 1 : 0;
}

} // namespace

int main(int argc, char** argv) {
    std::string plugin = "tovrel_vst.dll";
    std::vector<std::string> files;
    bool comparing = false;
    double limit = 1e-12;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--plugin=", 0) == 0)
            plugin = arg.substr(9);
        else if (arg.rfind("--limit=", 0) == 0)
            limit = std::strtod(arg.c_str() + 8, nullptr);
        else if (arg == "--compare")
            comparing = true;
        else
            files.push_back(arg);
    }
    if (comparing && files.size() == 2)
        return compare(files[0], files[1], limit);
    if (!comparing && files.size() == 1)
        return dump(plugin, files[0]);
    std::fprintf(stderr, "usage: tovrel-output-dump [--plugin=PATH] OUTPUT-FILE\n"
                         "       tovrel-output-dump --compare REFERENCE-FILE OTHER-FILE [--limit=1e-12]\n");
    return 2;
}
