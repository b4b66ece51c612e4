#include "plugin/CrossfeedEffect.h"
#include "plugin/ParameterMappings.h"
#include "support/RecordingHost.h"

#include <gtest/gtest.h>

#include <cstring>

namespace tovrel {
namespace {

using test::RecordingHost;

TEST(HostCallbacks, WithoutACallbackEveryQueryGivesItsNeutralAnswer) {
    CrossfeedEffect effect(nullptr);
    EXPECT_EQ(effect.queryHostVersion(), 1);
    EXPECT_EQ(effect.queryHostCurrentId(), 0);
    EXPECT_TRUE(effect.queryInputConnected(0));
    EXPECT_TRUE(effect.queryOutputConnected(1));
    char text[] = "sizeWindow";
    EXPECT_EQ(effect.queryHostCanDo(text), 0);
    EXPECT_EQ(effect.refreshSampleRate(), 44100.0);
    EXPECT_EQ(effect.refreshBlockSize(), 1024);
    EXPECT_EQ(effect.queryHostTime(0), nullptr);
    EXPECT_FALSE(effect.notifyHostBeginEdit(0));
    EXPECT_FALSE(effect.requestHostSizeWindow(183, 225));
    effect.giveHostIdle();
    // Automation still changes the parameter.
    effect.setParameter(CrossfeedEffect::kParamPreset, parameterFromPreset(0));
    effect.automateParameter(CrossfeedEffect::kParamFeed, 0.5f);
    EXPECT_EQ(effect.filter()->feed(), 80u);
}

TEST(HostCallbacks, EachQuerySendsItsOpcodeWithItsArguments) {
    RecordingHost host;
    CrossfeedEffect effect(RecordingHost::callback());
    AEffect* record = effect.effectRecord();
    host.answer(vst::audioMasterCurrentId, 0x1234);
    host.answer(vst::audioMasterPinConnected, 1);
    host.answer(vst::audioMasterCanDo, 7);
    host.answer(vst::audioMasterSizeWindow, 1);

    EXPECT_EQ(effect.queryHostCurrentId(), 0x1234);
    EXPECT_FALSE(effect.queryInputConnected(3)); // the host answers 0 for a connected pin
    EXPECT_FALSE(effect.queryOutputConnected(4));
    char text[] = "sizeWindow";
    EXPECT_EQ(effect.queryHostCanDo(text), 1); // any non-zero answer is reported as 1
    EXPECT_TRUE(effect.requestHostSizeWindow(300, 200));
    effect.requestHostMidi(1);
    effect.tellHostOutputSampleRate(48000.0f);
    EXPECT_TRUE(effect.queryHostPreviousPlug(5) == nullptr);

    const auto& calls = host.calls();
    ASSERT_EQ(calls.size(), 8u);
    for (const auto& call : calls)
        EXPECT_EQ(call.effect, record);
    EXPECT_EQ(calls[1].opcode, vst::audioMasterPinConnected);
    EXPECT_EQ(calls[1].index, 3);
    EXPECT_EQ(calls[1].value, 0);
    EXPECT_EQ(calls[2].index, 4);
    EXPECT_EQ(calls[2].value, 1);
    EXPECT_EQ(calls[3].opcode, vst::audioMasterCanDo);
    EXPECT_EQ(calls[3].text, "sizeWindow");
    EXPECT_EQ(calls[4].opcode, vst::audioMasterSizeWindow);
    EXPECT_EQ(calls[4].index, 300);
    EXPECT_EQ(calls[4].value, 200);
    EXPECT_EQ(calls[5].opcode, vst::audioMasterWantMidi);
    EXPECT_EQ(calls[5].value, 1);
    EXPECT_EQ(calls[6].opcode, vst::audioMasterSetOutputSampleRate);
    EXPECT_EQ(calls[6].opt, 48000.0f);
    EXPECT_EQ(calls[7].opcode, vst::audioMasterGetPreviousPlug);
    EXPECT_EQ(calls[7].index, 0); // the input number is not passed
}

TEST(HostCallbacks, VersionZeroIsReportedAsOne) {
    RecordingHost host;
    CrossfeedEffect effect(RecordingHost::callback());
    host.answer(vst::audioMasterVersion, 0);
    EXPECT_EQ(effect.queryHostVersion(), 1);
    host.answer(vst::audioMasterVersion, 2400);
    EXPECT_EQ(effect.queryHostVersion(), 2400);
}

TEST(HostCallbacks, SampleRateAndBlockSizeTakeOnlyPositiveAnswers) {
    RecordingHost host;
    CrossfeedEffect effect(RecordingHost::callback());
    host.answer(vst::audioMasterGetSampleRate, -1);
    EXPECT_EQ(effect.refreshSampleRate(), 44100.0);
    host.answer(vst::audioMasterGetSampleRate, 0);
    EXPECT_EQ(effect.refreshSampleRate(), 44100.0);
    host.answer(vst::audioMasterGetSampleRate, 48000);
    EXPECT_EQ(effect.refreshSampleRate(), 48000.0);
    EXPECT_EQ(effect.currentSampleRate(), 48000.0f);

    host.answer(vst::audioMasterGetBlockSize, -5);
    EXPECT_EQ(effect.refreshBlockSize(), 1024);
    host.answer(vst::audioMasterGetBlockSize, 256);
    EXPECT_EQ(effect.refreshBlockSize(), 256);
    EXPECT_EQ(effect.currentBlockSize(), 256);
}

TEST(HostCallbacks, FileRequestsWithoutARecordMakeNoCall) {
    RecordingHost host;
    CrossfeedEffect effect(RecordingHost::callback());
    host.answer(vst::audioMasterOpenFileSelector, 1);
    EXPECT_FALSE(effect.requestHostOpenFileSelector(nullptr));
    EXPECT_FALSE(effect.requestHostCloseFileSelector(nullptr));
    EXPECT_FALSE(effect.queryHostChunkFile(nullptr));
    EXPECT_TRUE(host.calls().empty());
}

TEST(HostCallbacks, AutomationSetsTheParameterBeforeTellingTheHost) {
    RecordingHost host;
    CrossfeedEffect effect(RecordingHost::callback());
    effect.setParameter(CrossfeedEffect::kParamPreset,
                        parameterFromPreset(0)); // "Off": the level parameters are free
    effect.automateParameter(CrossfeedEffect::kParamCut, 0.5f);
    EXPECT_EQ(effect.filter()->cutFrequency(), 1150u);
    const auto automations = host.callsOf(vst::audioMasterAutomate);
    ASSERT_EQ(automations.size(), 1u);
    EXPECT_EQ(automations[0].index, CrossfeedEffect::kParamCut);
    EXPECT_EQ(automations[0].opt, 0.5f);
}

TEST(HostCallbacks, EditGesturesAreReportedWithTheParameterIndex) {
    RecordingHost host;
    CrossfeedEffect effect(RecordingHost::callback());
    host.answer(vst::audioMasterBeginEdit, 1);
    EXPECT_TRUE(effect.notifyHostBeginEdit(2));
    EXPECT_FALSE(effect.notifyHostEndEdit(2));
    ASSERT_EQ(host.calls().size(), 2u);
    EXPECT_EQ(host.calls()[0].opcode, vst::audioMasterBeginEdit);
    EXPECT_EQ(host.calls()[0].index, 2);
    EXPECT_EQ(host.calls()[1].opcode, vst::audioMasterEndEdit);
    EXPECT_EQ(host.calls()[1].index, 2);
}

TEST(SpeakerTools, ArrangementsAreAllocatedCopiedAndReleased) {
    CrossfeedEffect effect(nullptr);
    VstSpeakerArrangement* from = nullptr;
    ASSERT_TRUE(effect.allocateSpeakerArrangement(&from, 10)); // more than the declared eight
    from->type = 7;
    auto* speakers = reinterpret_cast<VstSpeakerProperties*>(reinterpret_cast<char*>(from) + 8);
    for (int i = 0; i < 10; ++i) {
        speakers[i].azimuth = static_cast<float>(i);
        speakers[i].type = 100 + i;
        std::memset(speakers[i].name, 'n', sizeof(speakers[i].name)); // no terminator
    }
    VstSpeakerArrangement* to = nullptr;
    ASSERT_TRUE(effect.matchSpeakerArrangement(&to, from));
    EXPECT_EQ(to->numChannels, 10);
    EXPECT_EQ(to->type, 7);
    auto* copied = reinterpret_cast<VstSpeakerProperties*>(reinterpret_cast<char*>(to) + 8);
    EXPECT_EQ(copied[9].azimuth, 9.0f);
    EXPECT_EQ(copied[9].type, 109);
    EXPECT_EQ(std::strlen(copied[9].name), 63u);

    EXPECT_FALSE(effect.copySpeakerProperties(nullptr, copied));
    EXPECT_FALSE(effect.matchSpeakerArrangement(&to, nullptr));
    EXPECT_TRUE(effect.releaseSpeakerArrangement(&to));
    EXPECT_EQ(to, nullptr);
    EXPECT_TRUE(effect.releaseSpeakerArrangement(&from));
    EXPECT_FALSE(effect.allocateSpeakerArrangement(&from, -1));
}

} // namespace
} // namespace tovrel
