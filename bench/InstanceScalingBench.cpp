// Cost as work grows: 1, 8 and 64 effects of the plug-in in one process, each processing its own
// stereo stream in blocks of 512 frames, on one audio thread (a host running its tracks in turn)
// and on two (a host spreading them over both cores). Prints frames per second in total.
//
//   tovrel-bench-instances [--plugin PATH] [--quick]
#include "bench/BenchPlugin.h"
#include "bench/BenchSignal.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

namespace tovrel {
namespace {

constexpr int32_t kBlock = 512;
constexpr int32_t kStreamFrames = 4 * kBlock;

// One track: an effect and its own input and output buffers, as a host gives each track.
struct Track {
    AEffect* effect{nullptr};
    std::vector<double> in[2];
    std::vector<double> out[2];
    int32_t offset{0};

    void processBlock() {
        double* inputs[2] = {in[0].data() + offset, in[1].data() + offset};
        double* outputs[2] = {out[0].data() + offset, out[1].data() + offset};
        effect->processDoubleReplacing(effect, inputs, outputs, kBlock);
        offset = (offset + kBlock) % kStreamFrames;
    }
};

// Frames per second in total over all tracks; best of `runs`.
double measure(std::vector<Track>& tracks, int threads, int64_t framesPerRun, int runs) {
    const int64_t rounds =
        std::max<int64_t>(1, framesPerRun / (kBlock * static_cast<int64_t>(tracks.size())));
    double best = 0.0;
    for (int r = 0; r < runs; ++r) {
        auto work = [&tracks, rounds, threads](int first) {
            for (int64_t round = 0; round < rounds; ++round)
                for (size_t t = static_cast<size_t>(first); t < tracks.size();
                     t += static_cast<size_t>(threads))
                    tracks[t].processBlock();
        };
        const auto start = std::chrono::steady_clock::now();
        if (threads == 1) {
            work(0);
        } else {
            std::vector<std::thread> pool;
            for (int t = 0; t < threads; ++t)
                pool.emplace_back(work, t);
            for (std::thread& t : pool)
                t.join();
        }
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
    int64_t framesPerRun = 1 << 22;
    int runs = 5;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0) {
            framesPerRun = 1 << 18;
            runs = 2;
        }
    }
    BenchPlugin plugin;
    if (!plugin.load(argc, argv))
        return 1;
    const unsigned cores = std::thread::hardware_concurrency();
    std::printf("instances in one process: %s\n", plugin.path().c_str());
    std::printf("double precision, blocks of %d frames, 44100 Hz, signal input; %u hardware threads\n\n",
                kBlock, cores);
    std::printf("%9s %7s %16s %18s %14s\n", "instances", "threads", "frames/s total", "frames/s/instance",
                "x real time");
    for (int count : {1, 8, 64}) {
        std::vector<Track> tracks(static_cast<size_t>(count));
        for (Track& track : tracks) {
            track.effect = plugin.openEffect(44100.0f, kBlock);
            if (!track.effect) {
                std::fprintf(stderr, "the plug-in refused to open\n");
                return 1;
            }
            for (int c = 0; c < 2; ++c) {
                track.in[c].resize(kStreamFrames);
                track.out[c].assign(kStreamFrames, 0.0);
            }
            BenchSignal::fill(BenchSignal::Kind::Music, track.in[0].data(), track.in[1].data(),
                              kStreamFrames);
        }
        for (int threads : {1, 2}) {
            const double fps = measure(tracks, threads, framesPerRun, runs);
            std::printf("%9d %7d %16.3g %18.3g %14.0f\n", count, threads, fps, fps / count,
                        fps / count / 44100.0);
            std::fflush(stdout);
        }
        for (Track& track : tracks)
            BenchPlugin::closeEffect(track.effect);
    }
    return 0;
}
