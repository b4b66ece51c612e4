#include "plugin/CrossfeedEffect.h"
#include "plugin/ParameterMappings.h"
#include "plugin/Presets.h"
#include "support/RecordingHost.h"
#include "tools/vsthost/SeededRandom.h"
#include "tools/vsthost/StereoBuffers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace tovrel {
namespace {

std::string display(CrossfeedEffect& effect, int32_t index) {
    char text[32];
    std::memset(text, 'x', sizeof(text));
    text[31] = '\0';
    effect.onGetParamDisplay(index, text);
    return text;
}

// What a host stores for the effect: the three parameter values.
struct SavedValues {
    float value[3];
    bool operator==(const SavedValues& other) const {
        return value[0] == other.value[0] && value[1] == other.value[1] && value[2] == other.value[2];
    }
};

SavedValues save(CrossfeedEffect& effect) {
    return SavedValues{{effect.getParameter(0), effect.getParameter(1), effect.getParameter(2)}};
}

// The six orders in which a host may set the three values.
constexpr int kOrders[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};

std::unique_ptr<CrossfeedEffect> restore(const SavedValues& saved, const int (&order)[3]) {
    auto effect = std::make_unique<CrossfeedEffect>(nullptr);
    for (int index : order)
        effect->setParameter(index, saved.value[index]);
    return effect;
}

// A level set the way a user sets it: "Off", then the two level parameters.
SavedValues customSession(uint32_t feed, uint32_t cut) {
    CrossfeedEffect effect(nullptr);
    effect.setParameter(2, 0.0f);
    effect.setParameter(0, (static_cast<float>(feed - 10) + 0.5f) / 140.0f);
    effect.setParameter(1, (static_cast<float>(cut - 300) + 0.5f) / 1700.0f);
    EXPECT_EQ(effect.filter()->currentLevel(), makeLevel(cut, feed));
    return save(effect);
}

// Restores the saved values in every order, two save-restore cycles each, and checks that each
// restored effect holds the preset and level and saves exactly the same values again.
void expectRecalledInEveryOrder(const SavedValues& saved, int32_t preset, LevelWord level) {
    for (int first = 0; first < 6; ++first) {
        SavedValues current = saved;
        for (int cycle = 0; cycle < 2; ++cycle) {
            auto effect = restore(current, kOrders[(first + cycle) % 6]);
            ASSERT_EQ(effect->selectedPreset(), preset) << "order " << first << " cycle " << cycle;
            ASSERT_EQ(effect->filter()->currentLevel(), level) << "order " << first << " cycle " << cycle;
            current = save(*effect);
            ASSERT_TRUE(current == saved) << "order " << first << " cycle " << cycle;
        }
    }
}

TEST(CrossfeedIdentity, RecordAfterConstruction) {
    CrossfeedEffect effect(nullptr);
    const AEffect* record = effect.effectRecord();
    EXPECT_EQ(record->magic, 0x56737450);
    EXPECT_EQ(record->numPrograms, 1);
    EXPECT_EQ(record->numParams, 3);
    EXPECT_EQ(record->numInputs, 2);
    EXPECT_EQ(record->numOutputs, 2);
    EXPECT_EQ(record->flags, 0x1010); // the effect alone: whoever makes it attaches an editor
    EXPECT_EQ(record->uniqueID, 0x68784632);
    EXPECT_EQ(record->version, 1);
    EXPECT_EQ(record->ioRatio, 1.0f);
    EXPECT_EQ(record->object, &effect);
    EXPECT_EQ(record->user, nullptr);
    EXPECT_EQ(effect.currentSampleRate(), 44100.0f);
}

TEST(CrossfeedParameters, InitialValuesMatchTheFirstPreset) {
    CrossfeedEffect effect(nullptr);
    EXPECT_FLOAT_EQ(effect.getParameter(0), parameterFromFeed(62));
    EXPECT_FLOAT_EQ(effect.getParameter(1), parameterFromCut(730));
    EXPECT_EQ(effect.getParameter(2), 0.25f);
    EXPECT_EQ(display(effect, 0), "6.2");
    EXPECT_EQ(display(effect, 1), "730/250");
    EXPECT_EQ(display(effect, 2), "Taskel (");
}

TEST(CrossfeedParameters, LevelParametersAreLockedWhileAPresetIsSelected) {
    CrossfeedEffect effect(nullptr);
    effect.setParameter(0, 0.5f);
    effect.setParameter(1, 0.9f);
    EXPECT_EQ(effect.filter()->currentLevel(), kLevelTaskel);
    EXPECT_FLOAT_EQ(effect.getParameter(0), parameterFromFeed(62));
    EXPECT_FLOAT_EQ(effect.getParameter(1), parameterFromCut(730));

    effect.setParameter(2, 0.25f); // choosing the preset again forgets the locked values
    effect.setParameter(2, 0.0f);  // "Off" keeps the preset's level
    EXPECT_EQ(effect.filter()->currentLevel(), kLevelTaskel);
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
    EXPECT_EQ(effect.filter()->currentLevel(), kLevelCMoy);
    EXPECT_FLOAT_EQ(effect.getParameter(0), parameterFromFeed(60));
    EXPECT_FLOAT_EQ(effect.getParameter(1), parameterFromCut(700));
    EXPECT_EQ(effect.getParameter(2), 0.75f);

    effect.setParameter(2, 1.0f);
    EXPECT_EQ(effect.filter()->currentLevel(), kLevelJMeier);
    EXPECT_EQ(display(effect, 2), "J. Meier");
    effect.setParameter(2, 0.5f);
    EXPECT_EQ(effect.filter()->currentLevel(), kLevelBs2bDefault);
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

TEST(SessionRecall, CustomLevelsComeBackInEveryOrder) {
    // 8.0 dB at 640 Hz came back as the first preset's 6.2 dB at 730 Hz when "Defs" was set last.
    expectRecalledInEveryOrder(customSession(80, 640), 0, makeLevel(640, 80));

    const uint32_t feeds[] = {10, 62, 95, 150};
    const uint32_t cuts[] = {300, 301, 650, 1234, 1999, 2000};
    for (uint32_t feed : feeds)
        for (uint32_t cut : cuts)
            expectRecalledInEveryOrder(customSession(feed, cut), 0, makeLevel(cut, feed));
    SeededRandom random(1234);
    for (int n = 0; n < 16; ++n) {
        const uint32_t feed = 10 + random.below(141);
        const uint32_t cut = 300 + random.below(1701);
        expectRecalledInEveryOrder(customSession(feed, cut), 0, makeLevel(cut, feed));
    }
}

TEST(SessionRecall, PresetsComeBackInEveryOrder) {
    for (int32_t preset = 1; preset < kPresetCount; ++preset) {
        CrossfeedEffect effect(nullptr);
        effect.setParameter(2, 0.0f);
        effect.setParameter(0, 1.0f); // a custom level before the preset replaces it
        effect.setParameter(2, static_cast<float>(preset) * 0.25f);
        expectRecalledInEveryOrder(save(effect), preset, kPresetLevels[preset]);

        // "Off" right after the preset: its level, now free.
        effect.setParameter(2, 0.0f);
        expectRecalledInEveryOrder(save(effect), 0, kPresetLevels[preset]);
    }
}

// Earlier builds reported the plain products for both level parameters; their sessions hold
// those. Set in any order, they restore the level they stand for: the feed that was saved, and the
// cut frequency 300 + trunc(value x 1700) computed in float, which for some products is one hertz
// below the one saved (301, 302 and 304 Hz come back as 300, 301 and 303 Hz).
TEST(SessionRecall, ValuesSavedByEarlierBuildsRestoreInEveryOrder) {
    struct Saved {
        uint32_t feed;
        uint32_t cut;
        uint32_t restoredCut; // 0: work it out from the value
    };
    std::vector<Saved> sessions = {
        {62, 301, 300}, {95, 302, 301}, {10, 304, 303}, {150, 300, 300}, {80, 2000, 0}};
    for (uint32_t cut = 300; cut <= 2000; cut += 37)
        sessions.push_back({10 + cut % 141, cut, 0});
    for (const Saved& session : sessions) {
        const float cutValue = static_cast<float>(session.cut - 300) * 0.0005882352706976235f;
        const SavedValues saved{
            {static_cast<float>(session.feed - 10) * 0.0071428571827709675f, cutValue, 0.0f}};
        const float scaled = cutValue * 1700.0f;
        const auto restoredCut =
            session.restoredCut ? session.restoredCut : 300 + static_cast<uint32_t>(scaled);
        for (const auto& order : kOrders) {
            const auto effect = restore(saved, order);
            const std::string where = std::to_string(session.feed) + " at " + std::to_string(session.cut) +
                                      " Hz, order " + std::to_string(&order - kOrders);
            ASSERT_EQ(effect->selectedPreset(), kPresetOff) << where;
            ASSERT_EQ(effect->filter()->feed(), session.feed) << where;
            ASSERT_EQ(effect->filter()->cutFrequency(), restoredCut) << where;
            ASSERT_EQ(effect->levelInForce(), makeLevel(restoredCut, session.feed)) << where;
        }
    }
}

// A host refreshing its view in the middle of a restore sees the level in force.
TEST(SessionRecall, LockedValuesWaitForOffAndAreNotReported) {
    const SavedValues saved = customSession(80, 640);
    CrossfeedEffect effect(nullptr);
    effect.setParameter(0, saved.value[0]);
    effect.setParameter(1, saved.value[1]);
    EXPECT_EQ(effect.filter()->currentLevel(), kLevelTaskel);
    EXPECT_FLOAT_EQ(effect.getParameter(0), parameterFromFeed(62));
    EXPECT_FLOAT_EQ(effect.getParameter(1), parameterFromCut(730));
    EXPECT_EQ(display(effect, 0), "6.2");
    effect.setParameter(2, 0.0f);
    EXPECT_EQ(effect.filter()->currentLevel(), makeLevel(640, 80));
    EXPECT_EQ(display(effect, 1), "640/290");

    // A value out of range still installs the fallback level, kept or not.
    CrossfeedEffect other(nullptr);
    other.setParameter(2, 1.0f);
    other.setParameter(1, 0.1f);
    other.setParameter(0, 1.5f);
    EXPECT_EQ(other.filter()->currentLevel(), kLevelJMeier);
    other.setParameter(2, 0.0f);
    EXPECT_EQ(other.filter()->currentLevel(), kFallbackLevel);
}

TEST(SessionRecall, PresetSelectionForgetsLockedValues) {
    CrossfeedEffect effect(nullptr);
    effect.setParameter(0, 1.0f);
    effect.setParameter(1, 1.0f);
    effect.setParameter(2, 0.75f);
    EXPECT_EQ(effect.filter()->currentLevel(), kLevelCMoy);
    effect.setParameter(2, 0.0f);
    EXPECT_EQ(effect.filter()->currentLevel(), kLevelCMoy);
}

// Host automation of the two level parameters under a preset leaves the level, and so the
// coefficients and the sound, exactly as the preset set them.
TEST(SessionRecall, LockedAutomationChangesNothingAudible) {
    CrossfeedEffect effect(nullptr);
    CrossfeedEffect reference(nullptr);
    effect.setParameter(2, 1.0f);
    reference.setParameter(2, 1.0f);
    double left[256], right[256], refLeft[256], refRight[256];
    for (int i = 0; i < 256; ++i)
        left[i] = refLeft[i] = right[i] = refRight[i] = std::sin(i * 0.1);
    double* channels[2] = {left, right};
    double* refChannels[2] = {refLeft, refRight};
    for (int block = 0; block < 16; ++block) {
        effect.setParameter(block % 2, static_cast<float>(block) / 15.0f);
        effect.processDoubleReplacing(channels, channels, 16);
        channels[0] += 16;
        channels[1] += 16;
    }
    reference.processDoubleReplacing(refChannels, refChannels, 256);
    EXPECT_EQ(effect.filter()->currentLevel(), kLevelJMeier);
    EXPECT_EQ(std::memcmp(left, refLeft, sizeof(left)), 0);
    EXPECT_EQ(std::memcmp(right, refRight, sizeof(right)), 0);
}

// The editor's changes arrive through automateParameter: a locked slider changes nothing now or
// later, and choosing "Off" in the editor keeps the preset's level and forgets what the host set.
TEST(SessionRecall, EditorChangesAreNeverKeptAndForgetTheHosts) {
    CrossfeedEffect effect(nullptr);
    effect.automateParameter(0, 0.9f);
    effect.automateParameter(1, 0.9f);
    EXPECT_EQ(effect.filter()->currentLevel(), kLevelTaskel);
    effect.setParameter(2, 0.0f); // the host's "Off" applies nothing the editor tried
    EXPECT_EQ(effect.filter()->currentLevel(), kLevelTaskel);

    effect.setParameter(2, 1.0f);
    effect.setParameter(0, 0.0f); // kept for the host's next "Off"
    effect.setParameter(1, 0.0f);
    effect.automateParameter(2, 0.0f);
    EXPECT_EQ(effect.selectedPreset(), 0);
    EXPECT_EQ(effect.filter()->currentLevel(), kLevelJMeier);
    effect.setParameter(2, 0.0f);
    EXPECT_EQ(effect.filter()->currentLevel(), kLevelJMeier);

    // Once free, the editor's changes apply at once.
    effect.automateParameter(0, 0.5f);
    EXPECT_EQ(effect.filter()->currentLevel(), makeLevel(650, 80));
}

TEST(CrossfeedParameters, ValuesOutsideTheRangeInstallTheFallbackLevel) {
    CrossfeedEffect effect(nullptr);
    effect.setParameter(2, 1.0f);
    effect.setParameter(2, 0.0f); // "Off" at 650 Hz, 9.5 dB
    effect.setParameter(1, 1.5f);
    EXPECT_EQ(effect.filter()->currentLevel(), kFallbackLevel);

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
            EXPECT_EQ(effect.filter()->currentLevel(), kFallbackLevel)
                << "parameter " << index << " value " << value;
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
    EXPECT_EQ(effect.filter()->currentLevel(), kLevelTaskel);
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
    EXPECT_EQ(effect.filter()->sampleRate(), 48000u);
    EXPECT_EQ(effect.currentSampleRate(), 44100.0f);
    effect.onSetSampleRate(-48000.0f);
    EXPECT_EQ(effect.filter()->sampleRate(), 44100u);
    effect.onSetSampleRate(std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(effect.filter()->sampleRate(), 44100u);
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
    EXPECT_EQ(effect.filter()->history().lastInput[0], 0.0);

    effect.processReplacing(inputs, outputs, 32);
    for (int i = 0; i < 32; ++i) {
        float frame[2] = {in0[i], in1[i]};
        reference.filter()->processFrameFloat(frame);
        ASSERT_EQ(out0[i], frame[0]);
        ASSERT_EQ(out1[i], frame[1]);
    }
}

// Holds the first writer that reaches a stage of a change until the test lets it go.
class SuspendedWriter {
public:
    explicit SuspendedWriter(CrossfeedEffect::ChangeStage stage) : heldStage(stage) {}

    static void probe(void* context, CrossfeedEffect::ChangeStage stage) {
        auto* self = static_cast<SuspendedWriter*>(context);
        if (stage != self->heldStage || self->held.exchange(true))
            return;
        self->inside.store(true);
        while (!self->released.load())
            std::this_thread::yield();
    }
    void waitUntilInside() const {
        while (!inside.load())
            std::this_thread::yield();
    }
    void release() { released.store(true); }

private:
    CrossfeedEffect::ChangeStage heldStage;
    std::atomic<bool> held{false};
    std::atomic<bool> inside{false};
    std::atomic<bool> released{false};
};

// A writer (the editor's thread, say) is suspended in the middle of a "Feed" change, while
// computing the new settings or just before handing the level to the filter. Meanwhile the audio
// thread processes, reads and sets "FCut" through the record to completion; then the writer goes
// on. Both changes are in force in the end, in the settings and in the filter.
TEST(ParameterThreads, AWriterSuspendedInAChangeHoldsUpNothingAndUndoesNothing) {
    for (const auto stage :
         {CrossfeedEffect::ChangeStage::computing, CrossfeedEffect::ChangeStage::pushing}) {
        SCOPED_TRACE(stage == CrossfeedEffect::ChangeStage::computing ? "computing" : "pushing");
        CrossfeedEffect effect(nullptr);
        AEffect* record = effect.effectRecord();
        record->setParameter(record, CrossfeedEffect::kParamPreset, 0.0f); // "Off" at 730 Hz, 6.2 dB
        SuspendedWriter suspended(stage);
        effect.setChangeProbe(&SuspendedWriter::probe, &suspended);

        std::thread writer(
            [&] { record->setParameter(record, CrossfeedEffect::kParamFeed, parameterFromFeed(120)); });
        suspended.waitUntilInside();

        StereoBuffers<float> block(64);
        for (int32_t i = 0; i < 64; ++i)
            block.input(0)[i] = block.input(1)[i] = 0.25f;
        record->processReplacing(record, block.inputs(), block.outputs(), 64);
        record->setParameter(record, CrossfeedEffect::kParamCut, parameterFromCut(1500));
        EXPECT_EQ(cutFromParameter(record->getParameter(record, CrossfeedEffect::kParamCut)), 1500);
        EXPECT_EQ(effect.filter()->cutFrequency(), 1500u);
        char text[vst::kMaxParamStrLen + 1] = {};
        record->dispatcher(record, vst::effGetParamDisplay, CrossfeedEffect::kParamCut, 0, text, 0.0f);
        EXPECT_STREQ(text, "1500/120");
        record->processReplacing(record, block.inputs(), block.outputs(), 64);

        suspended.release();
        writer.join();
        EXPECT_EQ(effect.levelInForce(), makeLevel(1500, 120));
        EXPECT_EQ(effect.filter()->feed(), 120u);
        EXPECT_EQ(effect.filter()->cutFrequency(), 1500u);
    }
}

// What a host that records automation knows of the effect: the last value it was told for each
// parameter, starting from the values it read when the effect was inserted.
struct HostLanes {
    explicit HostLanes(CrossfeedEffect& effect) {
        for (int32_t index = 0; index < CrossfeedEffect::kNumParams; ++index)
            lane[index] = effect.getParameter(index);
    }
    void follow(const std::vector<test::RecordingHost::Call>& calls) {
        for (const auto& call : calls)
            if (call.opcode == vst::audioMasterAutomate)
                lane[call.index] = call.opt;
    }
    float lane[CrossfeedEffect::kNumParams]{};
};

// The user edits in the editor, with presets locking the level sliders now and then. After every
// step, the host's lanes select what is in force: the preset and the level the user hears. And a
// host playing the lanes back on a fresh effect ends with what the user heard.
TEST(EditorAutomation, TheHostRecordsWhatTheUserHeard) {
    test::RecordingHost host;
    CrossfeedEffect effect(test::RecordingHost::callback());
    HostLanes lanes(effect);
    struct Step {
        int32_t index;
        float value;
    };
    const Step steps[] = {
        {CrossfeedEffect::kParamFeed, 0.9f},   // locked by the first preset
        {CrossfeedEffect::kParamPreset, 0.0f}, // "Off"
        {CrossfeedEffect::kParamFeed, parameterFromFeed(80)},
        {CrossfeedEffect::kParamCut, parameterFromCut(1200)},
        {CrossfeedEffect::kParamPreset, 0.77f}, // "C. Moy" moves both level sliders
        {CrossfeedEffect::kParamFeed, 0.05f},   // locked
        {CrossfeedEffect::kParamCut, 0.95f},    // locked
        {CrossfeedEffect::kParamPreset, 0.1f},  // "Off" keeps C. Moy's level
        {CrossfeedEffect::kParamCut, parameterFromCut(640)},
        {CrossfeedEffect::kParamPreset, 0.77f}, // "C. Moy" again moves "FCut" only
        {CrossfeedEffect::kParamPreset, 0.95f}, // "J. Meier"
    };
    std::vector<test::RecordingHost::Call> recorded;
    for (const Step& step : steps) {
        host.clear();
        effect.automateParameter(step.index, step.value);
        lanes.follow(host.calls());
        recorded.insert(recorded.end(), host.calls().begin(), host.calls().end());
        const LevelWord level = effect.levelInForce();
        ASSERT_EQ(presetFromParameter(lanes.lane[CrossfeedEffect::kParamPreset]), effect.selectedPreset())
            << "step " << (&step - steps);
        ASSERT_EQ(feedFromParameter(lanes.lane[CrossfeedEffect::kParamFeed]), feedOf(level))
            << "step " << (&step - steps);
        ASSERT_EQ(cutFromParameter(lanes.lane[CrossfeedEffect::kParamCut]), cutFrequencyOf(level))
            << "step " << (&step - steps);
        // A parameter that the effect changed itself is reported inside an edit gesture of its own.
        for (size_t i = 0; i < host.calls().size(); ++i) {
            const auto& call = host.calls()[i];
            if (call.opcode != vst::audioMasterAutomate || call.index == step.index)
                continue;
            ASSERT_TRUE(i > 0 && i + 1 < host.calls().size());
            EXPECT_EQ(host.calls()[i - 1].opcode, vst::audioMasterBeginEdit);
            EXPECT_EQ(host.calls()[i - 1].index, call.index);
            EXPECT_EQ(host.calls()[i + 1].opcode, vst::audioMasterEndEdit);
            EXPECT_EQ(host.calls()[i + 1].index, call.index);
        }
    }

    // Playback, and a later "Off" from the host: the level is the one heard at the end.
    const LevelWord heard = effect.levelInForce();
    CrossfeedEffect playback(nullptr);
    for (const auto& call : recorded)
        if (call.opcode == vst::audioMasterAutomate)
            playback.setParameter(call.index, call.opt);
    EXPECT_EQ(playback.selectedPreset(), effect.selectedPreset());
    playback.setParameter(CrossfeedEffect::kParamPreset, 0.0f);
    EXPECT_EQ(playback.levelInForce(), heard);
    EXPECT_EQ(playback.filter()->feed(), feedOf(heard));
    EXPECT_EQ(playback.filter()->cutFrequency(), cutFrequencyOf(heard));

    // What the host sets itself is never reported back to it.
    host.clear();
    effect.setParameter(CrossfeedEffect::kParamPreset, 0.5f);
    effect.setParameter(CrossfeedEffect::kParamPreset, 0.0f);
    effect.setParameter(CrossfeedEffect::kParamFeed, 0.3f);
    EXPECT_TRUE(host.calls().empty());
}

} // namespace
} // namespace tovrel
