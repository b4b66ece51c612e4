#include "gui/CParamDisplay.h"
#include "plugin/CrossfeedEditor.h"

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
    EXPECT_EQ(shown(&CrossfeedEditor::feedText, (62 - 10) * 0.0071428571827709675f), "6.2 dB");
    // A value no slider gives shows as no valid feed, without wrapping round.
    EXPECT_EQ(shown(&CrossfeedEditor::feedText, std::nanf("")), "9999.9 dB");
}

TEST(CrossfeedEditorTexts, CutFrequencyWithItsDelay) {
    EXPECT_EQ(shown(&CrossfeedEditor::cutText, 0.0f), "300 Hz (620 us delay)");
    EXPECT_EQ(shown(&CrossfeedEditor::cutText, 1.0f), "2000 Hz (90 us delay)");
    EXPECT_EQ(shown(&CrossfeedEditor::cutText, 0.5f), "1150 Hz (160 us delay)");
    // The effect reports a stored cut as (cut - 300) / 1700; the display shows that cut exactly,
    // even where the effect's own conversion would lose a hertz.
    for (int cut : {301, 302, 304, 730, 1999})
        EXPECT_EQ(shown(&CrossfeedEditor::cutText, static_cast<float>(cut - 300) * 0.0005882352706976235f)
                      .substr(0, std::to_string(cut).size() + 3),
                  std::to_string(cut) + " Hz");
}

TEST(CrossfeedEditorTexts, PresetNamesInFull) {
    EXPECT_EQ(shown(&CrossfeedEditor::presetText, 0.0f), "Off");
    EXPECT_EQ(shown(&CrossfeedEditor::presetText, 0.25f), "Taskel (Orvalen)");
    EXPECT_EQ(shown(&CrossfeedEditor::presetText, 0.5f), "BS2B Default");
    EXPECT_EQ(shown(&CrossfeedEditor::presetText, 0.75f), "C. Moy");
    EXPECT_EQ(shown(&CrossfeedEditor::presetText, 1.0f), "J. Meier");
    EXPECT_EQ(shown(&CrossfeedEditor::presetText, 0.2f), "Off");
    EXPECT_EQ(shown(&CrossfeedEditor::presetText, 0.2003f), "Taskel (Orvalen)");
    // Values a host should never send still name a preset rather than read past the table.
    EXPECT_EQ(shown(&CrossfeedEditor::presetText, 7.0f), "J. Meier");
    EXPECT_EQ(shown(&CrossfeedEditor::presetText, -3.0f), "Off");
}

} // namespace
} // namespace tovrel
