#include "plugin/ParameterMappings.h"
#include "support/KeptValue.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tovrel {
namespace {

// A parameter as the mappings see it: its steps, the host value each step reports, the step a
// host value selects, and how far the reported value may lie from the plain step / steps.
struct Parameter {
    const char* name;
    int64_t lowest;
    int64_t highest;
    float steps;
    float (*report)(int64_t step);
    int64_t (*select)(float value);
    double tolerance; // in steps
};
const Parameter kParameters[] = {
    {"Feed", kMinFeed, kMaxFeed, kFeedSteps,
     [](int64_t feed) { return parameterFromFeed(static_cast<uint32_t>(feed)); }, feedFromParameter, 0.5},
    {"FCut", kMinCutFrequency, kMaxCutFrequency, kCutSteps,
     [](int64_t cut) { return parameterFromCut(static_cast<uint32_t>(cut)); }, cutFromParameter, 0.5},
    {"Defs", 0, 4, 4.0f, [](int64_t preset) { return parameterFromPreset(static_cast<int32_t>(preset)); },
     [](float value) { return static_cast<int64_t>(presetFromParameter(value)); }, 0.0},
};

// A host that keeps a reported value and sets it again gets the same step back, so the value it
// reads then is the same too, however often it does so. The reported values lie within half a
// step of the plain step / steps ("Defs" exactly on n / 4), inside 0..1 and rising.
TEST(ParameterMappings, EveryStepSurvivesHostsThatKeepValuesAsText) {
    for (const Parameter& parameter : kParameters) {
        float previous = -1.0f;
        for (int64_t step = parameter.lowest; step <= parameter.highest; ++step) {
            const float reported = parameter.report(step);
            const double plain = static_cast<double>(step - parameter.lowest) / parameter.steps;
            // A float's rounding may put the middle of a step a hair beyond half a step; "Defs" is exact.
            const double allowed =
                parameter.tolerance > 0.0 ? parameter.tolerance / parameter.steps + 1e-7 : 0.0;
            ASSERT_LE(std::fabs(reported - plain), allowed) << parameter.name << " " << step;
            ASSERT_GT(reported, previous) << parameter.name << " " << step;
            ASSERT_LE(reported, 1.0f) << parameter.name << " " << step;
            ASSERT_GE(reported, 0.0f) << parameter.name << " " << step;
            previous = reported;
            for (const char* format : test::kKeptValueFormats)
                ASSERT_EQ(parameter.select(test::keptValue(format, reported)), step)
                    << parameter.name << " kept as " << test::keptValueName(format);
        }
        EXPECT_EQ(parameter.select(0.0f), parameter.lowest) << parameter.name;
        EXPECT_EQ(parameter.select(1.0f), parameter.highest) << parameter.name;
    }
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

// Values in dB and Hz (the LV2 controls) go to the nearest step; the filter replaces a level with
// a half outside its range, or not a number at all, by the fallback level whole.
TEST(ParameterMappings, UnitValuesTakeTheNearestStepOrTheFallback) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        float feed;
        float cut;
        LevelWord level;
    } cases[] = {
        {6.2f, 730.0f, kLevelTaskel},         {9.5f, 650.0f, kLevelJMeier},
        {1.0f, 300.0f, makeLevel(300, 10)},   {15.0f, 2000.0f, makeLevel(2000, 150)},
        {6.249f, 299.5f, makeLevel(300, 62)}, {6.251f, 2000.49f, makeLevel(2000, 63)},
        {0.94f, 730.0f, kFallbackLevel},      {15.06f, 730.0f, kFallbackLevel},
        {6.0f, 299.4f, kFallbackLevel},       {6.0f, 2000.6f, kFallbackLevel},
        {nan, 700.0f, kFallbackLevel},        {6.0f, -1e30f, kFallbackLevel},
        {1e30f, 700.0f, kFallbackLevel},      {-6553.5f, 700.0f, kFallbackLevel},
    };
    for (const auto& c : cases)
        EXPECT_EQ(validLevel(levelFromUnits(c.feed, c.cut)), c.level) << c.feed << " dB, " << c.cut << " Hz";
}

// What the LV2 UI writes to the ports for each feed and cut frequency is read back as the same
// step.
TEST(ParameterMappings, UnitValuesWrittenForEachStepComeBackAsIt) {
    for (uint32_t feed = kMinFeed; feed <= kMaxFeed; ++feed)
        EXPECT_EQ(feedFromDecibels(decibelsFromFeed(feed)), static_cast<int64_t>(feed)) << feed;
    for (uint32_t cut = kMinCutFrequency; cut <= kMaxCutFrequency; ++cut)
        EXPECT_EQ(cutFromHertz(hertzFromCut(cut)), static_cast<int64_t>(cut)) << cut;
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
