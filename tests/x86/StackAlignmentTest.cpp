// A 32-bit host that calls every entry of the plug-in with the stack aligned to 4 bytes only, as
// 32-bit Windows hosts may. Each call is made twice, on two twin effects: once directly (the
// compiler keeps the stack 16-byte aligned) and once through the misaligning trampoline; the
// results must be identical and finite.
#include "MisalignedCall.h"

#include "host/VstAbi.h"
#include "plugin/CrossfeedEffect.h"
#include "plugin/ParameterMappings.h"
#include "plugin/Presets.h"
#include "tools/vsthost/HostedEffect.h"
#include "tools/vsthost/PluginLibrary.h"
#include "tools/vsthost/StereoBuffers.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace tovrel::test {
namespace {

std::string g_pluginPath;

// The folder of this program, where the plug-in sits beside it.
std::string defaultPluginPath() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    folder.erase(folder.find_last_of("\\/") + 1);
    return folder + "tovrel_vst.dll";
}

class StackAlignment : public ::testing::TestWithParam<uint32_t> {
protected:
    void SetUp() override {
        ASSERT_TRUE(library.load(g_pluginPath)) << library.error();
        entry = library.symbol("VSTPluginMain");
        ASSERT_NE(entry, nullptr);
        ASSERT_TRUE(hosted.open(library)) << hosted.error();
        aligned = hosted.effect();
        misaligned = reinterpret_cast<AEffect*>(
            call(entry, {word(reinterpret_cast<const void*>(&HostedEffect::quietHost))}).eax);
        ASSERT_NE(misaligned, nullptr);
        dispatch(vst::effOpen, 0, 0, nullptr, 0.0f);
    }

    // The aligned twin is closed by its host.
    void TearDown() override {
        if (misaligned) {
            if (resumed)
                dispatch(vst::effMainsChanged, 0, 0, nullptr, 0.0f);
            dispatch(vst::effClose, 0, 0, nullptr, 0.0f);
        }
    }

    // One call with the stack `GetParam()` bytes past a 16-byte boundary.
    MisalignedCall call(const void* function, std::vector<uint32_t> arguments, bool returnsFloat = false) {
        MisalignedCall c;
        c.function = function;
        c.arguments = arguments.data();
        c.argumentCount = static_cast<uint32_t>(arguments.size());
        c.offset = GetParam();
        c.returnsFloat = returnsFloat ? 1 : 0;
        tovrel_call_misaligned(&c);
        EXPECT_EQ(c.stackAtCall % 16, GetParam()) << "the trampoline did not misalign the stack";
        EXPECT_EQ(c.stackAfterCall, c.stackAtCall)
            << "the callee removed its own arguments: not a cdecl entry";
        return c;
    }

    intptr_t dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
        return static_cast<intptr_t>(call(reinterpret_cast<const void*>(misaligned->dispatcher),
                                          {word(misaligned), word(opcode), word(index),
                                           static_cast<uint32_t>(value), word(ptr), word(opt)})
                                         .eax);
    }

    void setParameter(int32_t index, float value) {
        call(reinterpret_cast<const void*>(misaligned->setParameter),
             {word(misaligned), word(index), word(value)});
    }

    float getParameter(int32_t index) {
        return call(reinterpret_cast<const void*>(misaligned->getParameter), {word(misaligned), word(index)},
                    true)
            .st0;
    }

    // One block through the misaligned twin's processing entry `function`.
    template <typename Sample>
    void process(const void* function, StereoBuffers<Sample>& buffers, int32_t frames) {
        call(function, {word(misaligned), word(buffers.inputs()), word(buffers.outputs()), word(frames)});
    }

    // Both effects set up alike: the misaligned one through the trampoline.
    void prepare(float sampleRate) {
        hosted.setSampleRate(sampleRate);
        hosted.setBlockSize(kFrames);
        hosted.resume();
        dispatch(vst::effSetSampleRate, 0, 0, nullptr, sampleRate);
        dispatch(vst::effSetBlockSize, 0, kFrames, nullptr, 0.0f);
        dispatch(vst::effMainsChanged, 0, 1, nullptr, 0.0f);
        resumed = true;
    }

    // A loud stereo signal with different content per channel, reaching the clipping range, from
    // frame `start` on.
    template <typename Sample> static void fill(StereoBuffers<Sample>& buffers, int32_t start = 0) {
        for (int32_t i = 0; i < buffers.frames(); ++i) {
            const int32_t t = start + i;
            buffers.input(0)[i] = static_cast<Sample>(0.9 * std::sin(0.031 * t) + 0.3 * std::sin(0.37 * t));
            buffers.input(1)[i] =
                static_cast<Sample>(0.8 * std::sin(0.005 * t + 1.0) - 0.35 * std::cos(0.21 * t));
        }
    }

    static constexpr int32_t kFrames = 512;

    PluginLibrary library;
    HostedEffect hosted;
    const void* entry{nullptr};
    AEffect* aligned{nullptr};
    AEffect* misaligned{nullptr};
    bool resumed{false};
};

TEST_P(StackAlignment, EntryPointReturnsAWholeEffectRecord) {
    EXPECT_EQ(misaligned->magic, vst::kEffectMagic);
    EXPECT_EQ(misaligned->numParams, aligned->numParams);
    EXPECT_EQ(misaligned->numInputs, 2);
    EXPECT_EQ(misaligned->numOutputs, 2);
    EXPECT_EQ(misaligned->flags, aligned->flags);
    EXPECT_EQ(misaligned->uniqueID, aligned->uniqueID);
    EXPECT_NE(misaligned->processReplacing, nullptr);
    EXPECT_NE(misaligned->processDoubleReplacing, nullptr);
}

TEST_P(StackAlignment, DispatcherAnswersAsWithAnAlignedStack) {
    prepare(48000.0f);
    for (int32_t opcode : {vst::effGetEffectName, vst::effGetVendorString, vst::effGetProductString}) {
        char expected[256] = {};
        char actual[256] = {};
        const intptr_t expectedResult = aligned->dispatcher(aligned, opcode, 0, 0, expected, 0.0f);
        EXPECT_EQ(dispatch(opcode, 0, 0, actual, 0.0f), expectedResult) << "opcode " << opcode;
        EXPECT_STREQ(actual, expected) << "opcode " << opcode;
    }
    for (int32_t index = 0; index < aligned->numParams; ++index) {
        for (int32_t opcode : {vst::effGetParamName, vst::effGetParamLabel, vst::effGetParamDisplay}) {
            char expected[256] = {};
            char actual[256] = {};
            aligned->dispatcher(aligned, opcode, index, 0, expected, 0.0f);
            dispatch(opcode, index, 0, actual, 0.0f);
            EXPECT_STREQ(actual, expected) << "opcode " << opcode << " parameter " << index;
        }
    }
    char canDo[] = "receiveVstTimeInfo";
    EXPECT_EQ(dispatch(vst::effCanDo, 0, 0, canDo, 0.0f),
              aligned->dispatcher(aligned, vst::effCanDo, 0, 0, canDo, 0.0f));
    EXPECT_EQ(dispatch(vst::effGetVendorVersion, 0, 0, nullptr, 0.0f),
              aligned->dispatcher(aligned, vst::effGetVendorVersion, 0, 0, nullptr, 0.0f));
    EXPECT_EQ(dispatch(vst::effGetVstVersion, 0, 0, nullptr, 0.0f), vst::kVstVersion);
}

TEST_P(StackAlignment, ParametersRoundTripAsWithAnAlignedStack) {
    prepare(44100.0f);
    const float values[] = {0.0f, 0.125f, 0.5f, 0.77f, 1.0f};
    for (int32_t index = aligned->numParams - 1; index >= 0; --index) {
        for (float value : values) {
            aligned->setParameter(aligned, index, value);
            setParameter(index, value);
            for (int32_t other = 0; other < aligned->numParams; ++other) {
                const float expected = aligned->getParameter(aligned, other);
                const float actual = getParameter(other);
                ASSERT_TRUE(std::isfinite(actual));
                EXPECT_EQ(actual, expected)
                    << "parameter " << other << " after setting " << index << " to " << value;
            }
        }
    }
}

// The misaligned twin's outputs against the aligned one's: finite, equal and within full scale.
// Notes in `changed` whether any output differs from its input; frames count from `firstFrame`.
template <typename Sample>
::testing::AssertionResult sameOutputs(const StereoBuffers<Sample>& actual,
                                       const StereoBuffers<Sample>& expected, int32_t firstFrame,
                                       bool& changed) {
    for (int ch = 0; ch < 2; ++ch) {
        for (int32_t i = 0; i < actual.frames(); ++i) {
            const Sample sample = actual.output(ch)[i];
            if (!std::isfinite(sample) || sample != expected.output(ch)[i] || std::fabs(sample) > Sample(1))
                return ::testing::AssertionFailure()
                       << "channel " << ch << " frame " << firstFrame + i << ": " << sample << " against "
                       << expected.output(ch)[i];
            changed = changed || sample != actual.input(ch)[i];
        }
    }
    return ::testing::AssertionSuccess();
}

TEST_P(StackAlignment, ProcessReplacingMatchesAnAlignedStack) {
    prepare(44100.0f);
    aligned->setParameter(aligned, CrossfeedEffect::kParamPreset,
                          parameterFromPreset(0)); // "Off": the levels are free
    setParameter(CrossfeedEffect::kParamPreset, parameterFromPreset(0));
    aligned->setParameter(aligned, CrossfeedEffect::kParamFeed, 0.8f);
    setParameter(CrossfeedEffect::kParamFeed, 0.8f);
    // Blocks of several sizes, each in buffers of its own, so the filter history crosses calls.
    bool changed = false;
    for (int32_t start = 0, block = 1; start < kFrames; start += block, block = block * 3 + 1) {
        const int32_t frames = std::min(block, kFrames - start);
        StereoBuffers<float> expected(frames);
        StereoBuffers<float> actual(frames);
        fill(expected, start);
        fill(actual, start);
        hosted.process(expected.inputs(), expected.outputs(), frames);
        process(reinterpret_cast<const void*>(misaligned->processReplacing), actual, frames);
        ASSERT_TRUE(sameOutputs(actual, expected, start, changed));
    }
    EXPECT_TRUE(changed) << "the crossfeed left the signal unchanged";
}

TEST_P(StackAlignment, ProcessDoubleReplacingMatchesAnAlignedStack) {
    prepare(96000.0f);
    StereoBuffers<double> expected(kFrames);
    StereoBuffers<double> actual(kFrames);
    fill(expected);
    fill(actual);
    aligned->setParameter(aligned, CrossfeedEffect::kParamPreset,
                          parameterFromPreset(kPresetCount - 1)); // the last preset
    setParameter(CrossfeedEffect::kParamPreset, parameterFromPreset(kPresetCount - 1));
    hosted.process(expected.inputs(), expected.outputs(), kFrames);
    process(reinterpret_cast<const void*>(misaligned->processDoubleReplacing), actual, kFrames);
    bool changed = false;
    ASSERT_TRUE(sameOutputs(actual, expected, 0, changed));
    EXPECT_TRUE(changed) << "the crossfeed left the signal unchanged";
}

TEST_P(StackAlignment, AccumulatingProcessMatchesAnAlignedStack) {
    prepare(44100.0f);
    StereoBuffers<float> expected(kFrames);
    StereoBuffers<float> actual(kFrames);
    fill(expected);
    fill(actual);
    // The older entry adds to what the outputs hold: start both from the same non-zero content.
    for (StereoBuffers<float>* buffers : {&expected, &actual}) {
        std::fill(buffers->output(0), buffers->output(0) + kFrames, 0.25f);
        std::fill(buffers->output(1), buffers->output(1) + kFrames, -0.125f);
    }
    aligned->process(aligned, expected.inputs(), expected.outputs(), kFrames);
    process(reinterpret_cast<const void*>(misaligned->process), actual, kFrames);
    for (int ch = 0; ch < 2; ++ch) {
        for (int32_t i = 0; i < kFrames; ++i) {
            ASSERT_TRUE(std::isfinite(actual.output(ch)[i])) << "channel " << ch << " frame " << i;
            ASSERT_EQ(actual.output(ch)[i], expected.output(ch)[i]) << "channel " << ch << " frame " << i;
        }
    }
}

// 0 is the aligned control: the trampoline itself must not change results.
INSTANTIATE_TEST_SUITE_P(StackOffsets, StackAlignment, ::testing::Values(0u, 4u, 8u, 12u),
                         [](const ::testing::TestParamInfo<uint32_t>& offset) {
                             return "Offset" + std::to_string(offset.param);
                         });

} // namespace
} // namespace tovrel::test

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    tovrel::test::g_pluginPath = tovrel::test::defaultPluginPath();
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--plugin=", 9) == 0)
            tovrel::test::g_pluginPath = argv[i] + 9;
    }
    return RUN_ALL_TESTS();
}
