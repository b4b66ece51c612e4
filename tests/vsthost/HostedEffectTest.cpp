#include "tools/vsthost/HostedEffect.h"
#include "tools/vsthost/SeededRandom.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

namespace tovrel::test {
namespace {

// An effect record whose entries only note what the host asked of them.
struct CallLog {
    std::vector<int32_t> opcodes;
    std::vector<intptr_t> mainsValues;
    int singleBlocks{0};
    int doubleBlocks{0};
};
CallLog calls;

intptr_t VST_CALL logDispatcher(AEffect*, int32_t opcode, int32_t index, intptr_t value, void* ptr, float) {
    calls.opcodes.push_back(opcode);
    if (opcode == vst::effMainsChanged)
        calls.mainsValues.push_back(value);
    if (opcode == vst::effGetParamDisplay)
        std::snprintf(static_cast<char*>(ptr), 64, "value %d", index);
    return 0;
}
void VST_CALL logProcess(AEffect*, float**, float**, int32_t) {
    ++calls.singleBlocks;
}
void VST_CALL logProcessDouble(AEffect*, double**, double**, int32_t) {
    ++calls.doubleBlocks;
}

AEffect* loggingEffect() {
    static AEffect effect{};
    effect.magic = vst::kEffectMagic;
    effect.dispatcher = &logDispatcher;
    effect.processReplacing = &logProcess;
    effect.processDoubleReplacing = &logProcessDouble;
    calls = CallLog{};
    return &effect;
}

int count(int32_t opcode) {
    int n = 0;
    for (int32_t op : calls.opcodes)
        n += op == opcode;
    return n;
}

TEST(HostedEffectLifetime, DestructorSwitchesOffAndClosesOnce) {
    {
        HostedEffect hosted;
        ASSERT_TRUE(hosted.open(loggingEffect()));
        hosted.setSampleRate(48000.0f);
        hosted.resume();
        EXPECT_EQ(count(vst::effClose), 0);
    }
    ASSERT_FALSE(calls.opcodes.empty());
    EXPECT_EQ(calls.opcodes.front(), vst::effOpen);
    EXPECT_EQ(calls.opcodes.back(), vst::effClose);
    EXPECT_EQ(count(vst::effClose), 1);
    EXPECT_EQ(calls.mainsValues, (std::vector<intptr_t>{1, 0}));
}

TEST(HostedEffectLifetime, ExplicitCloseIsNotRepeatedAndASuspendedEffectIsNotSwitchedOffAgain) {
    {
        HostedEffect hosted;
        ASSERT_TRUE(hosted.open(loggingEffect()));
        hosted.resume();
        hosted.suspend();
        hosted.close();
        EXPECT_FALSE(hosted.isOpen());
    }
    EXPECT_EQ(count(vst::effClose), 1);
    EXPECT_EQ(calls.mainsValues, (std::vector<intptr_t>{1, 0}));
}

TEST(HostedEffectLifetime, FailedLoadReportsTheFileAndLeavesNoEffect) {
    HostedEffect hosted;
    EXPECT_FALSE(hosted.load("no-such-plugin-here.bin"));
    EXPECT_FALSE(hosted.isOpen());
    EXPECT_NE(hosted.error().find("no-such-plugin-here.bin"), std::string::npos) << hosted.error();

    PluginLibrary unloaded;
    EXPECT_FALSE(hosted.open(unloaded));
    EXPECT_FALSE(hosted.error().empty());
}

TEST(HostedEffectLifetime, RecordWithoutTheMagicIsRefusedUntouched) {
    AEffect* record = loggingEffect();
    record->magic = 0;
    HostedEffect hosted;
    EXPECT_FALSE(hosted.open(record));
    EXPECT_FALSE(hosted.isOpen());
    EXPECT_FALSE(hosted.isStereo());
    EXPECT_FALSE(hosted.error().empty());
    hosted.close();
    EXPECT_TRUE(calls.opcodes.empty()) << "the host called into a record that is not an effect";
}

TEST(HostedEffectParameters, DisplayTextComesFromTheNamedParameter) {
    AEffect* record = loggingEffect();
    record->numInputs = 2;
    record->numOutputs = 2;
    HostedEffect hosted;
    ASSERT_TRUE(hosted.open(record));
    EXPECT_TRUE(hosted.isStereo());
    EXPECT_EQ(hosted.parameterDisplay(2), "value 2");
    EXPECT_EQ(hosted.parameterDisplay(0), "value 0");
}

TEST(HostedEffectProcessing, EachPrecisionReachesItsOwnEntry) {
    HostedEffect hosted;
    ASSERT_TRUE(hosted.open(loggingEffect()));
    float f[2] = {};
    float* fp[2] = {f, f + 1};
    double d[2] = {};
    double* dp[2] = {d, d + 1};
    hosted.process(fp, fp, 1);
    hosted.process(dp, dp, 1);
    hosted.process(dp, dp, 1);
    EXPECT_EQ(calls.singleBlocks, 1);
    EXPECT_EQ(calls.doubleBlocks, 2);
}

// Recorded reference signals were made with these sequences; a change to the generator would
// silently change every input built from it.
TEST(SeededRandomSequence, KeepsTheRecordedSequences) {
    SeededRandom random(1);
    EXPECT_EQ(random.next(), 1015568748u);
    EXPECT_EQ(random.next(), 1586005467u);

    SeededRandom other(77, 1103515245u, 12345u);
    EXPECT_EQ(other.next(), 77u * 1103515245u + 12345u);

    SeededRandom scaled(1);
    EXPECT_EQ(scaled.sample24(), static_cast<double>(1015568748 >> 8) / 8388608.0);
    SeededRandom high(0x80000000u, 1u, 0u);
    EXPECT_EQ(high.sample(), -1.0);
    SeededRandom unit(0xFFFFFFFFu, 1u, 0u);
    EXPECT_EQ(unit.unit24(), 16777215.0 / 16777216.0);
}

} // namespace
} // namespace tovrel::test
