#include "engine/CrossfeedEngine.h"
#include "engine/PlainEquations.h"
#include "tools/vsthost/SeededRandom.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace tovrel {
namespace {

bool historyIsClear(const CrossfeedFilter& f) {
    const FilterHistory& h = f.history();
    return h.lastInput[0] == 0.0 && h.lastInput[1] == 0.0 && h.lastLow[0] == 0.0 && h.lastLow[1] == 0.0 &&
           h.lastHigh[0] == 0.0 && h.lastHigh[1] == 0.0;
}

uint64_t bitsOf(double v) {
    uint64_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

TEST(CrossfeedCoefficients, NewEngineStartsAtDefaultRateAndFallbackLevel) {
    CrossfeedEngine engine;
    ASSERT_NE(engine.filter(), nullptr);
    EXPECT_EQ(engine.filter()->currentLevel(), 0x003E02DAu);
    EXPECT_EQ(engine.filter()->sampleRate(), 44100u);
    EXPECT_EQ(engine.filter()->cutFrequency(), 730u);
    EXPECT_EQ(engine.filter()->feed(), 62u);
    EXPECT_TRUE(historyIsClear(*engine.filter()));
}

TEST(CrossfeedCoefficients, MatchReferenceAt730Hz62dB) {
    const FilterCoefficients f = designFilter(kFallbackLevel, 44100).coefficients;
    EXPECT_NEAR(f.lowA0, 0.0385781700538, 1e-12);
    EXPECT_NEAR(f.lowB1, 0.901218650158, 1e-12);
    EXPECT_NEAR(f.highA0, 0.97272828018, 1e-11);
    EXPECT_NEAR(f.highA1, -0.865402980645, 1e-12);
    EXPECT_NEAR(f.highB1, 0.865402980645, 1e-12);
    EXPECT_NEAR(f.gain, 0.841805071491, 1e-12);
    EXPECT_EQ(f.highA1, -f.highB1);
    // Derived quantities: Glo from lowA0 and lowB1, Ghi from highA0 and highB1.
    EXPECT_NEAR(f.lowA0 / (1.0 - f.lowB1), 0.390541029412, 1e-11);
    EXPECT_NEAR((1.0 - f.highA0) / (1.0 - f.highB1), 0.2026175613, 1e-10);
    EXPECT_NEAR(std::log(f.highB1) / (-6.283185307179586 / 44100.0), 1014.62808992, 1e-7);
}

TEST(CrossfeedCoefficients, MatchReferenceAt700Hz45dB) {
    const FilterCoefficients f = designFilter(0x002D02BC, 44100).coefficients;
    EXPECT_NEAR(f.lowA0, 0.0436377678804, 1e-12);
    EXPECT_NEAR(f.lowB1, 0.905078951271, 1e-12);
    EXPECT_NEAR(f.highA0, 0.969844561979, 1e-12);
    EXPECT_NEAR(f.highB1, 0.867860136319, 1e-12);
    EXPECT_NEAR(f.gain, 0.812005663462, 1e-12);
}

// The design and the setters validate alike: in range kept, either half out of range gives the
// fallback level whole, a rate out of range 44100 Hz.
TEST(CrossfeedValidation, LevelsAndRatesOutOfRangeFallBackWhole) {
    struct Case {
        LevelWord level;
        uint32_t rate;
        LevelWord expectedLevel;
        uint32_t expectedRate;
    };
    const Case cases[] = {
        {makeLevel(300, 150), 2000, makeLevel(300, 150), 2000},
        {makeLevel(2000, 10), 384000, makeLevel(2000, 10), 384000},
        {makeLevel(700, 151), 1999, kFallbackLevel, 44100},
        {makeLevel(700, 9), 384001, kFallbackLevel, 44100},
        {makeLevel(299, 45), 0, kFallbackLevel, 44100},
        {makeLevel(2001, 45), 0xFFFFFFFFu, kFallbackLevel, 44100},
    };
    for (const Case& c : cases) {
        const FilterDesign design = designFilter(c.level, c.rate);
        EXPECT_EQ(design.level, c.expectedLevel) << std::hex << c.level;
        EXPECT_EQ(design.sampleRate, c.expectedRate) << c.rate;
        const FilterDesign valid = designFilter(c.expectedLevel, c.expectedRate);
        EXPECT_EQ(std::memcmp(&design.coefficients, &valid.coefficients, sizeof valid.coefficients), 0);

        // In either order: neither setter touches the other's setting.
        CrossfeedFilter levelFirst(kLevelJMeier, 96000);
        levelFirst.setLevel(c.level);
        levelFirst.setSampleRate(c.rate);
        CrossfeedFilter rateFirst(kLevelJMeier, 96000);
        rateFirst.setSampleRate(c.rate);
        rateFirst.setLevel(c.level);
        for (const CrossfeedFilter* f : {&levelFirst, &rateFirst}) {
            EXPECT_EQ(f->currentLevel(), c.expectedLevel) << std::hex << c.level;
            EXPECT_EQ(f->sampleRate(), c.expectedRate) << c.rate;
        }
    }
}

// What each setter does to the history, seen in the frame after it: that frame either continues
// from the history (the plain equations on, with the new coefficients) or starts clear.
TEST(CrossfeedHistory, OnlyRateChangesAndClearRequestsClearTheNextFrame) {
    struct Case {
        const char* name;
        std::function<void(CrossfeedFilter&)> change;
        bool clears;
    };
    const Case cases[] = {
        {"same rate again", [](CrossfeedFilter& f) { f.setSampleRate(48000); }, false},
        {"invalid rate while at 44100", [](CrossfeedFilter& f) { f.setSampleRate(1999); }, true},
        {"new level", [](CrossfeedFilter& f) { f.setLevel(kLevelJMeier); }, false},
        {"new rate", [](CrossfeedFilter& f) { f.setSampleRate(96000); }, true},
        {"new rate and back",
         [](CrossfeedFilter& f) {
             f.setSampleRate(96000);
             f.setSampleRate(48000);
         },
         true},
        {"clear request", [](CrossfeedFilter& f) { f.clearHistory(); }, true},
        {"clear request and a level",
         [](CrossfeedFilter& f) {
             f.clearHistory();
             f.setLevel(kLevelCMoy);
         },
         true},
    };
    for (const Case& c : cases) {
        const uint32_t rate = std::strstr(c.name, "44100") ? 44100 : 48000;
        CrossfeedFilter f(kLevelBs2bDefault, rate);
        test::PlainEquations plain;
        for (int i = 0; i < 10; ++i) {
            double pair[2] = {0.5, -0.25};
            double expected[2];
            plain.run(designFilter(kLevelBs2bDefault, rate).coefficients, 0.5, -0.25, expected[0],
                      expected[1]);
            f.processFrame(pair);
            ASSERT_EQ(bitsOf(pair[0]), bitsOf(expected[0])) << c.name;
        }
        c.change(f);
        if (c.clears)
            plain = test::PlainEquations{};
        const FilterCoefficients now = designFilter(f.currentLevel(), f.sampleRate()).coefficients;
        for (int i = 0; i < 3; ++i) {
            double pair[2] = {0.125, 0.25};
            double expected[2];
            plain.run(now, 0.125, 0.25, expected[0], expected[1]);
            f.processFrame(pair);
            EXPECT_EQ(bitsOf(pair[0]), bitsOf(expected[0])) << c.name << " frame " << i;
            EXPECT_EQ(bitsOf(pair[1]), bitsOf(expected[1])) << c.name << " frame " << i;
        }
    }
}

TEST(CrossfeedProcessing, FirstFramesFollowTheFilterEquations) {
    CrossfeedFilter f;
    const FilterCoefficients c = designFilter(kFallbackLevel, kDefaultSampleRate).coefficients;
    double pair[2] = {1.0, 0.0};
    f.processFrame(pair);
    // Own channel through the high boost, the other through the low pass.
    EXPECT_EQ(pair[0], (c.highA0 * 1.0 + 0.0) * c.gain);
    EXPECT_EQ(pair[1], (0.0 + c.lowA0) * c.gain);

    double next[2] = {0.0, 0.0};
    f.processFrame(next);
    const double low0 = c.lowA0 * c.lowB1;
    const double high0 = 1.0 * c.highA1 + c.highA0 * c.highB1;
    EXPECT_EQ(next[0], high0 * c.gain);
    EXPECT_EQ(next[1], low0 * c.gain);
}

TEST(CrossfeedProcessing, SilenceInGivesSilenceOut) {
    CrossfeedFilter f;
    for (int i = 0; i < 1000; ++i) {
        double pair[2] = {0.0, 0.0};
        f.processFrame(pair);
        ASSERT_EQ(pair[0], 0.0);
        ASSERT_EQ(pair[1], 0.0);
    }
}

// A constant input settles where the equations' fixed point puts it: the high boost at
// (highA0 + highA1) / (1 - highB1), the low pass at lowA0 / (1 - lowB1), each times the input, the
// two summed and scaled by the gain, which the design chooses so that the sum comes to unity. The
// filter's settled output is the test's own run of the equations to the bit, within rounding of
// that fixed point: at half scale half of it, unclipped; at full scale, the same clipped to 1.0.
TEST(CrossfeedProcessing, ConstantInputSettlesAtTheEquationsFixedPoint) {
    const LevelWord levels[] = {kLevelTaskel, kLevelJMeier, makeLevel(300, 150), makeLevel(2000, 10)};
    for (LevelWord level : levels) {
        for (uint32_t rate : {2000u, 44100u, 384000u}) {
            const FilterCoefficients c = designFilter(level, rate).coefficients;
            const double settled =
                c.gain * ((c.highA0 + c.highA1) / (1.0 - c.highB1) + c.lowA0 / (1.0 - c.lowB1));
            EXPECT_NEAR(settled, 1.0, 1e-14) << std::hex << level << std::dec << " at " << rate;
            // Long enough for the slowest decay (feedback 0.995) to reach the last bits.
            const int frames = static_cast<int>(rate / 4);
            for (double input : {0.5, 1.0}) {
                CrossfeedFilter f(level, rate);
                test::PlainEquations plain;
                double pair[2] = {};
                double unclipped[2] = {};
                for (int i = 0; i < frames; ++i) {
                    pair[0] = pair[1] = input;
                    f.processFrame(pair);
                    plain.run(c, input, input, unclipped[0], unclipped[1]);
                }
                const std::string where = std::to_string(input) + " at " + std::to_string(rate);
                EXPECT_NEAR(unclipped[0], input * settled, 1e-14) << where;
                for (int channel = 0; channel < 2; ++channel)
                    EXPECT_EQ(bitsOf(pair[channel]), bitsOf(std::min(unclipped[channel], 1.0))) << where;
            }
        }
    }
}

TEST(CrossfeedProcessing, OverloadIsClippedToExactlyOne) {
    CrossfeedFilter f;
    bool sawPositive = false;
    bool sawNegative = false;
    for (int i = 0; i < 400; ++i) {
        // Full-scale square waves of opposite polarity: each edge of the own channel's high
        // boost adds to the other channel's low-passed signal and overshoots full scale.
        const double s = ((i / 100) % 2) ? 1.0 : -1.0;
        double pair[2] = {s, -s};
        f.processFrame(pair);
        for (double out : pair) {
            ASSERT_LE(out, 1.0);
            ASSERT_GE(out, -1.0);
            sawPositive |= out == 1.0;
            sawNegative |= out == -1.0;
        }
    }
    EXPECT_TRUE(sawPositive);
    EXPECT_TRUE(sawNegative);
}

TEST(CrossfeedProcessing, FloatPathIsTheDoublePathRoundedToFloat) {
    CrossfeedFilter single(kLevelJMeier);
    CrossfeedFilter twin(kLevelJMeier);
    SeededRandom random(12345);
    for (int i = 0; i < 5000; ++i) {
        const float left = static_cast<float>(static_cast<int32_t>(random.next())) * (1.0f / 2147483648.0f);
        const float right = (i % 7 == 0) ? 1.0f : -left * 0.5f;
        float floats[2] = {left, right};
        double doubles[2] = {left, right};
        single.processFrameFloat(floats);
        twin.processFrame(doubles);
        ASSERT_EQ(floats[0], static_cast<float>(doubles[0])) << "frame " << i;
        ASSERT_EQ(floats[1], static_cast<float>(doubles[1])) << "frame " << i;
    }
}

} // namespace
} // namespace tovrel
