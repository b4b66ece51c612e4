#include "plugin/CrossfeedEffect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace tovrel {
namespace {

std::string display(CrossfeedEffect& effect, int32_t index) {
    char text[32];
    std::memset(text, 'x', sizeof(text));
    text[31] = '\0';
    effect.onGetParamDisplay(index, text);
    return text;
}

TEST(CrossfeedIdentity, RecordAfterConstruction) {
    CrossfeedEffect effect(nullptr);
    const AEffect* record = effect.effectRecord();
    EXPECT_EQ(record->magic, 0x56737450);
    EXPECT_EQ(record->numPrograms, 1);
    EXPECT_EQ(record->numParams, 3);
    EXPECT_EQ(record->numInputs, 2);
    EXPECT_EQ(record->numOutputs, 2);
#if defined(TOVREL_EXPECT_EDITOR)
    EXPECT_EQ(record->flags, 0x1011);
#else
    EXPECT_EQ(record->flags, 0x1010); // no editor in this build
#endif
    EXPECT_EQ(record->uniqueID, 0x68784632);
    EXPECT_EQ(record->version, 1);
    EXPECT_EQ(record->ioRatio, 1.0f);
    EXPECT_EQ(record->object, &effect);
    EXPECT_EQ(record->user, nullptr);
    EXPECT_EQ(effect.currentSampleRate(), 44100.0f);
}

TEST(CrossfeedParameters, InitialValuesMatchTheFirstPreset) {
    CrossfeedEffect effect(nullptr);
    EXPECT_FLOAT_EQ(effect.getParameter(0), 0.37142858f);
    EXPECT_FLOAT_EQ(effect.getParameter(1), 0.25294116f);
    EXPECT_EQ(effect.getParameter(2), 0.25f);
    EXPECT_EQ(display(effect, 0), "6.2");
    EXPECT_EQ(display(effect, 1), "730/250");
    EXPECT_EQ(display(effect, 2), "Taskel (");
}

TEST(CrossfeedParameters, LevelParametersAreLockedWhileAPresetIsSelected) {
    CrossfeedEffect effect(nullptr);
    effect.setParameter(0, 0.5f);
    effect.setParameter(1, 0.9f);
    EXPECT_EQ(effect.filter()->level, kLevelTaskel);
    EXPECT_FLOAT_EQ(effect.getParameter(0), 0.37142858f);

    effect.setParameter(2, 0.0f); // "Off" keeps the preset's level
    EXPECT_EQ(effect.filter()->level, kLevelTaskel);
    effect.setParameter(0, 0.5f);
    EXPECT_EQ(effect.filter()->feed(), 80u);
    EXPECT_EQ(effect.filter()->cutFrequency(), 730u);
    effect.setParameter(1, 1.0f);
    EXPECT_EQ(effect.filter()->cutFrequency(), 2000u);
    EXPECT_EQ(effect.filter()->feed(), 80u);
}

TEST(CrossfeedParameters, ChoosingAPresetInstallsItsLevel) {
    CrossfeedEffect effect(nullptr);
    effect.setParameter(2, 0.75f);
    EXPECT_EQ(effect.filter()->level, kLevelCMoy);
    EXPECT_FLOAT_EQ(effect.getParameter(0), 0.35714287f);
    EXPECT_FLOAT_EQ(effect.getParameter(1), 0.2352941f);
    EXPECT_EQ(effect.getParameter(2), 0.75f);

    effect.setParameter(2, 1.0f);
    EXPECT_EQ(effect.filter()->level, kLevelJMeier);
    EXPECT_EQ(display(effect, 2), "J. Meier");
    effect.setParameter(2, 0.5f);
    EXPECT_EQ(effect.filter()->level, kLevelBs2bDefault);
    EXPECT_EQ(display(effect, 2), "BS2B Def");
}

TEST(CrossfeedParameters, PresetQuantisationBoundaries) {
    CrossfeedEffect effect(nullptr);
    effect.setParameter(2, 0.2f); // 0.2 * 5 - 0.01 = 0.99
    EXPECT_EQ(effect.selectedPreset(), 0);
    effect.setParameter(2, 0.21f);
    EXPECT_EQ(effect.selectedPreset(), 1);
    effect.setParameter(2, 0.402f);
    EXPECT_EQ(effect.selectedPreset(), 2);
    effect.setParameter(2, 0.8f);
    EXPECT_EQ(effect.selectedPreset(), 3);
    // In float, 0.802 * 5 - 0.01 still falls just short of 4.
    effect.setParameter(2, 0.802f);
    EXPECT_EQ(effect.selectedPreset(), 3);
    effect.setParameter(2, 0.803f);
    EXPECT_EQ(effect.selectedPreset(), 4);
    effect.setParameter(2, 1.003f);
    EXPECT_EQ(effect.selectedPreset(), 0);
    effect.setParameter(2, -0.5f);
    EXPECT_EQ(effect.selectedPreset(), 0);
    // Every value getParameter reports selects the same preset again.
    for (int preset = 0; preset < 5; ++preset) {
        effect.setParameter(2, static_cast<float>(preset) * 0.25f);
        EXPECT_EQ(effect.selectedPreset(), preset);
        effect.setParameter(2, effect.getParameter(2));
        EXPECT_EQ(effect.selectedPreset(), preset);
    }
}

TEST(CrossfeedParameters, RoundTripsOfTheLevelParameters) {
    CrossfeedEffect effect(nullptr);
    effect.setParameter(2, 0.0f);
    for (uint32_t feed = 10; feed <= 150; ++feed) {
        effect.setParameter(0, (static_cast<float>(feed - 10) + 0.5f) / 140.0f);
        ASSERT_EQ(effect.filter()->feed(), feed);
        effect.setParameter(0, effect.getParameter(0));
        ASSERT_EQ(effect.filter()->feed(), feed);
    }
    // The cut frequency's float truncation may lose one Hz on the way back.
    const uint32_t cuts[][2] = {{301, 300}, {302, 301}, {304, 303}};
    for (const auto& cut : cuts) {
        effect.setParameter(1, (static_cast<float>(cut[0] - 300) + 0.5f) / 1700.0f);
        ASSERT_EQ(effect.filter()->cutFrequency(), cut[0]);
        effect.setParameter(1, effect.getParameter(1));
        EXPECT_EQ(effect.filter()->cutFrequency(), cut[1]);
    }
}

TEST(CrossfeedParameters, ValuesOutsideTheRangeInstallTheFallbackLevel) {
    CrossfeedEffect effect(nullptr);
    effect.setParameter(2, 1.0f);
    effect.setParameter(2, 0.0f); // "Off" at 650 Hz, 9.5 dB
    effect.setParameter(1, 1.5f);
    EXPECT_EQ(effect.filter()->level, kFallbackLevel);

    const float hostile[] = {-0.01f,
                             1.01f,
                             468.1f,
                             1e30f,
                             -1e30f,
                             std::numeric_limits<float>::infinity(),
                             std::numeric_limits<float>::quiet_NaN()};
    for (int index = 0; index < 2; ++index) {
        for (float value : hostile) {
            effect.setParameter(2, 1.0f);
            effect.setParameter(2, 0.0f);
            effect.setParameter(index, value);
            EXPECT_EQ(effect.filter()->level, kFallbackLevel) << "parameter " << index << " value " << value;
        }
    }
    effect.setParameter(2, std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(effect.selectedPreset(), 0);
    effect.setParameter(2, std::numeric_limits<float>::infinity());
    EXPECT_EQ(effect.selectedPreset(), 0);
}

TEST(CrossfeedParameters, UnknownIndicesChangeNothing) {
    CrossfeedEffect effect(nullptr);
    effect.setParameter(3, 0.0f);
    effect.setParameter(-1, 0.0f);
    EXPECT_EQ(effect.filter()->level, kLevelTaskel);
    EXPECT_EQ(effect.getParameter(3), 0.0f);
    char text[16] = "untouched";
    effect.onGetParamName(3, text);
    effect.onGetParamLabel(-1, text);
    effect.onGetParamDisplay(7, text);
    EXPECT_STREQ(text, "untouched");
}

TEST(CrossfeedTexts, NamesLabelsAndDisplays) {
    CrossfeedEffect effect(nullptr);
    const char* names[] = {"Feed", "FCut", "Defs"};
    const char* labels[] = {" dB", " Hz/us", " "};
    for (int i = 0; i < 3; ++i) {
        char text[16];
        std::memset(text, 'x', sizeof(text));
        effect.onGetParamName(i, text);
        EXPECT_STREQ(text, names[i]);
        EXPECT_EQ(text[9], 'x'); // nothing beyond the NUL at position 8
        effect.onGetParamLabel(i, text);
        EXPECT_STREQ(text, labels[i]);
    }
    effect.setParameter(2, 0.0f);
    effect.setParameter(1, 0.0f);
    EXPECT_EQ(display(effect, 1), "300/620");
    effect.setParameter(1, 1.0f);
    EXPECT_EQ(display(effect, 1), "2000/90");
    effect.setParameter(0, 0.0f);
    EXPECT_EQ(display(effect, 0), "1.0");
    effect.setParameter(0, 1.0f);
    EXPECT_EQ(display(effect, 0), "15.0");
    effect.setParameter(2, 0.25f);
    EXPECT_EQ(display(effect, 1), "730/250");
    effect.setParameter(2, 0.5f);
    EXPECT_EQ(display(effect, 1), "700/260");
    effect.setParameter(2, 1.0f);
    EXPECT_EQ(display(effect, 1), "650/280");
    EXPECT_EQ(display(effect, 2), "J. Meier");
    EXPECT_EQ(display(effect, 2).size(), 8u);
}

TEST(CrossfeedTexts, ProgramNameKeepsTwentyFourCharacters) {
    CrossfeedEffect effect(nullptr);
    char text[40];
    std::memset(text, 'x', sizeof(text));
    effect.onGetProgramName(text);
    EXPECT_STREQ(text, "Default");
    char longName[] = "A programme name longer than twenty-four";
    effect.onSetProgramName(longName);
    std::memset(text, 'x', sizeof(text));
    effect.onGetProgramName(text);
    EXPECT_EQ(std::string(text), std::string(longName, 24));
    EXPECT_EQ(text[25], 'x');
}

TEST(CrossfeedSampleRate, RateReachesTheFilterOnly) {
    CrossfeedEffect effect(nullptr);
    effect.onSetSampleRate(48000.7f);
    EXPECT_EQ(effect.filter()->sampleRate, 48000u);
    EXPECT_EQ(effect.currentSampleRate(), 44100.0f);
    effect.onSetSampleRate(-48000.0f);
    EXPECT_EQ(effect.filter()->sampleRate, 44100u);
    effect.onSetSampleRate(std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(effect.filter()->sampleRate, 44100u);
}

TEST(CrossfeedProcessing, BlocksRunTheFilterPerFrameAndMayBeInPlace) {
    CrossfeedEffect effect(nullptr);
    CrossfeedEngine reference;
    double left[64];
    double right[64];
    double expected[64][2];
    for (int i = 0; i < 64; ++i) {
        left[i] = std::sin(i * 0.3) * 0.8;
        right[i] = (i % 9) ? -0.25 : 0.9;
        expected[i][0] = left[i];
        expected[i][1] = right[i];
        reference.filter()->processFrame(expected[i]);
    }
    double* channels[2] = {left, right};
    effect.processDoubleReplacing(channels, channels, 64);
    for (int i = 0; i < 64; ++i) {
        ASSERT_EQ(left[i], expected[i][0]) << i;
        ASSERT_EQ(right[i], expected[i][1]) << i;
    }
}

TEST(CrossfeedProcessing, FloatBlocksMatchTheFilterAndEmptyBlocksTouchNothing) {
    CrossfeedEffect effect(nullptr);
    CrossfeedEngine reference;
    float in0[32], in1[32], out0[32], out1[32];
    for (int i = 0; i < 32; ++i) {
        in0[i] = static_cast<float>(i % 5) * 0.2f;
        in1[i] = -in0[i] * 0.5f;
    }
    float* inputs[2] = {in0, in1};
    float* outputs[2] = {out0, out1};
    std::memset(out0, 0x7f, sizeof(out0));
    effect.processReplacing(inputs, outputs, 0);
    effect.processReplacing(inputs, outputs, -5);
    EXPECT_EQ(std::memcmp(out0, std::string(sizeof(out0), '\x7f').data(), sizeof(out0)), 0);
    EXPECT_EQ(effect.filter()->lastInput[0], 0.0);

    effect.processReplacing(inputs, outputs, 32);
    for (int i = 0; i < 32; ++i) {
        float frame[2] = {in0[i], in1[i]};
        reference.filter()->processFrameFloat(frame);
        ASSERT_EQ(out0[i], frame[0]);
        ASSERT_EQ(out1[i], frame[1]);
    }
}

} // namespace
} // namespace tovrel
