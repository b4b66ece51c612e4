// The block loop's two paths against each other: the same outputs and the same history, to the
// bit, for every input a host can send, in every block size and buffer arrangement.
#include "engine/CrossfeedFilter.h"
#include "tools/vsthost/SeededRandom.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

namespace tovrel {
namespace {

using Path = CrossfeedFilter::BlockPath;

// The first frame at which two outputs differ in any bit, or -1.
template <typename Sample> long firstDifference(const std::vector<Sample>& a, const std::vector<Sample>& b) {
    for (size_t i = 0; i < a.size(); ++i)
        if (std::memcmp(&a[i], &b[i], sizeof(Sample)) != 0)
            return static_cast<long>(i);
    return -1;
}

bool sameHistory(const CrossfeedFilter& a, const CrossfeedFilter& b) {
    return std::memcmp(&a.history(), &b.history(), sizeof(FilterHistory)) == 0;
}

class Noise {
public:
    explicit Noise(uint32_t seed) : random(seed) {}
    uint32_t next() { return random.next(); }
    double unit() { return random.sample(); }

    // Stretches of music-like values and of near-silence (which drives the history towards
    // subnormals and lets the smallest inputs show in the outputs), with now and then one of the
    // values that the guards and the clipping exist for.
    double sample() {
        static const double special[] = {std::numeric_limits<double>::quiet_NaN(),
                                         std::numeric_limits<double>::infinity(),
                                         -std::numeric_limits<double>::infinity(),
                                         1e302,
                                         -1e301,
                                         DBL_MIN / 4,
                                         DBL_MIN,
                                         -DBL_MIN,
                                         -0.0,
                                         1e-300,
                                         3.5,
                                         -2.0};
        if (next() % 61 == 0)
            quiet = !quiet;
        if (next() % 29 == 0)
            return special[next() % (sizeof special / sizeof special[0])];
        if (quiet)
            return next() % 3 == 0 ? 0.0 : unit() * 1e-305;
        return unit() * (next() % 8 == 0 ? 1.6 : 0.5);
    }

private:
    SeededRandom random;
    bool quiet = false;
};

enum class Buffers { separate, inPlace, crossed };

template <typename Sample> void checkPathsAgree(uint32_t seed) {
    CrossfeedFilter narrow;
    CrossfeedFilter wide;
    Noise noise(seed);
    for (int block = 0; block < 600; ++block) {
        if (block % 7 == 3) {
            const LevelWord level = makeLevel(300 + noise.next() % 1701, 10 + noise.next() % 141);
            narrow.setLevel(level);
            wide.setLevel(level);
        }
        if (block % 53 == 20) {
            const uint32_t rate = block % 2 ? 192000u : 22050u;
            narrow.setSampleRate(rate);
            wide.setSampleRate(rate);
        }
        // Every length from 1 to 67 and a few long blocks, starting anywhere in the buffers.
        const int32_t frames =
            block % 10 == 9 ? 300 + static_cast<int32_t>(noise.next() % 700) : 1 + block % 67;
        const size_t offset = noise.next() % 5;
        const auto buffers = static_cast<Buffers>(block % 3);
        std::vector<Sample> in[2];
        for (auto& channel : in) {
            channel.resize(offset + static_cast<size_t>(frames));
            for (auto& v : channel)
                v = static_cast<Sample>(noise.sample());
        }
        std::vector<Sample> results[2][2];
        for (Path path : {Path::sse2, Path::avx2}) {
            CrossfeedFilter& filter = path == Path::sse2 ? narrow : wide;
            auto& out = results[path == Path::sse2 ? 0 : 1];
            out[0] = in[0];
            out[1] = in[1];
            std::vector<Sample> copy[2] = {in[0], in[1]};
            Sample* i0 = copy[0].data() + offset;
            Sample* i1 = copy[1].data() + offset;
            Sample* o0 = out[0].data() + offset;
            Sample* o1 = out[1].data() + offset;
            if (buffers == Buffers::inPlace) {
                o0 = i0;
                o1 = i1;
            } else if (buffers == Buffers::crossed) {
                o0 = i1;
                o1 = i0;
            }
            if constexpr (sizeof(Sample) == sizeof(double))
                filter.processBlockOn(path, i0, i1, o0, o1, frames);
            else
                filter.processBlockFloatOn(path, i0, i1, o0, o1, frames);
            if (buffers != Buffers::separate) {
                out[0] = copy[0];
                out[1] = copy[1];
            }
        }
        for (int c = 0; c < 2; ++c)
            ASSERT_EQ(firstDifference(results[0][c], results[1][c]), -1)
                << "block " << block << " of " << frames << " frames, channel " << c;
        ASSERT_TRUE(sameHistory(narrow, wide)) << "block " << block;
    }
}

TEST(BlockPaths, AgreeToTheBitOnEveryInputBlockLengthAndBufferArrangement) {
    if (!CrossfeedFilter::blockPathAvailable(Path::avx2))
        GTEST_SKIP() << "this processor has no AVX2: only the SSE2 path can run";
    for (uint32_t seed : {1u, 2u, 3u}) {
        checkPathsAgree<double>(seed);
        checkPathsAgree<float>(seed);
    }
}

// The processor check agrees with the compiler's own, and the path hosts get is the widest
// available unless the environment asks for SSE2.
TEST(BlockPaths, TheChosenPathIsTheWidestTheProcessorRuns) {
    EXPECT_TRUE(CrossfeedFilter::blockPathAvailable(Path::sse2));
#if TOVREL_HAS_AVX2_PATH
    __builtin_cpu_init();
    EXPECT_EQ(CrossfeedFilter::blockPathAvailable(Path::avx2), __builtin_cpu_supports("avx2") != 0);
#else
    EXPECT_FALSE(CrossfeedFilter::blockPathAvailable(Path::avx2));
#endif
    const char* wanted = std::getenv("TOVREL_BLOCK_PATH");
    const bool sse2Wanted = wanted != nullptr && std::strcmp(wanted, "sse2") == 0;
    const Path expected =
        CrossfeedFilter::blockPathAvailable(Path::avx2) && !sse2Wanted ? Path::avx2 : Path::sse2;
    EXPECT_EQ(CrossfeedFilter::chosenBlockPath(), expected);
}

} // namespace
} // namespace tovrel
