#include "gui/CParamDisplay.h"
#include "plugin/CrossfeedEditor.h"
#include "plugin/ParameterMappings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace tovrel {
namespace {

std::string shown(ValueToText converter, float value) {
    char text[kDisplayTextSize];
    converter(value, text);
    return text;
}

TEST(CrossfeedEditorTexts, FeedInDecibels) {
    EXPECT_EQ(shown(&CrossfeedEditor::feedText, 0.0f), "1.0 dB");
    EXPECT_EQ(shown(&CrossfeedEditor::feedText, 1.0f), "15.0 dB");
    EXPECT_EQ(shown(&CrossfeedEditor::feedText, 0.5f), "8.0 dB");
    // A value no slider gives shows as no valid feed, without wrapping round.
    EXPECT_EQ(shown(&CrossfeedEditor::feedText, std::nanf("")), "9999.9 dB");
}

TEST(CrossfeedEditorTexts, CutFrequencyWithItsDelay) {
    EXPECT_EQ(shown(&CrossfeedEditor::cutText, 0.0f), "300 Hz (620 us delay)");
    EXPECT_EQ(shown(&CrossfeedEditor::cutText, 1.0f), "2000 Hz (90 us delay)");
    EXPECT_EQ(shown(&CrossfeedEditor::cutText, 0.5f), "1150 Hz (160 us delay)");
}

// What the effect reports for a level, the middle of its step, shows that level; so does the
// plain (step) times the float nearest 1 / steps, which older versions reported and which the display's added
// hundredth lifts over the float rounding that would otherwise show one hertz less.
TEST(CrossfeedEditorTexts, ReportedLevelsShowTheirLevel) {
    for (uint32_t feed = kMinFeed; feed <= kMaxFeed; ++feed) {
        const std::string text = std::to_string(feed / 10) + "." + std::to_string(feed % 10) + " dB";
        ASSERT_EQ(shown(&CrossfeedEditor::feedText, parameterFromFeed(feed)), text);
        ASSERT_EQ(
            shown(&CrossfeedEditor::feedText, static_cast<float>(feed - kMinFeed) * (1.0f / kFeedSteps)),
            text);
    }
    for (uint32_t cut = kMinCutFrequency; cut <= kMaxCutFrequency; ++cut) {
        const std::string text =
            std::to_string(cut) + " Hz (" + std::to_string(interauralDelay(cut)) + " us delay)";
        ASSERT_EQ(shown(&CrossfeedEditor::cutText, parameterFromCut(cut)), text);
        ASSERT_EQ(
            shown(&CrossfeedEditor::cutText, static_cast<float>(cut - kMinCutFrequency) * (1.0f / kCutSteps)),
            text);
    }
}

TEST(CrossfeedEditorTexts, PresetNamesInFull) {
    EXPECT_EQ(shown(&CrossfeedEditor::presetText, parameterFromPreset(0)), "Off");
    EXPECT_EQ(shown(&CrossfeedEditor::presetText, parameterFromPreset(1)), "Taskel (Orvalen)");
    EXPECT_EQ(shown(&CrossfeedEditor::presetText, parameterFromPreset(2)), "BS2B Default");
    EXPECT_EQ(shown(&CrossfeedEditor::presetText, parameterFromPreset(3)), "C. Moy");
    EXPECT_EQ(shown(&CrossfeedEditor::presetText, parameterFromPreset(4)), "J. Meier");
    EXPECT_EQ(shown(&CrossfeedEditor::presetText, 0.2f), "Off");
    EXPECT_EQ(shown(&CrossfeedEditor::presetText, 0.2003f), "Taskel (Orvalen)");
    // Values a host should never send still name a preset rather than read past the table.
    EXPECT_EQ(shown(&CrossfeedEditor::presetText, 7.0f), "J. Meier");
    EXPECT_EQ(shown(&CrossfeedEditor::presetText, -3.0f), "Off");
}

} // namespace
} // namespace tovrel
