// Many effects of one library, opened, processed and closed in interleaved order, and parameter
// changes from a second thread while the audio thread processes: nothing may crash, every output
// must be finite and within full scale, and no effect may disturb another.
#include "StressHost.h"
#include "engine/CrossfeedEngine.h"
#include "engine/PublishedSetReplay.h"
#include "support/LevelReadback.h"

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
// the audio thread processes blocks in both precisions. The signal stays within +-0.25 (with an
// infinity now and then, which the input guard turns into silence), where no output at any level
// and rate exceeds 0.36, so the clip never hides what the filter computed: the double-precision
// stream is, frame for frame, what the plain equations give with one of the coefficient sets that
// the parameter changes published, in order; no single-precision output reaches kNeverReached (a
// NaN would leave the clip as +1.0).
TEST(ThreadStress, ParametersSetFromAnotherThreadWhileProcessing) {
    StressHost host;
    ASSERT_TRUE(host.load());
    const auto doubleHosted = host.openEffect(44100.0f);
    const auto singleHosted = host.openEffect(44100.0f);
    ASSERT_TRUE(doubleHosted && singleHosted);
    AEffect* effect = doubleHosted->effect();
    AEffect* single = singleHosted->effect();

    // The sets the parameter changes publish, computed here by the filter on the user's thread.
    CrossfeedEngine engine;
    CrossfeedFilter& reference = *engine.filter();
    reference.setLevel(levelInForce(effect));
    PublishedSetReplay published(reference.currentSet());

    constexpr int32_t kBlock = 128;
    constexpr size_t kFrames = size_t{1} << 17;
    constexpr float kNeverReached = 0.5f;
    // What the filter takes in: the input with the infinities guarded to 0.0.
    std::vector<double> in0(kFrames), in1(kFrames), guarded0(kFrames), out0(kFrames), out1(kFrames);
    SeededRandom noise(7);
    for (size_t i = 0; i < kFrames; ++i) {
        const bool infinite = noise.below(5000) == 0;
        guarded0[i] = infinite ? 0.0 : 0.25 * noise.sample();
        in0[i] = infinite ? std::numeric_limits<double>::infinity() : guarded0[i];
        in1[i] = -0.25 * noise.sample();
    }

    std::atomic<bool> audioDone{false};
    std::atomic<int> parameterCalls{0};
    std::atomic<int> badParameters{0};
    auto automate = [&]() {
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
        while (!audioDone.load()) {
            const auto index = static_cast<int32_t>(random.below(4));
            const float value = random.below(4) == 0 ? odd[random.below(10)]
                                                     : static_cast<float>(0.5 + 0.5 * random.sample());
            effect->setParameter(effect, index, value);
            single->setParameter(single, index, value);
            reference.setLevel(levelInForce(effect));
            // The audio thread may pick a set up at any later frame: none is required by a frame.
            published.publish(reference.currentSet(), kFrames);
            const float read = effect->getParameter(effect, static_cast<int32_t>(random.below(3)));
            badParameters += (read >= 0.0f && read <= 1.0f) ? 0 : 1;
            ++parameterCalls;
        }
    };

    SeededRandom random(3);
    StereoBuffers<float> floats(kBlock);
    int unsoundOutputs = 0;
    std::thread user;
    for (size_t first = 0; first < kFrames; first += kBlock) {
        double* inputs[2] = {&in0[first], &in1[first]};
        double* outputs[2] = {&out0[first], &out1[first]};
        effect->processDoubleReplacing(effect, inputs, outputs, kBlock);
        for (int32_t i = 0; i < kBlock; ++i) {
            floats.input(0)[i] = static_cast<float>(0.25 * random.sample());
            floats.input(1)[i] = random.below(5000) == 0 ? std::numeric_limits<float>::infinity()
                                                         : static_cast<float>(0.25 * random.sample());
        }
        single->processReplacing(single, floats.inputs(), floats.outputs(), kBlock);
        for (int c = 0; c < 2; ++c)
            for (int32_t i = 0; i < kBlock; ++i)
                unsoundOutputs += std::fabs(floats.output(c)[i]) < kNeverReached ? 0 : 1;
        // The first block at the starting level; then a block per parameter change at least,
        // however the machine schedules the two threads.
        if (first == 0)
            user = std::thread(automate);
        const auto blocksDone = static_cast<int>(first / kBlock) + 1;
        while (parameterCalls.load() < blocksDone)
            std::this_thread::yield();
    }
    audioDone = true;
    user.join();

    EXPECT_EQ(unsoundOutputs, 0);
    EXPECT_EQ(badParameters.load(), 0);
    EXPECT_GT(published.published(), 100u) << "the parameter changes should have changed the sets";
    EXPECT_EQ(published.check(guarded0.data(), in1.data(), out0.data(), out1.data(), kFrames), "");
}

} // namespace
} // namespace tovrel::test
