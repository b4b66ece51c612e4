// A host's automation thread changes "Feed", "FCut" and the sample rate through the effect record
// while its audio thread processes blocks: every output frame is the frame of exactly one of the
// coefficient sets those changes published, and the frame after a change uses the new set.
#include "StressHost.h"
#include "engine/CrossfeedEngine.h"
#include "engine/PublishedSetReplay.h"
#include "plugin/CrossfeedEffect.h"
#include "plugin/ParameterMappings.h"
#include "plugin/Presets.h"
#include "support/LevelReadback.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <thread>
#include <vector>

namespace tovrel::test {
namespace {

TEST(HostThreads, AutomationAndRateChangesReachTheNextFrameWhole) {
    StressHost host;
    ASSERT_TRUE(host.load());
    const auto hosted = host.openEffect(44100.0f);
    ASSERT_NE(hosted, nullptr);
    AEffect* effect = hosted->effect();
    effect->setParameter(effect, 2, 0.0f); // "Off": the level parameters are free

    // The sets the plug-in publishes, computed here by the filter on one thread.
    CrossfeedEngine engine;
    CrossfeedFilter& reference = *engine.filter();
    reference.setLevel(levelInForce(effect));
    PublishedSetReplay published(reference.currentSet());

    constexpr size_t kFrames = 1 << 18;
    std::vector<double> in0(kFrames), in1(kFrames);
    std::vector<double> out0(kFrames, std::numeric_limits<double>::quiet_NaN()), out1(kFrames);
    SeededRandom noise(1);
    for (size_t i = 0; i < kFrames; ++i) {
        in0[i] = noise.sample() * 0.25;
        in1[i] = -in0[i] * 0.5 + static_cast<double>(i % 97) * 0.001;
    }
    const volatile double* written = out0.data();
    std::atomic<bool> audioDone{false};
    std::atomic<int> blocks{0};
    std::atomic<int> changes{0};

    std::thread automation([&]() {
        SeededRandom random(77, 1103515245u, 12345u);
        size_t done = 0;
        auto framesWritten = [&]() {
            while (done < kFrames && !std::isnan(written[done]))
                ++done;
            return done;
        };
        for (int n = 0; n < 150 && !audioDone.load(); ++n) {
            const size_t target = framesWritten() + 1 + random.below(300);
            for (int spin = 0; framesWritten() < target && !audioDone.load(); ++spin)
                if (spin % 4096 == 4095) // watch the block fill while both threads run
                    std::this_thread::yield();
            const uint32_t choice = random.next();
            const float value = static_cast<float>((choice >> 8) % 1000) * 0.001f;
            switch ((choice >> 20) % 4) {
            case 0: {
                const float rate = 22050.0f + static_cast<float>(n) * 97.0f;
                effect->dispatcher(effect, vst::effSetSampleRate, 0, 0, nullptr, rate);
                reference.setSampleRate(static_cast<uint32_t>(rate));
                break;
            }
            case 1:
                effect->setParameter(effect, 1, value);
                reference.setLevel(levelInForce(effect));
                break;
            default:
                effect->setParameter(effect, 0, value);
                reference.setLevel(levelInForce(effect));
                break;
            }
            // Outputs reach this thread later than the audio thread reads the sequence: its stores
            // wait in the processor's store buffer (a few dozen) while later loads go ahead. So
            // only frames beyond that window surely began after the change.
            published.publish(reference.currentSet(), framesWritten() + kLateFramesSeenByAnotherThread);
            changes.fetch_add(1);
        }
    });

    size_t processed = 0;
    while (processed < kFrames && blocks.load() < 4000) {
        const int32_t frames =
            static_cast<int32_t>(std::min<size_t>(1 + processed % 1021, kFrames - processed));
        double* inputs[2] = {&in0[processed], &in1[processed]};
        double* outputs[2] = {&out0[processed], &out1[processed]};
        effect->processDoubleReplacing(effect, inputs, outputs, frames);
        processed += static_cast<size_t>(frames);
        // A host's audio thread waits for its next buffer; this one also, for a while, until the
        // automation has caught up, on a machine that runs one thread at a time.
        const int done = blocks.fetch_add(1) + 1;
        for (int wait = 0; wait < 200 && !audioDone.load() && done > 4 * changes.load() + 4; ++wait)
            std::this_thread::yield();
    }
    audioDone.store(true);
    automation.join();
    hosted->close();

    EXPECT_GT(published.published(), 20u) << "the automation should have changed the sets";
    EXPECT_EQ(published.check(in0.data(), in1.data(), out0.data(), out1.data(), processed), "");
}

// Two host threads set parameters through the record at once, many times over: a thread setting
// "Feed" against one setting "FCut", and one choosing presets (last "C. Moy") against one setting
// "Feed". Once both are done, the last value each set is in force: getParameter reports it and
// the effect sounds exactly like one given the same settings on one thread.
TEST(HostThreads, TwoWritersNeverUndoEachOther) {
    StressHost host;
    ASSERT_TRUE(host.load());
    const auto hosted = host.openEffect(44100.0f);
    const auto reference = host.openEffect(44100.0f);
    ASSERT_TRUE(hosted && reference);
    AEffect* effect = hosted->effect();
    constexpr int kRounds = 100;
    constexpr int kSets = 5000;
    auto feedAt = [](int round, int n) { return static_cast<uint32_t>(10 + (n * 7 + round) % 141); };
    auto cutAt = [](int round, int n) { return static_cast<uint32_t>(300 + (n * 13 + round * 5) % 1701); };
    StereoBuffers<double> block(256);
    SeededRandom noise(17);
    for (int32_t i = 0; i < 256; ++i) {
        block.input(0)[i] = noise.sample() * 0.25;
        block.input(1)[i] = noise.sample() * 0.25;
    }
    auto heard = [&](HostedEffect& e, double(&out)[2][256]) {
        e.suspend();
        e.resume();
        e.process(block.inputs(), block.outputs(), 256);
        std::memcpy(out[0], block.output(0), sizeof(out[0]));
        std::memcpy(out[1], block.output(1), sizeof(out[1]));
    };
    for (int round = 0; round < kRounds; ++round) {
        const bool presetRace = round % 2 == 1;
        effect->setParameter(effect, CrossfeedEffect::kParamPreset, 0.0f);
        std::atomic<int> ready{0};
        auto startTogether = [&ready] {
            ready.fetch_add(1);
            while (ready.load() < 2)
                std::this_thread::yield();
        };
        std::thread first([&] {
            startTogether();
            for (int n = 0; n < kSets; ++n)
                effect->setParameter(
                    effect, presetRace ? CrossfeedEffect::kParamPreset : CrossfeedEffect::kParamFeed,
                    presetRace ? parameterFromPreset(n % kPresetCount) : parameterFromFeed(feedAt(round, n)));
            if (presetRace)
                effect->setParameter(effect, CrossfeedEffect::kParamPreset, parameterFromPreset(3));
        });
        std::thread second([&] {
            startTogether();
            for (int n = 0; n < kSets; ++n)
                effect->setParameter(
                    effect, presetRace ? CrossfeedEffect::kParamFeed : CrossfeedEffect::kParamCut,
                    presetRace ? parameterFromFeed(feedAt(round, n)) : parameterFromCut(cutAt(round, n)));
        });
        first.join();
        second.join();

        const int32_t preset = presetRace ? 3 : kPresetOff;
        const LevelWord level = presetRace ? kLevelCMoy
                                           : makeLevel(static_cast<uint32_t>(cutAt(round, kSets - 1)),
                                                       static_cast<uint32_t>(feedAt(round, kSets - 1)));
        const bool reported =
            presetFromParameter(effect->getParameter(effect, CrossfeedEffect::kParamPreset)) == preset &&
            feedFromParameter(effect->getParameter(effect, CrossfeedEffect::kParamFeed)) == feedOf(level) &&
            cutFromParameter(effect->getParameter(effect, CrossfeedEffect::kParamCut)) ==
                cutFrequencyOf(level);
        reference->setParameter(CrossfeedEffect::kParamPreset, 0.0f);
        reference->setParameter(CrossfeedEffect::kParamFeed, parameterFromFeed(feedOf(level)));
        reference->setParameter(CrossfeedEffect::kParamCut, parameterFromCut(cutFrequencyOf(level)));
        reference->setParameter(CrossfeedEffect::kParamPreset, parameterFromPreset(preset));
        double out[2][256], expected[2][256];
        heard(*hosted, out);
        heard(*reference, expected);
        EXPECT_TRUE(reported) << "round " << round << ": a change was undone";
        EXPECT_EQ(std::memcmp(out, expected, sizeof(out)), 0)
            << "round " << round << ": the filter did not end at the level in force";
    }
}

} // namespace
} // namespace tovrel::test
