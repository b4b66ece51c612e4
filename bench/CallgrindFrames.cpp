// The driver of callgrind-frames.sh: processes each case through the effect record with
// callgrind's collection switched on only around the measured frames, and dumps one profile per
// case, named after it. Run natively it simply processes the cases.
//
//   valgrind --tool=callgrind --collect-atstart=no tovrel-callgrind-frames [--plugin PATH]
#include "bench/BenchPlugin.h"
#include "bench/BenchSignal.h"

#include <cstdio>
#include <string>

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define CALLGRIND_ZERO_STATS
#define CALLGRIND_TOGGLE_COLLECT
#define CALLGRIND_DUMP_STATS_AT(name) (void)(name)
#endif

namespace tovrel {
namespace {

constexpr int32_t kFrames = 1 << 15;

// The whole stream through the effect record in blocks of one size.
template <typename Sample> void run(AEffect* effect, StereoBuffers<Sample>& stream, int32_t blockSize) {
    for (int32_t done = 0; done + blockSize <= kFrames; done += blockSize) {
        Sample* inputs[2] = {stream.input(0) + done, stream.input(1) + done};
        Sample* outputs[2] = {stream.output(0) + done, stream.output(1) + done};
        processEntry<Sample>(effect)(effect, inputs, outputs, blockSize);
    }
}

template <typename Sample> void runCases(const BenchPlugin& plugin, const char* precision) {
    StereoBuffers<Sample> music(kFrames);
    BenchSignal::fill(BenchSignal::Kind::Music, music);
    for (int k = 0; k < BenchSignal::kKindCount; ++k) {
        const BenchSignal::Kind kind = BenchSignal::kind(k);
        StereoBuffers<Sample> stream(kFrames);
        BenchSignal::fill(kind, stream);
        for (int32_t blockSize : {1, 64, 512, 4096}) {
            HostedEffect hosted;
            if (!plugin.openEffect(hosted, 44100.0f, blockSize))
                return;
            AEffect* effect = hosted.effect();
            if (kind == BenchSignal::Kind::SilenceAfterMusic) {
                run(effect, music, 512);
                run(effect, stream, 512); // into the tail before measuring
            }
            const std::string name = std::string(precision) + " " + std::to_string(blockSize) + " " +
                                     BenchSignal::name(kind) + " " + std::to_string(kFrames);
            CALLGRIND_ZERO_STATS;
            CALLGRIND_TOGGLE_COLLECT;
            run(effect, stream, blockSize);
            CALLGRIND_TOGGLE_COLLECT;
            CALLGRIND_DUMP_STATS_AT(name.c_str());
        }
    }
}

} // namespace
} // namespace tovrel

int main(int argc, char** argv) {
    tovrel::BenchPlugin plugin;
    if (!plugin.load(argc, argv))
        return 1;
    tovrel::runCases<double>(plugin, "double");
    tovrel::runCases<float>(plugin, "float");
    return 0;
}
