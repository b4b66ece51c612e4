// The driver of callgrind-frames.sh: processes each case through the effect record with
// callgrind's collection switched on only around the measured frames, and dumps one profile per
// case, named after it. Run natively it simply processes the cases.
//
//   valgrind --tool=callgrind --collect-atstart=no tovrel-callgrind-frames [--plugin PATH]
#include "bench/BenchPlugin.h"
#include "bench/BenchSignal.h"

#include <cstdio>
#include <string>
#include <vector>

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

void process(AEffect* e, double** in, double** out, int32_t n) {
    e->processDoubleReplacing(e, in, out, n);
}
void process(AEffect* e, float** in, float** out, int32_t n) {
    e->processReplacing(e, in, out, n);
}

template <typename Sample> struct Stream {
    std::vector<Sample> in[2];
    std::vector<Sample> out[2];

    explicit Stream(BenchSignal::Kind kind) {
        std::vector<double> left(kFrames), right(kFrames);
        BenchSignal::fill(kind, left.data(), right.data(), kFrames);
        for (int c = 0; c < 2; ++c) {
            in[c].resize(kFrames);
            out[c].assign(kFrames, Sample(0));
        }
        for (int32_t i = 0; i < kFrames; ++i) {
            in[0][i] = static_cast<Sample>(left[i]);
            in[1][i] = static_cast<Sample>(right[i]);
        }
    }

    void run(AEffect* effect, int32_t blockSize) {
        for (int32_t done = 0; done + blockSize <= kFrames; done += blockSize) {
            Sample* inputs[2] = {in[0].data() + done, in[1].data() + done};
            Sample* outputs[2] = {out[0].data() + done, out[1].data() + done};
            process(effect, inputs, outputs, blockSize);
        }
    }
};

template <typename Sample> void runCases(const BenchPlugin& plugin, const char* precision) {
    Stream<Sample> music(BenchSignal::Kind::Music);
    for (int k = 0; k < BenchSignal::kKindCount; ++k) {
        const BenchSignal::Kind kind = BenchSignal::kind(k);
        Stream<Sample> stream(kind);
        for (int32_t blockSize : {1, 64, 512, 4096}) {
            AEffect* effect = plugin.openEffect(44100.0f, blockSize);
            if (!effect)
                return;
            if (kind == BenchSignal::Kind::SilenceAfterMusic) {
                music.run(effect, 512);
                stream.run(effect, 512); // into the tail before measuring
            }
            const std::string name = std::string(precision) + " " + std::to_string(blockSize) + " " +
                                     BenchSignal::name(kind) + " " + std::to_string(kFrames);
            CALLGRIND_ZERO_STATS;
            CALLGRIND_TOGGLE_COLLECT;
            stream.run(effect, blockSize);
            CALLGRIND_TOGGLE_COLLECT;
            CALLGRIND_DUMP_STATS_AT(name.c_str());
            BenchPlugin::closeEffect(effect);
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
