// Per-frame cost of the plug-in's two processing entries, called through the effect record as a
// host calls them, for several block sizes and three signals, next to the bare serial chain.
//
//   tovrel-bench-frames [--plugin PATH] [--quick]
#include "bench/BareKernel.h"
#include "bench/BenchPlugin.h"
#include "bench/BenchSignal.h"
#include "bench/ProcessorName.h"
#include "engine/CrossfeedFilter.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace tovrel {
namespace {

// The working buffers: large enough that the noise does not repeat within a branch predictor's
// memory, small enough to stay in the second-level cache (in and out, double: 1 MiB).
constexpr int32_t kBufferFrames = 16384;
constexpr int32_t kBlockSizes[] = {1, 64, 512, 4096};
// lowB1 at 44100 Hz and 730 Hz: the kernel decays like the plug-in's low-pass.
constexpr double kBareFeedback = 0.901218650158;

struct Options {
    int32_t framesPerRun{1 << 17};
    int runs{25};
};

// Processes `frames` frames of the buffers in blocks, wrapping around the buffer.
template <typename Sample>
void run(ProcessEntry<Sample> entry, AEffect* effect, StereoBuffers<Sample>& buffers, int32_t blockSize,
         int32_t frames) {
    int32_t offset = 0;
    for (int32_t done = 0; done < frames; done += blockSize) {
        if (offset + blockSize > kBufferFrames)
            offset = 0;
        Sample* in[2] = {buffers.input(0) + offset, buffers.input(1) + offset};
        Sample* out[2] = {buffers.output(0) + offset, buffers.output(1) + offset};
        entry(effect, in, out, blockSize);
        offset += blockSize;
    }
}

// One timed run, in nanoseconds per frame.
template <typename Sample>
double timeRun(const Options& options, ProcessEntry<Sample> entry, AEffect* effect,
               StereoBuffers<Sample>& buffers, int32_t blockSize) {
    const auto start = std::chrono::steady_clock::now();
    run(entry, effect, buffers, blockSize, options.framesPerRun);
    const auto stop = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::nano>(stop - start).count() / options.framesPerRun;
}

struct Figures {
    // The goals hold for blocks of 64 frames and more; blocks of one frame are dominated by the
    // call itself, in the bare chain too.
    double worstRatio[BenchSignal::kKindCount]{};
    double singleFrameRatio[BenchSignal::kKindCount]{};
    double ns[4][BenchSignal::kKindCount]{};
};

template <typename Sample>
Figures benchPrecision(const Options& options, const BenchPlugin& plugin, const char* precision,
                       ProcessEntry<Sample> bareEntry) {
    Figures figures;
    StereoBuffers<Sample> music(kBufferFrames);
    BenchSignal::fill(BenchSignal::Kind::Music, music);
    for (int b = 0; b < 4; ++b) {
        const int32_t blockSize = kBlockSizes[b];
        for (int k = 0; k < BenchSignal::kKindCount; ++k) {
            const BenchSignal::Kind kind = BenchSignal::kind(k);
            StereoBuffers<Sample> buffers(kBufferFrames);
            BenchSignal::fill(kind, buffers);
            HostedEffect hosted;
            if (!plugin.openEffect(hosted, 44100.0f, blockSize))
                return figures;
            AEffect* effect = hosted.effect();
            const ProcessEntry<Sample> pluginEntry = processEntry<Sample>(effect);
            // The tail is measured on silence that follows music, as in a track that stops.
            auto prepare = [&]() {
                if (kind == BenchSignal::Kind::SilenceAfterMusic) {
                    run(pluginEntry, effect, music, 512, kBufferFrames);
                    run(pluginEntry, effect, buffers, 512, kBufferFrames);
                }
            };
            // The plug-in and the bare chain take turns, so that both meet the same load on the
            // machine; the best run of each counts.
            BareKernel bare(kBareFeedback);
            double ns = 1e30;
            double bareNs = 1e30;
            for (int r = 0; r < options.runs; ++r) {
                prepare();
                ns = std::min(ns, timeRun(options, pluginEntry, effect, buffers, blockSize));
                bare.reset();
                bareNs = std::min(bareNs, timeRun(options, bareEntry, bare.record(), buffers, blockSize));
            }
            hosted.close();
            const double ratio = ns / bareNs;
            figures.ns[b][k] = ns;
            if (blockSize >= 64)
                figures.worstRatio[k] = std::max(figures.worstRatio[k], ratio);
            else
                figures.singleFrameRatio[k] = std::max(figures.singleFrameRatio[k], ratio);
            std::printf("%-7s %6d  %-13s %9.2f %9.2f %7.2f\n", precision, blockSize, BenchSignal::name(kind),
                        ns, bareNs, ratio);
            std::fflush(stdout);
        }
    }
    return figures;
}

void summarise(const char* precision, const Figures& figures, double goal) {
    double worst = 0.0;
    double single = 0.0;
    for (int k = 0; k < BenchSignal::kKindCount; ++k) {
        worst = std::max(worst, figures.worstRatio[k]);
        single = std::max(single, figures.singleFrameRatio[k]);
    }
    double tailOverSignal = 0.0;
    for (int b = 0; b < 4; ++b)
        tailOverSignal = std::max(tailOverSignal, figures.ns[b][1] / figures.ns[b][0]);
    std::printf(
        "%-7s worst ratio to the bare chain in blocks of 64 frames and more %.2f (goal %.1f: %s), in blocks "
        "of 1 frame %.2f; silence tail / signal at worst %.2f (goal 1.0: %s)\n",
        precision, worst, goal, worst <= goal ? "met" : "missed", single, tailOverSignal,
        tailOverSignal <= 1.05 ? "met" : "missed");
}

} // namespace
} // namespace tovrel

int main(int argc, char** argv) {
    using namespace tovrel;
    Options options;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0) {
            options.framesPerRun = 1 << 16;
            options.runs = 3;
        }
    }
    BenchPlugin plugin;
    if (!plugin.load(argc, argv))
        return 1;
    std::printf("frame cost through the effect record: %s\n", plugin.path().c_str());
    const CrossfeedFilter::BlockPath path = CrossfeedFilter::chosenBlockPath();
    std::printf("processor: %s; block path: %s%s\n", processorName().c_str(),
                CrossfeedFilter::blockPathName(path),
                path == CrossfeedFilter::BlockPath::sse2 &&
                        CrossfeedFilter::blockPathAvailable(CrossfeedFilter::BlockPath::avx2)
                    ? " (chosen by TOVREL_BLOCK_PATH)"
                    : "");
    std::printf("best of %d runs of %d frames; 44100 Hz, 730 Hz / 6.2 dB; ns per stereo frame\n\n",
                options.runs, options.framesPerRun);
    std::printf("%-7s %6s  %-13s %9s %9s %7s\n", "entry", "block", "input", "plug-in", "bare", "ratio");
    const Figures doubles =
        benchPrecision<double>(options, plugin, "double", &BareKernel::processDoubleReplacing);
    const Figures floats = benchPrecision<float>(options, plugin, "float", &BareKernel::processReplacing);
    std::printf("\n");
    summarise("double", doubles, 1.3);
    summarise("float", floats, 1.4);
    return 0;
}
