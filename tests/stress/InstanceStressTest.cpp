// Many effects of one library, opened, processed and closed in interleaved order, and parameter
// changes from a second thread while the audio thread processes: nothing may crash, every output
// must be finite and within full scale, and no effect may disturb another.
#include "StressHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <thread>
#include <vector>

namespace tovrel::test {
namespace {

constexpr int kInstances = 64;
constexpr int kBlocksPerInstance = 12;

const float kRates[] = {44100.0f, 48000.0f, 96000.0f, 22050.0f, 384000.0f, 2000.0f, 8000.0f, 192000.0f};

// Everything one effect does, fixed by its number: its settings, its block sizes and its input,
// which is loud noise (clipping) with a NaN, an infinity or an absurd value now and then.
class InstanceScript {
public:
    explicit InstanceScript(int number)
        : instanceNumber(number), random(0x9E3779B9u * static_cast<uint32_t>(number + 1)) {}

    float sampleRate() const { return kRates[instanceNumber % 8]; }
    bool doublePrecision() const { return instanceNumber % 2 == 0; }

    void configure(AEffect* effect) const {
        if (instanceNumber % 3 == 0) {
            effect->setParameter(effect, 2, 0.0f); // "Off": the level parameters are free
            effect->setParameter(effect, 0, static_cast<float>(instanceNumber) / kInstances);
            effect->setParameter(effect, 1, 1.0f - static_cast<float>(instanceNumber) / kInstances);
        } else {
            effect->setParameter(effect, 2, 0.25f * static_cast<float>(1 + instanceNumber % 4));
        }
    }

    // Processes the script's next block; appends the outputs to `recorded`. False if any output
    // was not finite or beyond full scale.
    bool processNext(AEffect* effect, std::vector<double>& recorded) {
        const int32_t frames = static_cast<int32_t>(1 + random.below(700));
        return doublePrecision() ? run<double>(effect, frames, recorded)
                                 : run<float>(effect, frames, recorded);
    }

private:
    double nextSample() {
        const uint32_t pick = random.below(2000);
        if (pick == 0)
            return std::numeric_limits<double>::quiet_NaN();
        if (pick == 1)
            return -std::numeric_limits<double>::infinity();
        if (pick == 2)
            return 1e300;
        return 1.5 * random.sample();
    }

    template <typename Sample> bool run(AEffect* effect, int32_t frames, std::vector<double>& recorded) {
        StereoBuffers<Sample> block(frames);
        for (int32_t i = 0; i < frames; ++i) {
            block.input(0)[i] = static_cast<Sample>(nextSample());
            block.input(1)[i] = static_cast<Sample>(nextSample());
        }
        process(effect, block);
        for (int32_t i = 0; i < frames; ++i) {
            recorded.push_back(block.output(0)[i]);
            recorded.push_back(block.output(1)[i]);
        }
        return block.outputsSound();
    }

    static void process(AEffect* effect, StereoBuffers<double>& block) {
        effect->processDoubleReplacing(effect, block.inputs(), block.outputs(), block.frames());
    }
    static void process(AEffect* effect, StereoBuffers<float>& block) {
        effect->processReplacing(effect, block.inputs(), block.outputs(), block.frames());
    }

    int instanceNumber;
    SeededRandom random;
};

struct Live {
    int number{0};
    std::unique_ptr<HostedEffect> hosted;
    InstanceScript script;
    int blocksDone{0};
    std::vector<double> recorded;
};

// Runs the script of one instance alone, on an effect of its own, from start to end.
std::vector<double> runAlone(const StressHost& host, int number, bool& sound) {
    InstanceScript script(number);
    const auto hosted = host.openEffect(script.sampleRate());
    std::vector<double> recorded;
    if (!hosted) {
        sound = false;
        return recorded;
    }
    AEffect* effect = hosted->effect();
    script.configure(effect);
    for (int b = 0; b < kBlocksPerInstance; ++b)
        sound &= script.processNext(effect, recorded);
    return recorded;
}

bool sameBits(const std::vector<double>& a, const std::vector<double>& b) {
    return a.size() == b.size() &&
           (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0);
}

TEST(InstanceStress, SixtyFourInstancesOpenedProcessedAndClosedInterleaved) {
    StressHost host;
    ASSERT_TRUE(host.load());
    std::vector<Live> live;
    std::vector<std::vector<double>> results(kInstances);
    SeededRandom order(2024);
    int opened = 0;
    int closed = 0;
    int maxAlive = 0;
    while (closed < kInstances) {
        const uint32_t action = order.below(10);
        if (opened < kInstances && (live.empty() || action < 3)) {
            Live instance{opened, nullptr, InstanceScript(opened), 0, {}};
            instance.hosted = host.openEffect(instance.script.sampleRate());
            ASSERT_NE(instance.hosted, nullptr) << "instance " << opened;
            instance.script.configure(instance.hosted->effect());
            live.push_back(std::move(instance));
            ++opened;
        } else {
            const size_t pick = order.below(static_cast<uint32_t>(live.size()));
            Live& instance = live[pick];
            if (instance.blocksDone < kBlocksPerInstance) {
                ASSERT_TRUE(instance.script.processNext(instance.hosted->effect(), instance.recorded))
                    << "an output of instance " << instance.number << " was not sound";
                ++instance.blocksDone;
            } else {
                instance.hosted.reset();
                results[static_cast<size_t>(instance.number)].swap(instance.recorded);
                live.erase(live.begin() + static_cast<std::ptrdiff_t>(pick));
                ++closed;
            }
        }
        maxAlive = std::max(maxAlive, static_cast<int>(live.size()));
    }
    EXPECT_GT(maxAlive, 16) << "the order should keep many instances alive at once";

    // Each instance, run alone, gives exactly what it gave among the others.
    for (int number = 0; number < kInstances; ++number) {
        bool sound = true;
        const std::vector<double> alone = runAlone(host, number, sound);
        EXPECT_TRUE(sound) << "instance " << number;
        EXPECT_FALSE(alone.empty());
        EXPECT_TRUE(sameBits(alone, results[static_cast<size_t>(number)])) << "instance " << number;
    }
}

TEST(InstanceStress, TwoAudioThreadsEachOpenProcessAndCloseTheirOwnInstances) {
    StressHost host;
    ASSERT_TRUE(host.load());
    std::vector<std::vector<double>> results(kInstances);
    std::atomic<int> unsound{0};
    auto audioThread = [&](int first) {
        for (int number = first; number < kInstances; number += 2) {
            InstanceScript script(number);
            const auto hosted = host.openEffect(script.sampleRate());
            if (!hosted) {
                ++unsound;
                continue;
            }
            AEffect* effect = hosted->effect();
            script.configure(effect);
            for (int b = 0; b < kBlocksPerInstance; ++b)
                unsound += script.processNext(effect, results[static_cast<size_t>(number)]) ? 0 : 1;
        }
    };
    std::thread even(audioThread, 0);
    std::thread odd(audioThread, 1);
    even.join();
    odd.join();
    EXPECT_EQ(unsound.load(), 0);
    for (int number = 0; number < kInstances; number += 7) {
        bool sound = true;
        EXPECT_TRUE(sameBits(runAlone(host, number, sound), results[static_cast<size_t>(number)]))
            << "instance " << number;
    }
}

// The host's user-interface thread automates all three parameters, with any float at all, while
// the audio thread processes blocks in both precisions.
TEST(ThreadStress, ParametersSetFromAnotherThreadWhileProcessing) {
    StressHost host;
    ASSERT_TRUE(host.load());
    const auto hosted = host.openEffect(44100.0f);
    ASSERT_NE(hosted, nullptr);
    AEffect* effect = hosted->effect();

    std::atomic<bool> audioDone{false};
    std::atomic<int> unsoundBlocks{0};
    std::atomic<int> badParameters{0};
    std::atomic<int> parameterCalls{0};
    constexpr int kOverlappingCalls = 1000;

    std::thread audio([&]() {
        SeededRandom random(7);
        StereoBuffers<double> doubles(128);
        StereoBuffers<float> floats(128);
        // The audio thread keeps going until the other thread has made its share of calls, so the
        // two overlap however the machine schedules them.
        for (int b = 0; b < 20000 || parameterCalls.load() < kOverlappingCalls; ++b) {
            for (int32_t i = 0; i < 128; ++i) {
                const double left =
                    random.below(5000) == 0 ? std::numeric_limits<double>::infinity() : random.sample();
                doubles.input(0)[i] = left;
                doubles.input(1)[i] = -random.sample();
                floats.input(0)[i] = static_cast<float>(left);
                floats.input(1)[i] = static_cast<float>(random.sample());
            }
            if (b % 2) {
                effect->processDoubleReplacing(effect, doubles.inputs(), doubles.outputs(), 128);
                unsoundBlocks += doubles.outputsSound() ? 0 : 1;
            } else {
                effect->processReplacing(effect, floats.inputs(), floats.outputs(), 128);
                unsoundBlocks += floats.outputsSound() ? 0 : 1;
            }
        }
        audioDone = true;
    });

    std::thread user([&]() {
        const float odd[] = {std::numeric_limits<float>::quiet_NaN(),
                             std::numeric_limits<float>::infinity(),
                             -std::numeric_limits<float>::infinity(),
                             -1.0f,
                             2.0f,
                             1e30f,
                             0.2f,
                             0.21f,
                             0.0f,
                             1.0f};
        SeededRandom random(11);
        for (int n = 0; n < 2000000 && !audioDone; ++n) {
            const int32_t index = static_cast<int32_t>(random.below(4));
            const float value = random.below(4) == 0 ? odd[random.below(10)]
                                                     : static_cast<float>(0.5 + 0.5 * random.sample());
            effect->setParameter(effect, index, value);
            const float read = effect->getParameter(effect, static_cast<int32_t>(random.below(3)));
            badParameters += (read >= 0.0f && read <= 1.0f) ? 0 : 1;
            ++parameterCalls;
        }
    });
    audio.join();
    user.join();
    EXPECT_EQ(unsoundBlocks.load(), 0);
    EXPECT_EQ(badParameters.load(), 0);

    // Nothing lasting: after a rate change (which clears the history) and a preset, the effect
    // processes exactly like a fresh one with the same settings.
    const auto hostedFresh = host.openEffect(48000.0f);
    ASSERT_NE(hostedFresh, nullptr);
    AEffect* fresh = hostedFresh->effect();
    for (AEffect* e : {effect, fresh}) {
        e->dispatcher(e, vst::effSetSampleRate, 0, 0, nullptr, 48000.0f);
        e->setParameter(e, 2, 1.0f);
    }
    StereoBuffers<double> a(512);
    StereoBuffers<double> b(512);
    SeededRandom random(3);
    for (int32_t i = 0; i < 512; ++i) {
        a.input(0)[i] = b.input(0)[i] = random.sample();
        a.input(1)[i] = b.input(1)[i] = random.sample();
    }
    effect->processDoubleReplacing(effect, a.inputs(), a.outputs(), 512);
    fresh->processDoubleReplacing(fresh, b.inputs(), b.outputs(), 512);
    EXPECT_EQ(std::memcmp(a.output(0), b.output(0), 512 * sizeof(double)), 0);
    EXPECT_EQ(std::memcmp(a.output(1), b.output(1), 512 * sizeof(double)), 0);
}

} // namespace
} // namespace tovrel::test
