// The plug-in as a host sees it: the library is loaded by file name and reached only through its
// exported entry point and the effect record. Built for every platform, so the same checks run
// against the Linux plug-ins (natively and under qemu) and the Windows DLL (under Wine).
#include "hostlevel/HostSession.h"
#include "plugin/ParameterMappings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace tovrel::test {
namespace {

// The Linux plug-ins (x86-64 and i386) and the 64-bit DLL give the reference samples bit for bit.
// The 32-bit DLL's runtime rounds exp and pow differently in the last bit, which moves the filter
// coefficients, and with them the samples, by a few units in the last place.
#if defined(_WIN32) && !defined(_WIN64)
constexpr double kPlatformBound = 1e-12;
#else
constexpr double kPlatformBound = 0.0;
#endif

#if defined(TOVREL_EXPECT_EDITOR)
constexpr int32_t kExpectedFlags = 0x1011;
#else
constexpr int32_t kExpectedFlags = 0x1010;
#endif

class HostLevel : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(library.load(HostLevelPaths::plugin)) << library.error();
        effect = library.createEffect(RecordingHost::callback());
        ASSERT_NE(effect, nullptr);
        host.clear();
    }
    void TearDown() override {
        if (effect) {
            EXPECT_EQ(send(vst::effClose), 1);
        }
    }

    intptr_t send(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                  float opt = 0.0f) {
        return effect->dispatcher(effect, opcode, index, value, ptr, opt);
    }

    std::string text(int32_t opcode, int32_t index, size_t limit) {
        char buffer[128];
        std::memset(buffer, 'x', sizeof(buffer));
        send(opcode, index, 0, buffer);
        // The text ends at or before the limit, and nothing past the limit's NUL is written.
        const void* nul = std::memchr(buffer, '\0', limit + 1);
        EXPECT_NE(nul, nullptr) << "opcode " << opcode << " wrote no NUL within " << limit;
        EXPECT_EQ(buffer[limit + 1], 'x') << "opcode " << opcode << " wrote past its limit";
        return nul ? std::string(buffer) : std::string();
    }

    std::string display(int32_t index) { return text(vst::effGetParamDisplay, index, 8); }

    RecordingHost host;
    PluginLibrary library;
    AEffect* effect{nullptr};
};

TEST(HostLevelEntry, HostWithoutAVersionGetsNothing) {
    RecordingHost host;
    host.answer(vst::audioMasterVersion, 0);
    PluginLibrary library;
    ASSERT_TRUE(library.load(HostLevelPaths::plugin)) << library.error();
    EXPECT_EQ(library.createEffect(RecordingHost::callback()), nullptr);
    ASSERT_EQ(host.calls().size(), 1u);
    EXPECT_EQ(host.calls()[0].opcode, vst::audioMasterVersion);
    EXPECT_EQ(host.calls()[0].effect, nullptr);
}

TEST(HostLevelEntry, BothExportedNamesAreOneFunction) {
    PluginLibrary library;
    ASSERT_TRUE(library.load(HostLevelPaths::plugin)) << library.error();
    EXPECT_NE(library.symbol("VSTPluginMain"), nullptr);
    EXPECT_EQ(library.symbol("VSTPluginMain"), library.symbol("main"));
}

TEST_F(HostLevel, RecordAsTheHostReadsIt) {
    EXPECT_EQ(sizeof(AEffect), sizeof(void*) == 8 ? 192u : 144u);
    EXPECT_EQ(effect->magic, 0x56737450);
    EXPECT_EQ(effect->numPrograms, 1);
    EXPECT_EQ(effect->numParams, 3);
    EXPECT_EQ(effect->numInputs, 2);
    EXPECT_EQ(effect->numOutputs, 2);
    EXPECT_EQ(effect->flags, kExpectedFlags);
    EXPECT_EQ(effect->initialDelay, 0);
    EXPECT_EQ(effect->realQualities, 0);
    EXPECT_EQ(effect->offQualities, 0);
    EXPECT_EQ(effect->ioRatio, 1.0f);
    EXPECT_EQ(effect->version, 1);
    EXPECT_EQ(effect->uniqueID, ('h' << 24) | ('x' << 16) | ('F' << 8) | '2');
    EXPECT_EQ(effect->user, nullptr);
    EXPECT_NE(effect->object, nullptr);
    EXPECT_EQ(effect->resvd1, 0);
    EXPECT_EQ(effect->resvd2, 0);
    for (char c : effect->future)
        EXPECT_EQ(c, 0);
    EXPECT_NE(effect->process, nullptr);
    EXPECT_NE(effect->processReplacing, nullptr);
    EXPECT_NE(effect->processDoubleReplacing, nullptr);
}

TEST_F(HostLevel, EveryOpcodeGetsThisPluginsAnswer) {
    struct Expected {
        int32_t opcode;
        intptr_t answer;
    };
    // Opcodes that need no buffer, with the answers of this plug-in.
    const Expected answers[] = {
        {vst::effOpen, 0},
        {vst::effGetProgram, 0},
        {vst::effGetVu, 0},
        {vst::effSetBlockSize, 0},
        {vst::effMainsChanged, 0},
        {vst::effEditDraw, 0},
        {vst::effEditMouse, 0},
        {vst::effEditKey, 0},
        {vst::effEditTop, 0},
        {vst::effEditSleep, 0},
        {vst::effIdentify, 0x4E764566},
        {vst::effProcessEvents, 0},
        {vst::effCanBeAutomated, 1},
        {vst::effGetNumProgramCategories, 0},
        {vst::effCopyProgram, 0},
        {vst::effConnectInput, 0},
        {vst::effConnectOutput, 0},
        {vst::effGetInputProperties, 0},
        {vst::effGetOutputProperties, 0},
        {vst::effGetPlugCategory, 0},
        {vst::effGetCurrentPosition, 0},
        {vst::effGetDestinationBuffer, 0},
        {vst::effOfflineNotify, 0},
        {vst::effOfflinePrepare, 0},
        {vst::effOfflineRun, 0},
        {vst::effProcessVarIo, 0},
        {vst::effSetSpeakerArrangement, 0},
        {vst::effSetBlockSizeAndSampleRate, 0},
        {vst::effSetBypass, 0},
        {vst::effGetErrorText, 0},
        {vst::effGetVendorVersion, 0x10000},
        {vst::effVendorSpecific, 0},
        {vst::effGetTailSize, 0},
        {vst::effIdle, 0},
        {vst::effGetIcon, 0},
        {vst::effSetViewPosition, 0},
        {vst::effGetParameterProperties, 0},
        {vst::effKeysRequired, 0},
        {vst::effGetVstVersion, 2400},
        {vst::effGetMidiProgramName, 0},
        {vst::effGetCurrentMidiProgram, -1},
        {vst::effGetMidiProgramCategory, 0},
        {vst::effHasMidiProgramsChanged, 0},
        {vst::effGetMidiKeyName, 0},
        {vst::effBeginSetProgram, 0},
        {vst::effEndSetProgram, 0},
        {vst::effShellGetNextPlugin, 0},
        {vst::effStartProcess, 0},
        {vst::effStopProcess, 0},
        {vst::effSetPanLaw, 0},
        {vst::effBeginLoadBank, 0},
        {vst::effBeginLoadProgram, 0},
        {vst::effSetProcessPrecision, 0},
        {vst::effGetNumMidiInputChannels, 0},
        {vst::effGetNumMidiOutputChannels, 0},
        {80, 0},
        {-1, 0},
        {0x7fffffff, 0},
    };
    for (const Expected& expected : answers)
        EXPECT_EQ(send(expected.opcode), expected.answer) << "opcode " << expected.opcode;
    EXPECT_EQ(send(vst::effSetTotalSampleToProcess, 0, 4096), 4096);

    char capability[] = "receiveVstMidiEvent";
    EXPECT_EQ(send(vst::effCanDo, 0, 0, capability), 0);
    void* chunk = &host;
    EXPECT_EQ(send(vst::effGetChunk, 0, 0, &chunk), 0);
    EXPECT_EQ(chunk, &host);
    EXPECT_EQ(send(vst::effSetChunk, 0, 4, &chunk), 0);
    VstSpeakerArrangement* in = reinterpret_cast<VstSpeakerArrangement*>(&host);
    VstSpeakerArrangement* out = in;
    EXPECT_EQ(send(vst::effGetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&in), &out), 0);
    EXPECT_EQ(in, nullptr);
    EXPECT_EQ(out, nullptr);

    send(vst::effSetProgram, 0, 1);
    EXPECT_EQ(send(vst::effGetProgram), 0);
    send(vst::effSetProgram, 0, -1);
    EXPECT_EQ(send(vst::effGetProgram), -1);

#if !defined(TOVREL_EXPECT_EDITOR)
    ERect* rect = nullptr;
    EXPECT_EQ(send(vst::effEditGetRect, 0, 0, &rect), 0);
    EXPECT_EQ(send(vst::effEditOpen), 0);
    EXPECT_EQ(send(vst::effEditIdle), 0);
    EXPECT_EQ(send(vst::effEditKeyDown, 'a', 65), 0);
    EXPECT_EQ(send(vst::effSetEditKnobMode, 0, 2), 0);
#endif
    // None of the above calls back into the host.
    EXPECT_TRUE(host.calls().empty());
}

TEST_F(HostLevel, TextsKeepTheirLimits) {
    EXPECT_EQ(text(vst::effGetParamName, 0, 8), "Feed");
    EXPECT_EQ(text(vst::effGetParamName, 1, 8), "FCut");
    EXPECT_EQ(text(vst::effGetParamName, 2, 8), "Defs");
    EXPECT_EQ(text(vst::effGetParamLabel, 0, 8), " dB");
    EXPECT_EQ(text(vst::effGetParamLabel, 1, 8), " Hz/us");
    EXPECT_EQ(text(vst::effGetParamLabel, 2, 8), " ");
    EXPECT_EQ(display(0), "6.2");
    EXPECT_EQ(display(1), "730/250");
    EXPECT_EQ(display(2), "Taskel (");
    EXPECT_EQ(text(vst::effGetEffectName, 0, 32), "hxF2");
    EXPECT_EQ(text(vst::effGetProductString, 0, 64),
              "Orvalen Headphones Crossfeed (Bauer Stereophonic-to-Binaural)");
    // The maker as the editor's footer and the DLL's version information name it.
    EXPECT_EQ(text(vst::effGetVendorString, 0, 64), "orvalen.example.org");
    EXPECT_EQ(text(vst::effGetProgramName, 0, 24), "Default");

    char name[] = "a program name of thirty-five chars";
    send(vst::effSetProgramName, 0, 0, name);
    EXPECT_EQ(text(vst::effGetProgramName, 0, 24), std::string(name, 24));

    // Indices the plug-in does not have leave the host's buffer alone.
    char untouched[16] = "untouched";
    send(vst::effGetParamName, 3, 0, untouched);
    send(vst::effGetParamDisplay, -1, 0, untouched);
    EXPECT_STREQ(untouched, "untouched");
}

TEST_F(HostLevel, ParametersAndPresetsThroughTheRecord) {
    EXPECT_FLOAT_EQ(effect->getParameter(effect, 0), parameterFromFeed(62));
    EXPECT_FLOAT_EQ(effect->getParameter(effect, 1), parameterFromCut(730));
    EXPECT_EQ(effect->getParameter(effect, 2), 0.25f);
    EXPECT_EQ(effect->getParameter(effect, 3), 0.0f);

    effect->setParameter(effect, 0, 0.5f); // locked by the preset
    EXPECT_EQ(display(0), "6.2");
    effect->setParameter(effect, 2, 0.75f);
    EXPECT_EQ(display(0), "6.0");
    EXPECT_EQ(display(1), "700/260");
    EXPECT_EQ(display(2), "C. Moy");
    EXPECT_FLOAT_EQ(effect->getParameter(effect, 0), parameterFromFeed(60));
    EXPECT_FLOAT_EQ(effect->getParameter(effect, 1), parameterFromCut(700));

    effect->setParameter(effect, 2, 0.0f);
    EXPECT_EQ(display(2), "Off");
    effect->setParameter(effect, 0, 0.5f);
    EXPECT_EQ(display(0), "8.0");
    EXPECT_EQ(display(1), "700/260");
    effect->setParameter(effect, 1, 0.0f);
    EXPECT_EQ(display(1), "300/620");
    effect->setParameter(effect, 1, 1.5f); // out of range: the fallback level in both halves
    EXPECT_EQ(display(0), "6.2");
    EXPECT_EQ(display(1), "730/250");
    effect->setParameter(effect, 2, 0.2f);
    EXPECT_EQ(display(2), "Off");
    effect->setParameter(effect, 2, 0.21f);
    EXPECT_EQ(display(2), "Taskel (");
}

TEST_F(HostLevel, InPlaceProcessingEqualsSeparateBuffers) {
    AEffect* twin = library.createEffect(RecordingHost::callback());
    ASSERT_NE(twin, nullptr);
    SeededRandom signal(7);
    double in[2][256], out[2][256], inPlace[2][256];
    for (int i = 0; i < 256; ++i) {
        in[0][i] = inPlace[0][i] = signal.sample24();
        in[1][i] = inPlace[1][i] = signal.sample24();
    }
    double* inputs[2] = {in[0], in[1]};
    double* outputs[2] = {out[0], out[1]};
    double* same[2] = {inPlace[0], inPlace[1]};
    effect->processDoubleReplacing(effect, inputs, outputs, 256);
    twin->processDoubleReplacing(twin, same, same, 256);
    EXPECT_EQ(std::memcmp(out, inPlace, sizeof(out)), 0);
    EXPECT_EQ(twin->dispatcher(twin, vst::effClose, 0, 0, nullptr, 0.0f), 1);
}

TEST_F(HostLevel, EmptyBlocksTouchNeitherBuffersNorState) {
    AEffect* twin = library.createEffect(RecordingHost::callback());
    ASSERT_NE(twin, nullptr);
    float in[2][16], out[2][16];
    for (int i = 0; i < 16; ++i) {
        in[0][i] = 0.5f;
        in[1][i] = -0.5f;
        out[0][i] = out[1][i] = 42.0f;
    }
    float* inputs[2] = {in[0], in[1]};
    float* outputs[2] = {out[0], out[1]};
    effect->processReplacing(effect, inputs, outputs, 0);
    effect->processReplacing(effect, inputs, outputs, -3);
    double* doubles[2] = {nullptr, nullptr};
    effect->processDoubleReplacing(effect, doubles, doubles, 0);
    for (int i = 0; i < 16; ++i)
        ASSERT_EQ(out[0][i], 42.0f);
    // The state is untouched: the next block equals a fresh effect's.
    float twinOut[2][16];
    float* twinOutputs[2] = {twinOut[0], twinOut[1]};
    effect->processReplacing(effect, inputs, outputs, 16);
    twin->processReplacing(twin, inputs, twinOutputs, 16);
    EXPECT_EQ(std::memcmp(out, twinOut, sizeof(out)), 0);
    twin->dispatcher(twin, vst::effClose, 0, 0, nullptr, 0.0f);
}

TEST_F(HostLevel, SampleRateReachesTheFilter) {
    AEffect* twin = library.createEffect(RecordingHost::callback());
    ASSERT_NE(twin, nullptr);
    send(vst::effSetSampleRate, 0, 0, nullptr, 48000.0f);
    double impulse[2][64] = {}, twinImpulse[2][64] = {};
    impulse[1][0] = twinImpulse[1][0] = 1.0;
    double* a[2] = {impulse[0], impulse[1]};
    double* b[2] = {twinImpulse[0], twinImpulse[1]};
    effect->processDoubleReplacing(effect, a, a, 64);
    twin->processDoubleReplacing(twin, b, b, 64);
    // The low-pass corner sits at the same frequency, so at 48000 Hz each sample covers less of it.
    EXPECT_LT(impulse[0][0], twinImpulse[0][0]);
    EXPECT_GT(impulse[0][0], 0.0);
    twin->dispatcher(twin, vst::effSetSampleRate, 0, 0, nullptr, 48000.0f);
    double again[2][64] = {};
    again[1][0] = 1.0;
    double* c[2] = {again[0], again[1]};
    twin->processDoubleReplacing(twin, c, c, 64);
    EXPECT_EQ(std::memcmp(again, impulse, sizeof(again)), 0);
    twin->dispatcher(twin, vst::effClose, 0, 0, nullptr, 0.0f);
}

// A stop and a start between two renders: the second starts from a clear history, so a bounce of
// a passage does not depend on what played before it. A stop alone (the host may never start again) changes
// nothing: processing goes on as if there had been none.
TEST_F(HostLevel, ResumingStartsFromSilenceAndSuspendingChangesNothing) {
    SeededRandom signal(5);
    double earlier[2][512], passage[2][512];
    for (int i = 0; i < 512; ++i) {
        earlier[0][i] = signal.sample24();
        earlier[1][i] = signal.sample24();
        passage[0][i] = signal.sample24() * 0.5;
        passage[1][i] = 0.0;
    }
    auto render = [](AEffect* e, const double(&source)[2][512], double(&result)[2][512]) {
        std::memcpy(result, source, sizeof(result));
        double* channels[2] = {result[0], result[1]};
        e->processDoubleReplacing(e, channels, channels, 512);
    };
    struct Case {
        const char* name;
        std::vector<intptr_t> mains; // effMainsChanged values sent between the two renders
        bool startsFresh;
    };
    const Case cases[] = {{"stop and start", {0, 1}, true}, {"start again", {1}, true}, {"stop", {0}, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AEffect* played = library.createEffect(RecordingHost::callback());
        AEffect* reference = library.createEffect(RecordingHost::callback());
        ASSERT_TRUE(played && reference);
        double out[2][512], expected[2][512];
        played->dispatcher(played, vst::effMainsChanged, 0, 1, nullptr, 0.0f);
        render(played, earlier, out);
        for (intptr_t value : c.mains)
            played->dispatcher(played, vst::effMainsChanged, 0, value, nullptr, 0.0f);
        // The reference renders the passage on a fresh effect, or straight after the earlier one.
        reference->dispatcher(reference, vst::effMainsChanged, 0, 1, nullptr, 0.0f);
        if (!c.startsFresh)
            render(reference, earlier, expected);
        render(played, passage, out);
        render(reference, passage, expected);
        EXPECT_EQ(std::memcmp(out, expected, sizeof(out)), 0);
        played->dispatcher(played, vst::effClose, 0, 0, nullptr, 0.0f);
        reference->dispatcher(reference, vst::effClose, 0, 0, nullptr, 0.0f);
    }
}

// Reference samples, one 64-bit pattern per line in hexadecimal, scenario by scenario.
std::vector<uint64_t> readGolden(const std::string& path) {
    std::ifstream file(path);
    std::vector<uint64_t> bits;
    std::string line;
    while (std::getline(file, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        bits.push_back(std::stoull(line, nullptr, 16));
    }
    return bits;
}

TEST(HostLevelSamples, EqualOnEveryPlatform) {
    PluginLibrary library;
    ASSERT_TRUE(library.load(HostLevelPaths::plugin)) << library.error();
    const std::vector<uint64_t> golden = readGolden(HostLevelPaths::golden);
    ASSERT_EQ(golden.size(), static_cast<size_t>(kScenarioCount) * kScenarioFrames * 2)
        << "reference samples missing or incomplete in " << HostLevelPaths::golden;
    double largest = 0.0;
    size_t exact = 0;
    size_t position = 0;
    for (int s = 0; s < kScenarioCount; ++s) {
        std::vector<double> samples;
        ASSERT_TRUE(renderScenario(library, kScenarios[s], samples)) << kScenarios[s].name;
        for (double sample : samples) {
            double expected;
            std::memcpy(&expected, &golden[position++], sizeof(expected));
            ASSERT_TRUE(std::isfinite(sample));
            const double difference = std::fabs(sample - expected);
            ASSERT_LE(difference, kPlatformBound) << kScenarios[s].name << " sample " << position;
            largest = std::max(largest, difference);
            exact += difference == 0.0;
        }
    }
    std::printf("largest difference from the reference samples: %.3g (%zu of %zu samples identical)\n",
                largest, exact, golden.size());
    ::testing::Test::RecordProperty("largest_difference", std::to_string(largest));
}

int writeGolden(const std::string& path) {
    PluginLibrary library;
    if (!library.load(HostLevelPaths::plugin)) {
        std::fprintf(stderr, "%s\n", library.error().c_str());
        return 1;
    }
    std::ofstream file(path);
    file << "# Output samples of the crossfeed for the host-level scenarios, as 64-bit patterns.\n";
    for (int s = 0; s < kScenarioCount; ++s) {
        std::vector<double> samples;
        if (!renderScenario(library, kScenarios[s], samples))
            return 1;
        file << "# " << kScenarios[s].name << "\n";
        for (double sample : samples) {
            uint64_t bits;
            std::memcpy(&bits, &sample, sizeof(bits));
            char line[24];
            std::snprintf(line, sizeof(line), "%08lx%08lx", static_cast<unsigned long>(bits >> 32),
                          static_cast<unsigned long>(bits & 0xFFFFFFFFu));
            file << line << "\n";
        }
    }
    return file.good() ? 0 : 1;
}

} // namespace
} // namespace tovrel::test

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    using tovrel::test::HostLevelPaths;
    HostLevelPaths::plugin = TOVREL_DEFAULT_PLUGIN;
    HostLevelPaths::golden = TOVREL_GOLDEN_FILE;
    std::string writeTo;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--plugin=", 0) == 0)
            HostLevelPaths::plugin = arg.substr(9);
        else if (arg.rfind("--golden=", 0) == 0)
            HostLevelPaths::golden = arg.substr(9);
        else if (arg.rfind("--write-golden=", 0) == 0)
            writeTo = arg.substr(15);
    }
    if (!writeTo.empty())
        return tovrel::test::writeGolden(writeTo);
    return RUN_ALL_TESTS();
}
