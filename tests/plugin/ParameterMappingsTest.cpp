#include "plugin/ParameterMappings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tovrel {
namespace {

// A host that sets a level it knows (the renderer, the response probe) aims at the middle of the
// step; a host that saves the reported value and sets it again must get the same level back.
TEST(ParameterMappings, EveryFeedAndCutRoundTripsThroughHostValues) {
    float previous = -1.0f;
    for (uint32_t feed = kMinFeed; feed <= kMaxFeed; ++feed) {
        const auto tenths = static_cast<int32_t>(feed);
        ASSERT_EQ(feedFromParameter(centredParameterForFeed(tenths)), tenths);
        const float reported = parameterFromFeed(feed);
        ASSERT_EQ(feedFromParameter(reported), tenths);
        ASSERT_GT(reported, previous) << feed;
        ASSERT_LE(reported, 1.0f);
        previous = reported;
    }
    previous = -1.0f;
    for (uint32_t cut = kMinCutFrequency; cut <= kMaxCutFrequency; ++cut) {
        const auto hz = static_cast<int32_t>(cut);
        ASSERT_EQ(cutFromParameter(centredParameterForCut(hz)), hz);
        const float reported = parameterFromCut(cut);
        ASSERT_EQ(cutFromParameter(reported), hz);
        ASSERT_GT(reported, previous) << cut;
        ASSERT_LE(reported, 1.0f);
        // The plain product, or the float just above it where the product maps one hertz lower.
        const float product = static_cast<float>(cut - kMinCutFrequency) * kCutStepValue;
        if (reported != product) {
            ASSERT_EQ(reported, std::nextafter(product, 2.0f)) << cut;
            ASSERT_EQ(cutFromParameter(product), hz - 1) << cut;
        }
        previous = reported;
    }
    EXPECT_EQ(feedFromParameter(0.0f), static_cast<int64_t>(kMinFeed));
    EXPECT_EQ(feedFromParameter(1.0f), static_cast<int64_t>(kMaxFeed));
    EXPECT_EQ(cutFromParameter(0.0f), static_cast<int64_t>(kMinCutFrequency));
    EXPECT_EQ(cutFromParameter(1.0f), static_cast<int64_t>(kMaxCutFrequency));
}

// NaN, infinities and values far outside 0..1 must neither wrap into a valid half nor overflow.
TEST(ParameterMappings, HostValuesOutsideTheRangeGiveNoValidLevelHalf) {
    const float inf = std::numeric_limits<float>::infinity();
    for (float value : {std::nanf(""), inf, -inf, 1e30f, -1e30f, 3e9f / 1700.0f, -0.5f, 1.01f}) {
        const uint32_t feed = levelHalf(feedFromParameter(value));
        const uint32_t cut = levelHalf(cutFromParameter(value));
        EXPECT_TRUE(feed < kMinFeed || feed > kMaxFeed) << value << " gives feed " << feed;
        EXPECT_TRUE(cut < kMinCutFrequency || cut > kMaxCutFrequency) << value << " gives cut " << cut;
    }
}

TEST(ParameterMappings, ReplacingOneLevelHalfKeepsTheOther) {
    EXPECT_EQ(withFeed(kLevelJMeier, 62), makeLevel(650, 62));
    EXPECT_EQ(withCutFrequency(kLevelJMeier, 730), makeLevel(730, 95));
    // The out-of-range marker stays in its own half, so the fallback is installed, not a mix.
    EXPECT_EQ(cutFrequencyOf(withFeed(kLevelJMeier, 0xFFFF)), 650u);
    EXPECT_EQ(feedOf(withCutFrequency(kLevelJMeier, 0xFFFF)), 95u);
    EXPECT_EQ(feedOf(withCutFrequency(withFeed(kLevelTaskel, 150), 2000)), 150u);
}

// Each reported "Defs" value selects its preset again, and the selection never goes down as the
// value rises.
TEST(ParameterMappings, ReportedPresetValuesSelectTheirPreset) {
    for (int32_t preset = 0; preset <= 4; ++preset)
        EXPECT_EQ(presetFromParameter(parameterFromPreset(preset)), preset);
    int32_t previous = presetFromParameter(0.0f);
    for (int step = 1; step <= 1000; ++step) {
        const int32_t selected = presetFromParameter(static_cast<float>(step) / 1000.0f);
        ASSERT_GE(selected, previous) << step;
        previous = selected;
    }
    EXPECT_LT(presetFromParameter(0.2f), 1);
    EXPECT_GT(presetFromParameter(1.25f), 4);
    EXPECT_LT(presetFromParameter(std::nanf("")), 0);
}

// What the "FCut" display shows beside the frequency: 730 Hz is "730/250".
TEST(ParameterMappings, DelayBesideTheCutFrequency) {
    EXPECT_EQ(interauralDelay(730), 250);
    EXPECT_EQ(interauralDelay(kMinCutFrequency), 620);
    EXPECT_EQ(interauralDelay(kMaxCutFrequency), 90);
    EXPECT_EQ(interauralDelay(kMinCutFrequency - 1), 0);
    EXPECT_EQ(interauralDelay(kMaxCutFrequency + 1), 0);
    EXPECT_EQ(interauralDelay(0), 0);
    int previous = interauralDelay(kMinCutFrequency);
    for (uint32_t cut = kMinCutFrequency + 1; cut <= kMaxCutFrequency; ++cut) {
        const int delay = interauralDelay(cut);
        ASSERT_LE(delay, previous) << cut;
        ASSERT_EQ(delay % 10, 0) << cut;
        previous = delay;
    }
}

} // namespace
} // namespace tovrel
