#include "plugin/ParameterMappings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tovrel {
namespace {

// Every step from `lowest` to `highest`: the centred value and the reported value select it, and
// the reported values rise with the step and stay within 0..1.
template <typename Select, typename Report, typename Centre>
void expectEveryStepRoundTrips(uint32_t lowest, uint32_t highest, Select select, Report report,
                               Centre centre) {
    float previous = -1.0f;
    for (uint32_t step = lowest; step <= highest; ++step) {
        const auto wanted = static_cast<int64_t>(step);
        ASSERT_EQ(select(centre(static_cast<int32_t>(step))), wanted);
        const float reported = report(step);
        ASSERT_EQ(select(reported), wanted);
        ASSERT_GT(reported, previous) << step;
        ASSERT_LE(reported, 1.0f) << step;
        previous = reported;
    }
    EXPECT_EQ(select(0.0f), static_cast<int64_t>(lowest));
    EXPECT_EQ(select(1.0f), static_cast<int64_t>(highest));
}

// A host that sets a level it knows (the renderer, the response probe) aims at the middle of the
// step; a host that saves the reported value and sets it again must get the same level back.
TEST(ParameterMappings, EveryFeedAndCutRoundTripsThroughHostValues) {
    expectEveryStepRoundTrips(kMinFeed, kMaxFeed, feedFromParameter, parameterFromFeed,
                              centredParameterForFeed);
    expectEveryStepRoundTrips(kMinCutFrequency, kMaxCutFrequency, cutFromParameter, parameterFromCut,
                              centredParameterForCut);
}

// The reported cut value is the plain product, or the float just above it where the product
// maps one hertz lower.
TEST(ParameterMappings, ReportedCutIsTheProductOrTheNextFloat) {
    int moved = 0;
    for (uint32_t cut = kMinCutFrequency; cut <= kMaxCutFrequency; ++cut) {
        const float product = static_cast<float>(cut - kMinCutFrequency) * kCutStepValue;
        const float reported = parameterFromCut(cut);
        if (reported != product) {
            ++moved;
            ASSERT_EQ(reported, std::nextafter(product, 2.0f)) << cut;
            ASSERT_EQ(cutFromParameter(product), static_cast<int64_t>(cut) - 1) << cut;
        }
    }
    EXPECT_GT(moved, 0);
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
