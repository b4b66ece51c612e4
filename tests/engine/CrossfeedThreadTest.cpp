// Level and rate changes made on other threads while the audio thread processes blocks: every
// frame is computed from exactly one published coefficient set, and the frame after a change
// already uses the new one.
#include "engine/CrossfeedEngine.h"
#include "engine/CrossfeedFilterBlocks.h"
#include "engine/PlainEquations.h"
#include "engine/PublishedSetReplay.h"
#include "tools/vsthost/SeededRandom.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

namespace tovrel {

// Test names and messages show the path by name.
inline void PrintTo(CrossfeedFilter::BlockPath path, std::ostream* out) {
    *out << CrossfeedFilter::blockPathName(path);
}

namespace {

using Set = CrossfeedFilter::CoefficientSet;

uint64_t bitsOf(double v) {
    uint64_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

class Noise {
public:
    explicit Noise(uint32_t seed) : random(seed) {}
    uint32_t next() { return random.next(); }
    // Within +-0.25: the outputs stay well inside full scale.
    double sample() { return 0.25 * random.sample(); }

private:
    SeededRandom random;
};

const LevelWord kLevels[] = {kLevelTaskel,        kLevelBs2bDefault,   kLevelCMoy,         kLevelJMeier,
                             makeLevel(300, 150), makeLevel(2000, 10), makeLevel(1234, 77)};

// A writer thread changes the level and the rate at random moments within blocks, recording every
// set it publishes (taken from a twin filter that sees the same calls on one thread) and how far
// the audio thread had got when the setter returned, read from the output buffer as it fills. The
// output is then replayed frame by frame: each frame must equal the frame that one recorded set
// computes, from the history the sets before it left (cleared where a rate change came between);
// sets are used in the order they were published; and every frame begun after a setter returned
// uses that setter's set or a later one.
// Each test runs on both block paths (where the processor has AVX2).
class CrossfeedThreadsOnPath : public ::testing::TestWithParam<CrossfeedFilter::BlockPath> {
protected:
    void SetUp() override {
        if (!CrossfeedFilter::blockPathAvailable(GetParam()))
            GTEST_SKIP() << "this processor cannot run the path";
    }
};

TEST_P(CrossfeedThreadsOnPath, EveryFrameUsesExactlyOnePublishedSet) {
    constexpr size_t kFrames = 1 << 19;
    for (uint32_t seed : {1u, 2u}) {
        CrossfeedEngine engine;
        CrossfeedFilter& filter = *engine.filter();
        CrossfeedFilter twin;
        test::PublishedSetReplay published(twin.currentSet());
        std::vector<double> in0(kFrames), in1(kFrames);
        // Outputs start as NaN, which the filter never writes: the writer sees which are done.
        std::vector<double> out0(kFrames, std::numeric_limits<double>::quiet_NaN()), out1(kFrames);
        Noise noise(seed);
        for (size_t i = 0; i < kFrames; ++i) {
            in0[i] = noise.sample();
            in1[i] = noise.sample();
        }
        const volatile double* written = out0.data();
        std::atomic<bool> finished{false};
        std::atomic<bool> exhausted{false};
        std::atomic<int> changes{0};

        std::thread writer([&]() {
            Noise choices(seed * 7919u);
            size_t done = 0; // frames known to be written
            auto framesWritten = [&]() {
                while (done < kFrames && !std::isnan(written[done]))
                    ++done;
                return done;
            };
            for (uint32_t n = 0; n < 200 && !exhausted.load(); ++n) {
                // Wait until the audio thread has gone a random way further, often into a block.
                const size_t target = framesWritten() + 1 + choices.next() % 200;
                for (int spin = 0; framesWritten() < target && !exhausted.load(); ++spin)
                    if (spin % 4096 == 4095) // watch the block fill while both threads run
                        std::this_thread::yield();
                // Every change gives a set never seen before, so that the replay cannot mistake
                // one set for another.
                if (choices.next() % 5 == 0) {
                    filter.setSampleRate(8000 + 13 * n);
                    twin.setSampleRate(8000 + 13 * n);
                } else {
                    filter.setLevel(makeLevel(300 + (7 * n) % 1701, 10 + n % 141));
                    twin.setLevel(makeLevel(300 + (7 * n) % 1701, 10 + n % 141));
                }
                // Outputs reach this thread later than the audio thread reads the settings: its stores
                // wait in the processor's store buffer (a few dozen) while later loads go ahead. So
                // only frames beyond that window surely began after the change.
                published.publish(twin.currentSet(), framesWritten() + test::kLateFramesSeenByAnotherThread);
                changes.fetch_add(1);
            }
            finished.store(true);
        });

        size_t processed = 0;
        int blocks = 0;
        while (processed < kFrames) {
            const bool last = finished.load();
            const int32_t frames =
                static_cast<int32_t>(std::min<size_t>(1 + noise.next() % 1024, kFrames - processed));
            filter.processBlockOn(GetParam(), &in0[processed], &in1[processed], &out0[processed],
                                  &out1[processed], frames);
            processed += static_cast<size_t>(frames);
            if (last)
                break;
            // As a host's audio thread waits for its next buffer, letting the writer in; and
            // for a while, until the writer has caught up, on a machine that runs one at a time.
            ++blocks;
            for (int wait = 0; wait < 200 && !finished.load() && blocks > 4 * changes.load() + 4; ++wait)
                std::this_thread::yield();
        }
        exhausted.store(true);
        writer.join();
        ASSERT_GT(published.published(), 50u) << "the writer should have published many sets";
        EXPECT_EQ(published.check(in0.data(), in1.data(), out0.data(), out1.data(), processed), "")
            << "seed " << seed;
    }
}

// Changes made between frames on the audio thread itself, where the order is fixed: the very next
// frame uses the new set (from a clear history after a rate change), whether it is a block of one
// frame, a longer block, or processFrame.
TEST_P(CrossfeedThreadsOnPath, FrameAfterAChangeUsesTheNewSet) {
    CrossfeedEngine engine;
    CrossfeedFilter& filter = *engine.filter();
    // The streams here never clip, so that no two sets can give the same output.
    test::PlainEquations replay;
    Noise noise(11);
    int frame = 0;
    for (int step = 0; step < 400; ++step) {
        if (step % 3 == 0)
            filter.setLevel(kLevels[step % 7]);
        if (step % 11 == 5) {
            filter.setSampleRate(step % 2 ? 96000 : 44100);
            replay = test::PlainEquations{};
        }
        const Set set = filter.currentSet();
        const size_t n = step % 4 == 0 ? 1 : 1 + static_cast<size_t>(step % 37);
        const int32_t frames = static_cast<int32_t>(n);
        std::vector<double> a(n), b(n);
        for (size_t i = 0; i < n; ++i) {
            a[i] = noise.sample();
            b[i] = noise.sample();
        }
        std::vector<double> expected(2 * n);
        for (size_t i = 0; i < n; ++i)
            replay.run(set.coefficients, a[i], b[i], expected[2 * i], expected[2 * i + 1]);
        if (step % 5 == 1) {
            for (size_t i = 0; i < n; ++i) {
                double pair[2] = {a[i], b[i]};
                filter.processFrame(pair);
                a[i] = pair[0];
                b[i] = pair[1];
            }
        } else {
            filter.processBlockOn(GetParam(), a.data(), b.data(), a.data(), b.data(), frames);
        }
        for (size_t i = 0; i < n; ++i, ++frame) {
            ASSERT_EQ(bitsOf(a[i]), bitsOf(expected[2 * i])) << "frame " << frame << " step " << step;
            ASSERT_EQ(bitsOf(b[i]), bitsOf(expected[2 * i + 1])) << "frame " << frame << " step " << step;
        }
    }
}

// A setter that lands between frame k and frame k + 1 of a block, at every k of a block that
// starts mid-stream (so the AVX2 path meets it in every position of a quad, and near the flushes):
// frame k still uses the old settings, frame k + 1 the new ones, with the history kept or cleared
// as the setter asks, to the bit of the plain equations. An observer built into this test's own
// instantiation of the block loop calls the setter just before frame k + 1 reads the settings.
template <typename Sample> void checkChangesBetweenFrames(CrossfeedFilter::BlockPath path) {
    struct Change {
        const char* name;
        std::function<void(CrossfeedFilter&)> apply;
        bool clears;
    };
    const Change changes[] = {
        {"level", [](CrossfeedFilter& f) { f.setLevel(kLevelJMeier); }, false},
        {"rate", [](CrossfeedFilter& f) { f.setSampleRate(96000); }, true},
        {"clear", [](CrossfeedFilter& f) { f.clearHistory(); }, true},
    };
    struct Observer {
        CrossfeedFilter& filter;
        const Change& change;
        int32_t at;
        int32_t next = 0;
        // Frames read the settings in order, none skipped; the AVX2 path reads them a second time
        // for a frame at which its run of quads stopped for a change.
        void beforeFrame(int32_t frame) {
            EXPECT_TRUE(frame == next || frame == next - 1) << frame << " after " << next - 1;
            if (frame == at && frame == next)
                change.apply(filter);
            next = frame + 1;
        }
    };
    constexpr int32_t kLead = 37;
    constexpr int32_t kFrames = 61;
    Noise noise(5);
    std::vector<Sample> in[2];
    for (auto& channel : in)
        for (int32_t i = 0; i < kLead + kFrames; ++i)
            channel.push_back(static_cast<Sample>(noise.sample()));
    const FilterCoefficients before = designFilter(kLevelCMoy, 48000).coefficients;
    for (const Change& change : changes) {
        for (int32_t k = 0; k + 1 < kFrames; ++k) {
            CrossfeedFilter filter(kLevelCMoy, 48000);
            std::vector<Sample> out[2] = {std::vector<Sample>(kLead + kFrames),
                                          std::vector<Sample>(kLead + kFrames)};
            Observer none{filter, change, -1};
            filter.processBlockObserved(path, none, in[0].data(), in[1].data(), out[0].data(), out[1].data(),
                                        kLead);
            Observer observer{filter, change, k + 1};
            filter.processBlockObserved(path, observer, in[0].data() + kLead, in[1].data() + kLead,
                                        out[0].data() + kLead, out[1].data() + kLead, kFrames);
            ASSERT_EQ(observer.next, kFrames);
            const FilterCoefficients after =
                designFilter(filter.currentLevel(), filter.sampleRate()).coefficients;
            test::PlainEquations plain;
            for (int32_t frame = 0; frame < kLead + kFrames; ++frame) {
                const bool changed = frame > kLead + k;
                if (frame == kLead + k + 1 && change.clears)
                    plain = test::PlainEquations{};
                const auto i = static_cast<size_t>(frame);
                double expected[2];
                plain.run(changed ? after : before, static_cast<double>(in[0][i]),
                          static_cast<double>(in[1][i]), expected[0], expected[1]);
                for (int c = 0; c < 2; ++c)
                    ASSERT_EQ(out[c][i], static_cast<Sample>(expected[c]))
                        << change.name << " before frame " << k + 1 << ": frame " << frame - kLead
                        << " channel " << c;
            }
        }
    }
}

TEST_P(CrossfeedThreadsOnPath, AChangeBetweenTwoFramesOfABlockReachesExactlyTheSecond) {
    checkChangesBetweenFrames<double>(GetParam());
    checkChangesBetweenFrames<float>(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Paths, CrossfeedThreadsOnPath,
                         ::testing::Values(CrossfeedFilter::BlockPath::sse2,
                                           CrossfeedFilter::BlockPath::avx2),
                         [](const ::testing::TestParamInfo<CrossfeedFilter::BlockPath>& param) {
                             return std::string(CrossfeedFilter::blockPathName(param.param));
                         });

} // namespace
} // namespace tovrel
