#include "host/PluginEditor.h"
#include "plugin/CrossfeedEffect.h"
#include "plugin/ParameterMappings.h"
#include "support/KeptValue.h"
#include "support/RecordingHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>

namespace tovrel {
namespace {

using test::RecordingHost;

// An editor that records what the dispatcher hands it.
class ProbeEditor : public PluginEditor {
public:
    ProbeEditor(PluginEffect* owner, bool* destroyed) : PluginEditor(owner), destroyedFlag(destroyed) {}
    ~ProbeEditor() override { *destroyedFlag = true; }

    bool onEditGetRect(ERect** rect) override {
        *rect = &editorRect;
        return true;
    }
    bool onEditKeyDown(VstKeyCode key) override {
        lastKey = key;
        return keyAnswer;
    }
    bool onEditKeyUp(VstKeyCode key) override {
        lastKey = key;
        return false;
    }
    bool onSetEditKnobMode(int32_t mode) override {
        knobMode = mode;
        return true;
    }
    void onEditIdle() override { ++idles; }

    VstKeyCode lastKey{};
    bool keyAnswer{true};
    int32_t knobMode{-1};
    int idles{0};

private:
    ERect editorRect{0, 0, 225, 183};
    bool* destroyedFlag;
};

// An effect of the base class alone, without an editor on any platform.
class BareEffect : public PluginEffect {
public:
    BareEffect() : PluginEffect(RecordingHost::callback(), 1, 1) {}
    void processReplacing(float**, float**, int32_t) override {}
};

class Dispatcher : public ::testing::Test {
protected:
    intptr_t send(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                  float opt = 0.0f) {
        return record->dispatcher(record, opcode, index, value, ptr, opt);
    }

    RecordingHost host;
    std::unique_ptr<CrossfeedEffect> effect{new CrossfeedEffect(RecordingHost::callback())};
    AEffect* record{effect->effectRecord()};
};

TEST_F(Dispatcher, AnswersTheEffectsIdentity) {
    EXPECT_EQ(send(vst::effGetVstVersion), 2400);
    EXPECT_EQ(send(vst::effGetPlugCategory), 0);
    EXPECT_EQ(send(vst::effGetTailSize), 0);
    EXPECT_EQ(send(vst::effGetVendorVersion), 0x10000);
    EXPECT_EQ(send(vst::effIdentify), 0x4E764566);
    char text[80];
    EXPECT_EQ(send(vst::effGetEffectName, 0, 0, text), 1);
    EXPECT_STREQ(text, "hxF2");
    EXPECT_EQ(send(vst::effGetProductString, 0, 0, text), 1);
    EXPECT_STREQ(text, "Orvalen Headphones Crossfeed (Bauer Stereophonic-to-Binaural)");
    EXPECT_EQ(send(vst::effGetVendorString, 0, 0, text), 1);
    EXPECT_GT(std::strlen(text), 0u);
    EXPECT_LE(std::strlen(text), 64u);
}

TEST_F(Dispatcher, UnsupportedAndDeprecatedOpcodesAnswerZero) {
    for (int32_t opcode :
         {9, 16, 17, 18, 20, 21, 28, 30, 31, 32, 36, 37, 43, 46, 53, 54, 55, 57, 80, 81, 1000, -1})
        EXPECT_EQ(send(opcode, 1, 1, nullptr, 1.0f), 0) << "opcode " << opcode;
    char text[] = "receiveVstMidiEvent";
    EXPECT_EQ(send(vst::effCanDo, 0, 0, text), 0);
    char other[] = "sendVstEvents";
    EXPECT_EQ(send(vst::effCanDo, 0, 0, other), 0);
    EXPECT_EQ(send(vst::effString2Parameter, 0, 0, other), 0);
    EXPECT_EQ(send(vst::effGetCurrentMidiProgram), -1);
    EXPECT_EQ(send(vst::effSetBypass, 0, 1), 0);
    EXPECT_EQ(send(vst::effSetProcessPrecision, 0, 1), 0);
    EXPECT_TRUE(host.calls().empty());
}

TEST_F(Dispatcher, ChunksAreNotOffered) {
    void* data = &host;
    EXPECT_EQ(send(vst::effGetChunk, 0, 0, &data), 0);
    EXPECT_EQ(data, &host);
    EXPECT_EQ(send(vst::effSetChunk, 0, 16, &data), 0);
    EXPECT_EQ(record->flags & vst::effFlagsProgramChunks, 0);
}

TEST_F(Dispatcher, ProgramNumberHasNoLowerBound) {
    send(vst::effSetProgram, 0, 1);
    EXPECT_EQ(send(vst::effGetProgram), 0);
    send(vst::effSetProgram, 0, -1);
    EXPECT_EQ(send(vst::effGetProgram), -1);
    send(vst::effSetProgram, 0, 0);
    EXPECT_EQ(send(vst::effGetProgram), 0);
}

// Suspending keeps the filter's history; resuming starts the next stream from silence.
TEST_F(Dispatcher, MainsChangedCallsNoHostAndResumeClearsTheFilter) {
    float left[4] = {0.5f, 0.5f, 0.5f, 0.5f};
    float right[4] = {};
    float* channels[2] = {left, right};
    record->processReplacing(record, channels, channels, 4);
    const double lastLow = effect->filter()->history().lastLow[0];
    ASSERT_NE(lastLow, 0.0);
    host.clear();
    EXPECT_EQ(send(vst::effMainsChanged, 0, 0), 0);
    EXPECT_EQ(effect->filter()->history().lastLow[0], lastLow);
    EXPECT_EQ(send(vst::effMainsChanged, 0, 1), 0);
    EXPECT_TRUE(host.calls().empty());
    // The history is the audio thread's: the clear shows in the next block, which is silent.
    float silentLeft[4] = {}, silentRight[4] = {};
    float* silent[2] = {silentLeft, silentRight};
    record->processReplacing(record, silent, silent, 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(silentLeft[i] + silentRight[i], 0.0f) << i;
}

TEST_F(Dispatcher, SpeakerArrangementAndTotalSamples) {
    VstSpeakerArrangement dummy{};
    VstSpeakerArrangement* input = &dummy;
    VstSpeakerArrangement* output = &dummy;
    EXPECT_EQ(send(vst::effGetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&input), &output), 0);
    EXPECT_EQ(input, nullptr);
    EXPECT_EQ(output, nullptr);
    EXPECT_EQ(send(vst::effSetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&dummy), &dummy), 0);
    EXPECT_EQ(send(vst::effSetTotalSampleToProcess, 0, 4096), 4096);
}

TEST_F(Dispatcher, EveryIndexCanBeAutomated) {
    for (int32_t index : {0, 1, 2, 3, 99, -1})
        EXPECT_EQ(send(vst::effCanBeAutomated, index), 1);
}

TEST_F(Dispatcher, EditorOpcodesWithoutAnEditorAnswerZero) {
    BareEffect bare;
    record = bare.effectRecord();
    ERect* rect = reinterpret_cast<ERect*>(&host);
    EXPECT_EQ(send(vst::effEditGetRect, 0, 0, &rect), 0);
    EXPECT_EQ(rect, reinterpret_cast<ERect*>(&host));
    EXPECT_EQ(send(vst::effEditOpen, 0, 0, &host), 0);
    EXPECT_EQ(send(vst::effEditClose), 0);
    EXPECT_EQ(send(vst::effEditIdle), 0);
    EXPECT_EQ(send(vst::effEditKeyDown, 'a', 65, nullptr, 0.0f), 0);
    EXPECT_EQ(send(vst::effEditKeyUp, 'a', 65, nullptr, 0.0f), 0);
    EXPECT_EQ(send(vst::effSetEditKnobMode, 0, 2), 0);
}

TEST_F(Dispatcher, EditorOpcodesReachAnAttachedEditor) {
    bool destroyed = false;
    auto bare = std::make_unique<BareEffect>();
    record = bare->effectRecord();
    auto made = std::make_unique<ProbeEditor>(bare.get(), &destroyed);
    ProbeEditor* editor = made.get();
    bare->attachEditor(std::move(made));
    EXPECT_EQ(record->flags & vst::effFlagsHasEditor, vst::effFlagsHasEditor);

    ERect* rect = nullptr;
    EXPECT_EQ(send(vst::effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->bottom, 225);
    EXPECT_EQ(rect->right, 183);

    // The key record: index as character, low byte of value as virtual key, opt truncated to
    // its low byte as modifiers.
    EXPECT_EQ(send(vst::effEditKeyDown, 'q', 0x1234, nullptr, 9.75f), 1);
    EXPECT_EQ(editor->lastKey.character, 'q');
    EXPECT_EQ(editor->lastKey.virt, 0x34);
    EXPECT_EQ(editor->lastKey.modifier, 9);
    EXPECT_EQ(send(vst::effEditKeyDown, 'q', 0, nullptr, 258.0f), 1);
    EXPECT_EQ(editor->lastKey.modifier, 2);
    EXPECT_EQ(send(vst::effEditKeyDown, 'q', 0, nullptr, NAN), 1);
    EXPECT_EQ(editor->lastKey.modifier, 0);
    editor->keyAnswer = false;
    EXPECT_EQ(send(vst::effEditKeyDown, 'q', 0), 0);
    EXPECT_EQ(send(vst::effEditKeyUp, 'r', 0x41), 0);
    EXPECT_EQ(editor->lastKey.character, 'r');

    EXPECT_EQ(send(vst::effSetEditKnobMode, 0, 2), 1);
    EXPECT_EQ(editor->knobMode, 2);
    send(vst::effEditIdle);
    EXPECT_EQ(editor->idles, 1);

    bare.reset();
    EXPECT_TRUE(destroyed);
}

TEST_F(Dispatcher, CloseThroughTheRecordDestroysTheEffectAndItsEditor) {
    bool destroyed = false;
    auto* owned = new BareEffect;
    owned->attachEditor(std::make_unique<ProbeEditor>(owned, &destroyed));
    AEffect* bareRecord = owned->effectRecord();
    EXPECT_EQ(bareRecord->dispatcher(bareRecord, vst::effClose, 0, 0, nullptr, 0.0f), 1);
    EXPECT_TRUE(destroyed);
}

TEST_F(Dispatcher, RecordEntriesReachTheEffect) {
    EXPECT_EQ(record->getParameter(record, CrossfeedEffect::kNumParams), 0.0f);
    EXPECT_EQ(record->getParameter(record, -1), 0.0f);
    record->setParameter(record, CrossfeedEffect::kParamPreset, parameterFromPreset(0));
    EXPECT_EQ(record->getParameter(record, CrossfeedEffect::kParamPreset), parameterFromPreset(0));

    // The deprecated accumulating entry leaves the host's buffers alone.
    float in[2][8] = {{0.5f, 0.25f}, {-0.5f}};
    float out[2][8] = {{1, 2, 3, 4, 5, 6, 7, 8}, {8, 7, 6, 5, 4, 3, 2, 1}};
    float* inputs[2] = {in[0], in[1]};
    float* outputs[2] = {out[0], out[1]};
    record->process(record, inputs, outputs, 8);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(out[0][i], static_cast<float>(i + 1));
        EXPECT_EQ(out[1][i], static_cast<float>(8 - i));
    }
}

// A host that keeps the values as text, sets them again at the next session, and keeps what it
// reads then, session after session: every level and preset stays where it was, as the displays
// show.
TEST_F(Dispatcher, LevelsSurviveAHostThatKeepsThemAsText) {
    const auto display = [this](int32_t index) {
        char text[16] = {};
        send(vst::effGetParamDisplay, index, 0, text);
        return std::string(text);
    };
    const auto session = [this](const char* format) {
        for (int32_t index :
             {CrossfeedEffect::kParamPreset, CrossfeedEffect::kParamFeed, CrossfeedEffect::kParamCut})
            record->setParameter(record, index, test::keptValue(format, record->getParameter(record, index)));
    };
    for (const char* format : test::kKeptValueFormats) {
        for (uint32_t cut = kMinCutFrequency; cut <= kMaxCutFrequency; ++cut) {
            const uint32_t feed = kMinFeed + (cut * 7) % (kMaxFeed - kMinFeed + 1);
            record->setParameter(record, CrossfeedEffect::kParamPreset, parameterFromPreset(0));
            record->setParameter(record, CrossfeedEffect::kParamFeed, parameterFromFeed(feed));
            record->setParameter(record, CrossfeedEffect::kParamCut, parameterFromCut(cut));
            for (int round = 0; round < 3; ++round)
                session(format);
            ASSERT_EQ(display(CrossfeedEffect::kParamFeed),
                      std::to_string(feed / 10) + "." + std::to_string(feed % 10))
                << "kept as " << test::keptValueName(format);
            ASSERT_EQ(display(CrossfeedEffect::kParamCut).substr(0, std::to_string(cut).size() + 1),
                      std::to_string(cut) + "/")
                << "kept as " << test::keptValueName(format);
        }
        for (int32_t preset = 1; preset <= 4; ++preset) {
            record->setParameter(record, CrossfeedEffect::kParamPreset, parameterFromPreset(preset));
            for (int round = 0; round < 3; ++round)
                session(format);
            ASSERT_EQ(effect->selectedPreset(), preset) << "kept as " << test::keptValueName(format);
        }
    }
}

} // namespace
} // namespace tovrel
