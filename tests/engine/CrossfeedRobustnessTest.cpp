// The filter's guards against bad input and subnormal history, held against the plain filter
// arithmetic: results must not change wherever that arithmetic stays in the normal range.
#include "engine/CrossfeedFilter.h"
#include "engine/PlainEquations.h"
#include "tools/vsthost/SeededRandom.h"

#include <gtest/gtest.h>

#include <xmmintrin.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace tovrel {
namespace {

// The frame arithmetic exactly as written in the filter's equations, without any guard: the
// yardstick for every result below.
struct PlainFilter {
    explicit PlainFilter(const CrossfeedFilter& f)
        : c(designFilter(f.currentLevel(), f.sampleRate()).coefficients) {}

    void run(double in0, double in1, double& out0, double& out1) {
        double left = 0.0;
        double right = 0.0;
        equations.run(c, in0, in1, left, right);
        left = left > 1.0 ? 1.0 : left;
        left = left < -1.0 ? -1.0 : left;
        right = right > 1.0 ? 1.0 : right;
        right = right < -1.0 ? -1.0 : right;
        out0 = left;
        out1 = right;
    }

    bool historySubnormal() const {
        for (double v :
             {equations.lastLow[0], equations.lastLow[1], equations.lastHigh[0], equations.lastHigh[1]})
            if (v != 0.0 && std::fabs(v) < DBL_MIN)
                return true;
        return false;
    }

    FilterCoefficients c;
    test::PlainEquations equations;
};

CrossfeedFilter filterAt(LevelWord level, uint32_t rate) {
    return CrossfeedFilter(level, rate);
}

uint64_t bitsOf(double v) {
    uint64_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}
uint32_t bitsOf(float v) {
    uint32_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

bool historyIsZeroOrNormal(const CrossfeedFilter& filter) {
    const FilterHistory& f = filter.history();
    for (double v :
         {f.lastInput[0], f.lastInput[1], f.lastLow[0], f.lastLow[1], f.lastHigh[0], f.lastHigh[1]})
        if (!std::isfinite(v) || (v != 0.0 && std::fabs(v) < DBL_MIN))
            return false;
    return true;
}

// Settings that span the coefficients: the presets, both corners of the level range, and the
// extreme sample rates (at 384 kHz and 300 Hz the feedback is 0.995; at 2 kHz and 2 kHz, 0.002).
struct Setting {
    LevelWord level;
    uint32_t rate;
};
const Setting kSettings[] = {
    {kLevelTaskel, 44100},         {kLevelBs2bDefault, 48000},    {kLevelCMoy, 96000},
    {kLevelJMeier, 44100},         {makeLevel(300, 150), 384000}, {makeLevel(2000, 10), 2000},
    {makeLevel(2000, 150), 22050}, {makeLevel(300, 10), 8000},
};

// Audio-like values with everything that sits on an edge: exact full scale, beyond it (so the
// output clips), both zeros, tiny floats, and values just inside and outside one.
class SampleSource {
public:
    explicit SampleSource(uint32_t seed) : random(seed) {}

    double next() {
        const uint32_t r = step();
        const double u = static_cast<double>(static_cast<int32_t>(step())) * (1.0 / 2147483648.0);
        switch (r % 16) {
        case 0:
            return (r & 0x100) ? 1.0 : -1.0;
        case 1:
            return u * 4.0;
        case 2:
            return (r & 0x100) ? 0.0 : -0.0;
        case 3:
            return u * 1e-30;
        case 4:
            return static_cast<double>(std::nextafter(1.0f, 2.0f)) * ((r & 0x100) ? 1.0 : -1.0);
        case 5:
            return u * 1e-5;
        case 6:
            return u * 1e6;
        default:
            return u;
        }
    }

private:
    uint32_t step() { return random.next(); }
    SeededRandom random;
};

// Compares a guarded run with the plain arithmetic on a stream whose plain history never leaves
// the normal range: every output bit must agree.
TEST(CrossfeedExactness, FrameResultsAreBitIdenticalToThePlainArithmetic) {
    for (const Setting& setting : kSettings) {
        CrossfeedFilter guarded = filterAt(setting.level, setting.rate);
        PlainFilter plain(guarded);
        SampleSource source(setting.level ^ setting.rate);
        int clipped = 0;
        for (int i = 0; i < 40000; ++i) {
            double pair[2] = {source.next(), source.next()};
            double expected[2];
            plain.run(pair[0], pair[1], expected[0], expected[1]);
            guarded.processFrame(pair);
            ASSERT_FALSE(plain.historySubnormal()) << "the stream should stay in the normal range";
            ASSERT_EQ(bitsOf(pair[0]), bitsOf(expected[0]))
                << "frame " << i << " level " << std::hex << setting.level;
            ASSERT_EQ(bitsOf(pair[1]), bitsOf(expected[1]))
                << "frame " << i << " level " << std::hex << setting.level;
            clipped += (std::fabs(expected[0]) == 1.0) + (std::fabs(expected[1]) == 1.0);
        }
        EXPECT_GT(clipped, 100) << "the stream should exercise the clipping";
        EXPECT_EQ(bitsOf(guarded.history().lastLow[0]), bitsOf(plain.equations.lastLow[0]));
        EXPECT_EQ(bitsOf(guarded.history().lastHigh[1]), bitsOf(plain.equations.lastHigh[1]));
    }
}

TEST(CrossfeedExactness, BlocksOfAnySizeGiveTheFrameResultsInPlace) {
    for (const Setting& setting : kSettings) {
        CrossfeedFilter framewise = filterAt(setting.level, setting.rate);
        CrossfeedFilter blockwise = filterAt(setting.level, setting.rate);
        CrossfeedFilter floatBlocks = filterAt(setting.level, setting.rate);
        CrossfeedFilter floatFrames = filterAt(setting.level, setting.rate);
        SampleSource source(setting.rate);
        uint32_t sizes = 7;
        for (int block = 0; block < 200; ++block) {
            sizes = sizes * 1103515245u + 12345u;
            const size_t n = (sizes >> 16) % 300;
            const int32_t frames = static_cast<int32_t>(n);
            std::vector<double> left(n), right(n);
            std::vector<float> leftF(n), rightF(n);
            for (size_t i = 0; i < n; ++i) {
                left[i] = source.next();
                right[i] = source.next();
                leftF[i] = static_cast<float>(left[i]);
                rightF[i] = static_cast<float>(right[i]);
            }
            std::vector<double> expected(2 * n);
            std::vector<float> expectedF(2 * n);
            for (size_t i = 0; i < n; ++i) {
                double pair[2] = {left[i], right[i]};
                framewise.processFrame(pair);
                expected[2 * i] = pair[0];
                expected[2 * i + 1] = pair[1];
                float pairF[2] = {leftF[i], rightF[i]};
                floatFrames.processFrameFloat(pairF);
                expectedF[2 * i] = pairF[0];
                expectedF[2 * i + 1] = pairF[1];
            }
            // In place, and with the channels crossed over in the outputs.
            blockwise.processBlock(left.data(), right.data(), left.data(), right.data(), frames);
            floatBlocks.processBlockFloat(leftF.data(), rightF.data(), rightF.data(), leftF.data(), frames);
            for (size_t i = 0; i < n; ++i) {
                ASSERT_EQ(bitsOf(left[i]), bitsOf(expected[2 * i])) << "block " << block << " frame " << i;
                ASSERT_EQ(bitsOf(right[i]), bitsOf(expected[2 * i + 1]))
                    << "block " << block << " frame " << i;
                ASSERT_EQ(bitsOf(rightF[i]), bitsOf(expectedF[2 * i])) << "block " << block << " frame " << i;
                ASSERT_EQ(bitsOf(leftF[i]), bitsOf(expectedF[2 * i + 1]))
                    << "block " << block << " frame " << i;
            }
        }
        EXPECT_EQ(std::memcmp(blockwise.history().lastHigh, framewise.history().lastHigh,
                              sizeof(FilterHistory::lastHigh)),
                  0);
        EXPECT_EQ(std::memcmp(floatBlocks.history().lastLow, floatFrames.history().lastLow,
                              sizeof(FilterHistory::lastLow)),
                  0);
    }
}

TEST(CrossfeedExactness, SinglePrecisionIsThePlainArithmeticRoundedToFloat) {
    for (const Setting& setting : kSettings) {
        CrossfeedFilter guarded = filterAt(setting.level, setting.rate);
        PlainFilter plain(guarded);
        SampleSource source(~setting.level);
        for (int i = 0; i < 20000; ++i) {
            float pair[2] = {static_cast<float>(source.next()), static_cast<float>(source.next())};
            double expected[2];
            plain.run(pair[0], pair[1], expected[0], expected[1]);
            guarded.processFrameFloat(pair);
            ASSERT_EQ(bitsOf(pair[0]), bitsOf(static_cast<float>(expected[0]))) << "frame " << i;
            ASSERT_EQ(bitsOf(pair[1]), bitsOf(static_cast<float>(expected[1]))) << "frame " << i;
        }
    }
}

// The host may run with flush-to-zero and denormals-are-zero set, or without: the guarded filter
// gives the same normal-range results either way.
TEST(CrossfeedExactness, HostFloatingPointModeChangesNothing) {
    CrossfeedFilter defaultMode = filterAt(kLevelJMeier, 48000);
    CrossfeedFilter flushMode = filterAt(kLevelJMeier, 48000);
    SampleSource sourceA(99);
    SampleSource sourceB(99);
    const unsigned int saved = _mm_getcsr();
    for (int i = 0; i < 5000; ++i) {
        double a[2] = {sourceA.next(), sourceA.next()};
        double b[2] = {sourceB.next(), sourceB.next()};
        defaultMode.processFrame(a);
        _mm_setcsr(saved | 0x8040); // FTZ and DAZ
        flushMode.processFrame(b);
        _mm_setcsr(saved);
        ASSERT_EQ(bitsOf(a[0]), bitsOf(b[0])) << "frame " << i;
        ASSERT_EQ(bitsOf(a[1]), bitsOf(b[1])) << "frame " << i;
    }
}

// Music, then silence long enough for the plain history to sink through the subnormal range, then
// music again. Where the plain arithmetic is in the normal range the results agree; in the tail
// the guarded history goes to exactly zero instead of sticking at the smallest subnormal; and once
// the music is back both agree bit for bit again.
TEST(CrossfeedSubnormalTail, HistoryDropsToZeroAndRejoinsThePlainArithmetic) {
    const double kTiny = std::ldexp(1.0, -960); // below this (about 1e-289), results may differ
    for (const Setting& setting : kSettings) {
        for (int32_t blockSize : {1, 5, 16, 64, 4096}) {
            CrossfeedFilter guarded = filterAt(setting.level, setting.rate);
            PlainFilter plain(guarded);
            SampleSource source(static_cast<uint32_t>(blockSize));
            // Long enough for the slowest decay to reach the smallest subnormal, and a little more.
            const double feedback = std::max(plain.c.lowB1, plain.c.highB1);
            const size_t silenceFrames = static_cast<size_t>(760.0 / -std::log(feedback)) + 2000;
            const size_t total = 2000 + silenceFrames + 2000;
            std::vector<double> left(total), right(total);
            for (size_t i = 0; i < total; ++i) {
                const bool silent = i >= 2000 && i < 2000 + silenceFrames;
                left[i] = silent ? 0.0 : source.next();
                right[i] = silent ? 0.0 : source.next();
            }
            bool plainWentSubnormal = false;
            const size_t block = static_cast<size_t>(blockSize);
            for (size_t start = 0; start < total; start += block) {
                const size_t n = std::min(block, total - start);
                std::vector<double> out0(n), out1(n);
                guarded.processBlock(&left[start], &right[start], out0.data(), out1.data(),
                                     static_cast<int32_t>(n));
                ASSERT_TRUE(historyIsZeroOrNormal(guarded)) << "after frame " << start;
                for (size_t i = 0; i < n; ++i) {
                    double expected[2];
                    plain.run(left[start + i], right[start + i], expected[0], expected[1]);
                    plainWentSubnormal |= plain.historySubnormal();
                    const double got[2] = {out0[i], out1[i]};
                    for (int c = 0; c < 2; ++c) {
                        if (bitsOf(got[c]) != bitsOf(expected[c])) {
                            ASSERT_LT(std::fabs(got[c]), kTiny) << "frame " << start + i;
                            ASSERT_LT(std::fabs(expected[c]), kTiny) << "frame " << start + i;
                        }
                    }
                }
            }
            EXPECT_TRUE(plainWentSubnormal) << "the silence should take the plain history below normal";
            // The music is back: the two agree on every history value again.
            EXPECT_EQ(std::memcmp(guarded.history().lastLow, plain.equations.lastLow,
                                  sizeof plain.equations.lastLow),
                      0);
            EXPECT_EQ(std::memcmp(guarded.history().lastHigh, plain.equations.lastHigh,
                                  sizeof plain.equations.lastHigh),
                      0);
        }
    }
}

// A normal input so small that the low-pass history it leaves is subnormal: the flush drops that
// history, and the next output, itself tiny, differs from the plain equations by less than the
// smallest normal double. Only outputs that small can show such a difference.
TEST(CrossfeedSubnormalTail, FlushChangesOnlyTheLastDigitsOfTinyOutputs) {
    CrossfeedFilter guarded = filterAt(kLevelTaskel, 44100);
    PlainFilter plain(guarded);
    const double inputs[][2] = {{2.59e-307, 2.59e-307}, {1e-300, 1e-300}, {0.5, -0.25}, {0.125, 0.0}};
    bool differed = false;
    for (const auto& in : inputs) {
        double pair[2] = {in[0], in[1]};
        double expected[2];
        plain.run(in[0], in[1], expected[0], expected[1]);
        guarded.processFrame(pair);
        for (int c = 0; c < 2; ++c) {
            if (bitsOf(pair[c]) != bitsOf(expected[c])) {
                differed = true;
                EXPECT_LT(std::fabs(expected[c]), 1e-291);
                EXPECT_LT(std::fabs(pair[c] - expected[c]), DBL_MIN);
            }
        }
    }
    EXPECT_TRUE(differed) << "the flushed history should show in the tiny output";
}

TEST(CrossfeedSubnormalTail, LongSilenceGivesExactZerosAndAClearHistory) {
    CrossfeedFilter f = filterAt(makeLevel(300, 150), 384000); // the slowest decay there is
    SampleSource source(5);
    std::vector<double> left(4096), right(4096);
    for (size_t i = 0; i < 4096; ++i) {
        left[i] = source.next();
        right[i] = source.next();
    }
    f.processBlock(left.data(), right.data(), left.data(), right.data(), 4096);
    std::vector<double> silence(4096, 0.0);
    for (int block = 0; block < 200; ++block) {
        std::fill(silence.begin(), silence.end(), 0.0);
        std::vector<double> other(4096, 0.0);
        f.processBlock(silence.data(), other.data(), silence.data(), other.data(), 4096);
        ASSERT_TRUE(historyIsZeroOrNormal(f)) << "block " << block;
    }
    for (double v :
         {f.history().lastLow[0], f.history().lastLow[1], f.history().lastHigh[0], f.history().lastHigh[1]})
        EXPECT_EQ(bitsOf(v), 0u);
    double pair[2] = {0.0, 0.0};
    f.processFrame(pair);
    EXPECT_EQ(bitsOf(pair[0]), 0u);
    EXPECT_EQ(bitsOf(pair[1]), 0u);
}

// Whatever the input, every output is finite and within full scale, and a bad sample is processed
// exactly as a 0.0 would have been: the frames after it are those of a stream that had 0.0 there.
TEST(CrossfeedBadInput, UnusableSamplesAreProcessedAsZero) {
    const double bad[] = {std::numeric_limits<double>::quiet_NaN(),
                          -std::numeric_limits<double>::quiet_NaN(),
                          std::numeric_limits<double>::infinity(),
                          -std::numeric_limits<double>::infinity(),
                          DBL_MAX,
                          -std::nextafter(CrossfeedFilter::kLargestInput, DBL_MAX),
                          std::numeric_limits<double>::denorm_min(),
                          -DBL_MIN / 3.0};
    for (double value : bad) {
        for (int channels = 1; channels <= 3; ++channels) {
            CrossfeedFilter poisoned = filterAt(kLevelCMoy, 44100);
            CrossfeedFilter clean = filterAt(kLevelCMoy, 44100);
            SampleSource source(static_cast<uint32_t>(channels));
            for (int i = 0; i < 3000; ++i) {
                double a[2] = {source.next(), source.next()};
                if (i % 500 == 250) {
                    a[0] = (channels & 1) ? 0.0 : a[0];
                    a[1] = (channels & 2) ? 0.0 : a[1];
                }
                double b[2] = {a[0], a[1]};
                if (i % 500 == 250) {
                    b[0] = (channels & 1) ? value : b[0];
                    b[1] = (channels & 2) ? value : b[1];
                }
                clean.processFrame(a);
                poisoned.processFrame(b);
                ASSERT_EQ(bitsOf(a[0]), bitsOf(b[0])) << value << " frame " << i;
                ASSERT_EQ(bitsOf(a[1]), bitsOf(b[1])) << value << " frame " << i;
                ASSERT_TRUE(historyIsZeroOrNormal(poisoned)) << value << " frame " << i;
            }
        }
    }
}

TEST(CrossfeedBadInput, SinglePrecisionNonFiniteSamplesAreProcessedAsZero) {
    for (float value : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                        -std::numeric_limits<float>::infinity()}) {
        CrossfeedFilter poisoned = filterAt(kLevelTaskel, 48000);
        CrossfeedFilter clean = filterAt(kLevelTaskel, 48000);
        std::vector<float> left(1024), right(1024), cleanLeft(1024), cleanRight(1024);
        SampleSource source(3);
        for (size_t i = 0; i < 1024; ++i) {
            left[i] = cleanLeft[i] = static_cast<float>(source.next());
            right[i] = cleanRight[i] = static_cast<float>(source.next());
        }
        left[100] = value;
        right[700] = value;
        cleanLeft[100] = 0.0f;
        cleanRight[700] = 0.0f;
        poisoned.processBlockFloat(left.data(), right.data(), left.data(), right.data(), 1024);
        clean.processBlockFloat(cleanLeft.data(), cleanRight.data(), cleanLeft.data(), cleanRight.data(),
                                1024);
        for (size_t i = 0; i < 1024; ++i) {
            ASSERT_EQ(bitsOf(left[i]), bitsOf(cleanLeft[i])) << i;
            ASSERT_EQ(bitsOf(right[i]), bitsOf(cleanRight[i])) << i;
        }
    }
}

// The largest usable samples, alternating in sign, drive the high boost hardest; its history must
// stay finite so that the stream carries on.
TEST(CrossfeedBadInput, LargestUsableSamplesCannotOverflowTheHistory) {
    for (const Setting& setting : kSettings) {
        CrossfeedFilter f = filterAt(setting.level, setting.rate);
        for (int i = 0; i < 5000; ++i) {
            const double s = (i / 3) % 2 ? CrossfeedFilter::kLargestInput : -CrossfeedFilter::kLargestInput;
            double pair[2] = {s, (i % 7) ? -s : s};
            f.processFrame(pair);
            ASSERT_LE(std::fabs(pair[0]), 1.0) << i;
            ASSERT_LE(std::fabs(pair[1]), 1.0) << i;
            ASSERT_TRUE(historyIsZeroOrNormal(f)) << i;
        }
    }
}

} // namespace
} // namespace tovrel
