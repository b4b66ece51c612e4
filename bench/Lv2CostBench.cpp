// Per-frame cost of the LV2 plug-in next to the VST plug-in's single-precision entry, in one run:
// lv2bench (the LV2 tools' benchmark) on the built bundle, the bundle's library driven here
// directly, and the VST library's processReplacing, each on silence as lv2bench feeds it and on
// music, in the same block sizes. The three take turns, so that each meets the same load on the
// machine; the best run of each counts.
//
//   tovrel-bench-lv2 [--plugin PATH] [--quick]
#include "bench/BenchPlugin.h"
#include "bench/BenchSignal.h"
#include "bench/ProcessorName.h"
#include "lv2/Lv2Ports.h"

#include <lv2/core/lv2.h>

#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace tovrel {
namespace {

constexpr uint32_t kBlockSizes[] = {64, 512, 4096};
constexpr double kRate = 44100.0;

struct Options {
    uint32_t frames{1u << 21};
    // lv2bench times one run per process, from a cold start: longer runs let that start weigh less.
    uint32_t lv2benchFrames{1u << 24};
    int runs{9};
};

// The bundle's library, opened as an LV2 host opens it, with one instance on given buffers.
class Lv2Instance {
public:
    ~Lv2Instance() {
        if (descriptor && handle)
            descriptor->cleanup(handle);
        if (library)
            dlclose(library);
    }

    bool open(const std::string& path) {
        library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!library) {
            std::fprintf(stderr, "cannot load %s: %s\n", path.c_str(), dlerror());
            return false;
        }
        auto entry = reinterpret_cast<LV2_Descriptor_Function>(dlsym(library, "lv2_descriptor"));
        descriptor = entry ? entry(0) : nullptr;
        handle = descriptor ? descriptor->instantiate(descriptor, kRate, "", nullptr) : nullptr;
        return handle != nullptr;
    }

    void connect(StereoBuffers<float>& buffers) {
        descriptor->connect_port(handle, lv2::kInputLeft, buffers.input(0));
        descriptor->connect_port(handle, lv2::kInputRight, buffers.input(1));
        descriptor->connect_port(handle, lv2::kOutputLeft, buffers.output(0));
        descriptor->connect_port(handle, lv2::kOutputRight, buffers.output(1));
        descriptor->connect_port(handle, lv2::kFeed, &feed);
        descriptor->connect_port(handle, lv2::kCut, &cut);
        descriptor->connect_port(handle, lv2::kEnabled, &enabled);
        descriptor->activate(handle);
    }

    void run(uint32_t frames) { descriptor->run(handle, frames); }

private:
    void* library{nullptr};
    const LV2_Descriptor* descriptor{nullptr};
    LV2_Handle handle{nullptr};
    float feed{6.2f};
    float cut{730.0f};
    float enabled{1.0f};
};

// ns per frame of one timed run of `frames` frames in blocks, on the same block buffers each time,
// as lv2bench runs.
template <typename Call> double timeRun(uint32_t frames, uint32_t blockSize, Call call) {
    const auto start = std::chrono::steady_clock::now();
    for (uint32_t done = 0; done + blockSize <= frames; done += blockSize)
        call(blockSize);
    const auto stop = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::nano>(stop - start).count() / frames;
}

// lv2bench's own figure (seconds for all frames) in ns per frame; negative when it cannot run.
double lv2benchRun(const std::string& bundleParent, uint32_t frames, uint32_t blockSize) {
    const std::string command = "LV2_PATH='" + bundleParent + "' lv2bench -n " + std::to_string(frames) +
                                " -b " + std::to_string(blockSize) + " " + lv2::kPluginUri + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return -1.0;
    double seconds = -1.0;
    char uri[256] = {};
    if (std::fscanf(pipe, "%lf %255s", &seconds, uri) != 2 || std::strcmp(uri, lv2::kPluginUri) != 0)
        seconds = -1.0;
    return pclose(pipe) == 0 && seconds > 0.0 ? seconds * 1e9 / frames : -1.0;
}

std::string parentFolder(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

} // namespace
} // namespace tovrel

int main(int argc, char** argv) {
    using namespace tovrel;
    Options options;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--quick") == 0) {
            options.frames = 1u << 18;
            options.lv2benchFrames = 1u << 21;
            options.runs = 3;
        }
    BenchPlugin vst;
    if (!vst.load(argc, argv))
        return 1;
    const std::string lv2Library = TOVREL_BENCH_LV2;
    const std::string bundleParent = parentFolder(parentFolder(lv2Library));
    const bool haveLv2bench = lv2benchRun(bundleParent, 4096, 4096) > 0.0;

    std::printf("LV2 plug-in against the VST plug-in's single-precision entry\n");
    std::printf("processor: %s\n", processorName().c_str());
    std::printf(
        "best of %d runs of %u frames (lv2bench: %u); 44100 Hz, 730 Hz / 6.2 dB; ns per stereo frame%s\n\n",
        options.runs, options.frames, options.lv2benchFrames,
        haveLv2bench ? "" : " (lv2bench not found: its column empty)");
    std::printf("%6s  %-8s %9s %9s %9s %13s %12s\n", "block", "input", "VST", "LV2", "lv2bench", "LV2/VST",
                "lv2bench/VST");
    double worst = 0.0;
    for (uint32_t blockSize : kBlockSizes) {
        for (const bool music : {false, true}) {
            StereoBuffers<float> buffers(static_cast<int32_t>(blockSize));
            if (music)
                BenchSignal::fill(BenchSignal::Kind::Music, buffers);
            HostedEffect hosted;
            Lv2Instance lv2;
            if (!vst.openEffect(hosted, static_cast<float>(kRate), static_cast<int32_t>(blockSize)) ||
                !lv2.open(lv2Library))
                return 1;
            lv2.connect(buffers);
            AEffect* effect = hosted.effect();
            const ProcessEntry<float> entry = processEntry<float>(effect);
            double vstNs = 1e30, lv2Ns = 1e30, benchNs = 1e30;
            for (int r = 0; r < options.runs; ++r) {
                vstNs =
                    std::min(vstNs, timeRun(options.frames, blockSize, [&](uint32_t n) {
                                 entry(effect, buffers.inputs(), buffers.outputs(), static_cast<int32_t>(n));
                             }));
                lv2Ns = std::min(lv2Ns, timeRun(options.frames, blockSize, [&](uint32_t n) { lv2.run(n); }));
                if (haveLv2bench && !music)
                    benchNs = std::min(benchNs, lv2benchRun(bundleParent, options.lv2benchFrames, blockSize));
            }
            hosted.close();
            const double lv2Ratio = lv2Ns / vstNs;
            worst = std::max(worst, lv2Ratio);
            if (haveLv2bench && !music) {
                worst = std::max(worst, benchNs / vstNs);
                std::printf("%6u  %-8s %9.2f %9.2f %9.2f %13.2f %12.2f\n", blockSize, "silence", vstNs, lv2Ns,
                            benchNs, lv2Ratio, benchNs / vstNs);
            } else {
                std::printf("%6u  %-8s %9.2f %9.2f %9s %13.2f %12s\n", blockSize, music ? "music" : "silence",
                            vstNs, lv2Ns, "", lv2Ratio, "");
            }
            std::fflush(stdout);
        }
    }
    std::printf("\nworst LV2 / VST ratio %.2f (goal 1.1: %s)\n", worst, worst <= 1.1 ? "met" : "missed");
    return 0;
}
