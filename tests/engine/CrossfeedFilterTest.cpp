#include "engine/CrossfeedEngine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace tovrel {
namespace {

// The state after the engine's construction, at 44100 Hz with the fallback level.
CrossfeedFilter freshFilter() {
    CrossfeedEngine engine;
    return *engine.filter();
}

bool historyIsClear(const CrossfeedFilter& f) {
    return f.lastInput[0] == 0.0 && f.lastInput[1] == 0.0 && f.lastLow[0] == 0.0 && f.lastLow[1] == 0.0 &&
           f.lastHigh[0] == 0.0 && f.lastHigh[1] == 0.0;
}

void feed(CrossfeedFilter& f, int frames, double left, double right) {
    for (int i = 0; i < frames; ++i) {
        double pair[2] = {left, right};
        f.processFrame(pair);
    }
}

TEST(CrossfeedCoefficients, NewEngineStartsAtDefaultRateAndFallbackLevel) {
    CrossfeedEngine engine;
    ASSERT_NE(engine.filter(), nullptr);
    EXPECT_EQ(engine.filter()->level, 0x003E02DAu);
    EXPECT_EQ(engine.filter()->sampleRate, 44100u);
    EXPECT_EQ(engine.filter()->cutFrequency(), 730u);
    EXPECT_EQ(engine.filter()->feed(), 62u);
    EXPECT_TRUE(historyIsClear(*engine.filter()));
}

TEST(CrossfeedCoefficients, MatchReferenceAt730Hz62dB) {
    const CrossfeedFilter f = freshFilter();
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
    CrossfeedFilter f = freshFilter();
    f.setLevel(0x002D02BC);
    EXPECT_NEAR(f.lowA0, 0.0436377678804, 1e-12);
    EXPECT_NEAR(f.lowB1, 0.905078951271, 1e-12);
    EXPECT_NEAR(f.highA0, 0.969844561979, 1e-12);
    EXPECT_NEAR(f.highB1, 0.867860136319, 1e-12);
    EXPECT_NEAR(f.gain, 0.812005663462, 1e-12);
}

TEST(CrossfeedLevelValidation, EdgesOfTheRangeAreKept) {
    CrossfeedFilter f = freshFilter();
    f.setLevel(makeLevel(300, 150));
    EXPECT_EQ(f.level, makeLevel(300, 150));
    f.setLevel(makeLevel(2000, 10));
    EXPECT_EQ(f.level, makeLevel(2000, 10));
}

TEST(CrossfeedLevelValidation, EitherHalfOutOfRangeInstallsTheWholeFallback) {
    for (LevelWord bad : {makeLevel(700, 151), makeLevel(700, 9), makeLevel(299, 45), makeLevel(2001, 45)}) {
        CrossfeedFilter f = freshFilter();
        f.setLevel(makeLevel(650, 95));
        f.setLevel(bad);
        EXPECT_EQ(f.level, kFallbackLevel) << std::hex << bad;
        const CrossfeedFilter reference = freshFilter();
        EXPECT_EQ(f.lowA0, reference.lowA0);
        EXPECT_EQ(f.gain, reference.gain);
    }
}

TEST(CrossfeedLevelValidation, SameLevelTwiceComputesOnce) {
    CrossfeedFilter f = freshFilter();
    f.setLevel(makeLevel(650, 95));
    f.lowB1 = 123.0; // a recomputation would overwrite this
    f.setLevel(makeLevel(650, 95));
    EXPECT_EQ(f.lowB1, 123.0);
    f.setLevel(makeLevel(651, 95));
    EXPECT_LT(f.lowB1, 1.0);
}

TEST(CrossfeedSampleRate, EdgesAreKeptAndOutsideFallsBackTo44100) {
    CrossfeedFilter f = freshFilter();
    f.setSampleRate(2000);
    EXPECT_EQ(f.sampleRate, 2000u);
    f.setSampleRate(384000);
    EXPECT_EQ(f.sampleRate, 384000u);
    f.setSampleRate(1999);
    EXPECT_EQ(f.sampleRate, 44100u);
    f.setSampleRate(384001);
    EXPECT_EQ(f.sampleRate, 44100u);
}

TEST(CrossfeedSampleRate, InvalidRateRecomputesAndClearsEveryTime) {
    CrossfeedFilter f = freshFilter();
    f.setSampleRate(1999);
    feed(f, 10, 0.5, -0.25);
    ASSERT_FALSE(historyIsClear(f));
    // The stored rate is 44100, so the same invalid rate counts as a change again.
    f.setSampleRate(1999);
    EXPECT_TRUE(historyIsClear(f));
}

TEST(CrossfeedHistory, SameRateTwiceClearsOnce) {
    CrossfeedFilter f = freshFilter();
    f.setSampleRate(48000);
    feed(f, 10, 0.5, -0.25);
    f.setSampleRate(48000);
    EXPECT_FALSE(historyIsClear(f));
    f.setSampleRate(96000);
    EXPECT_TRUE(historyIsClear(f));
}

TEST(CrossfeedHistory, LevelChangeKeepsHistory) {
    CrossfeedFilter f = freshFilter();
    feed(f, 10, 0.5, -0.25);
    const double low0 = f.lastLow[0];
    const double high1 = f.lastHigh[1];
    f.setLevel(kLevelJMeier);
    EXPECT_EQ(f.lastLow[0], low0);
    EXPECT_EQ(f.lastHigh[1], high1);
    EXPECT_EQ(f.lastInput[0], 0.5);
}

TEST(CrossfeedProcessing, FirstFramesFollowTheFilterEquations) {
    CrossfeedFilter f = freshFilter();
    double pair[2] = {1.0, 0.0};
    f.processFrame(pair);
    // Own channel through the high boost, the other through the low pass.
    EXPECT_EQ(pair[0], (f.highA0 * 1.0 + 0.0) * f.gain);
    EXPECT_EQ(pair[1], (0.0 + f.lowA0) * f.gain);

    double next[2] = {0.0, 0.0};
    f.processFrame(next);
    const double low0 = f.lowA0 * f.lowB1;
    const double high0 = 1.0 * f.highA1 + f.highA0 * f.highB1;
    EXPECT_EQ(next[0], high0 * f.gain);
    EXPECT_EQ(next[1], low0 * f.gain);
}

TEST(CrossfeedProcessing, SilenceInGivesSilenceOut) {
    CrossfeedFilter f = freshFilter();
    for (int i = 0; i < 1000; ++i) {
        double pair[2] = {0.0, 0.0};
        f.processFrame(pair);
        ASSERT_EQ(pair[0], 0.0);
        ASSERT_EQ(pair[1], 0.0);
    }
}

TEST(CrossfeedProcessing, FullScaleConvergesTowardsUnity) {
    CrossfeedFilter f = freshFilter();
    double pair[2] = {1.0, 1.0};
    for (int i = 0; i < 20000; ++i) {
        pair[0] = pair[1] = 1.0;
        f.processFrame(pair);
    }
    EXPECT_NEAR(pair[0], 1.0, 1e-9);
    EXPECT_NEAR(pair[1], 1.0, 1e-9);
    EXPECT_LE(pair[0], 1.0);
}

TEST(CrossfeedProcessing, OverloadIsClippedToExactlyOne) {
    CrossfeedFilter f = freshFilter();
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
    CrossfeedFilter single = freshFilter();
    single.setLevel(kLevelJMeier);
    CrossfeedFilter twin = single;
    uint32_t seed = 12345;
    for (int i = 0; i < 5000; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const float left = static_cast<float>(static_cast<int32_t>(seed)) * (1.0f / 2147483648.0f);
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
