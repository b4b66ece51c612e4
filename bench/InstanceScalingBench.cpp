// Cost as work grows: 1, 8 and 64 effects of the plug-in in one process, each processing its own
// stereo stream in blocks of 512 frames, in turn on one audio thread as a host runs its tracks.
// Prints frames per second in total.
//
//   tovrel-bench-instances [--plugin PATH] [--quick]
#include "bench/BenchPlugin.h"
#include "bench/BenchSignal.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

namespace tovrel {
namespace {

constexpr int32_t kBlock = 512;
constexpr int32_t kStreamFrames = 4 * kBlock;

// One track: an effect and its own input and output buffers, as a host gives each track.
struct Track {
    HostedEffect effect;
    StereoBuffers<double> buffers{kStreamFrames};
    int32_t offset{0};

    void processBlock() {
        double* inputs[2] = {buffers.input(0) + offset, buffers.input(1) + offset};
        double* outputs[2] = {buffers.output(0) + offset, buffers.output(1) + offset};
        effect.process(inputs, outputs, kBlock);
        offset = (offset + kBlock) % kStreamFrames;
    }
};

// Frames per second in total over all tracks; the best of many short runs, so that some of them
// fall between the other work of a busy machine.
double measure(std::vector<Track>& tracks, int64_t framesPerRun, int runs) {
    const int64_t rounds =
        std::max<int64_t>(1, framesPerRun / (kBlock * static_cast<int64_t>(tracks.size())));
    double best = 0.0;
    for (int r = 0; r < runs; ++r) {
        const auto start = std::chrono::steady_clock::now();
        for (int64_t round = 0; round < rounds; ++round)
            for (Track& track : tracks)
                track.processBlock();
        const auto stop = std::chrono::steady_clock::now();
        const double seconds = std::chrono::duration<double>(stop - start).count();
        best = std::max(best,
                        static_cast<double>(rounds * kBlock * static_cast<int64_t>(tracks.size())) / seconds);
    }
    return best;
}

} // namespace
} // namespace tovrel

int main(int argc, char** argv) {
    using namespace tovrel;
    int64_t framesPerRun = 1 << 17;
    int runs = 41;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0)
            runs = 5;
    }
    BenchPlugin plugin;
    if (!plugin.load(argc, argv))
        return 1;
    std::printf("instances in one process: %s\n", plugin.path().c_str());
    std::printf("double precision, blocks of %d frames, 44100 Hz, signal input, one audio thread\n\n",
                kBlock);
    std::printf("%9s %16s %18s %22s\n", "instances", "frames/s total", "frames/s/instance",
                "x real time/instance");
    for (int count : {1, 8, 64}) {
        std::vector<Track> tracks(static_cast<size_t>(count));
        for (Track& track : tracks) {
            if (!plugin.openEffect(track.effect, 44100.0f, kBlock))
                return 1;
            BenchSignal::fill(BenchSignal::Kind::Music, track.buffers);
        }
        const double fps = measure(tracks, framesPerRun, runs);
        std::printf("%9d %16.3g %18.3g %22.0f\n", count, fps, fps / count, fps / count / 44100.0);
        std::fflush(stdout);
    }
    return 0;
}
