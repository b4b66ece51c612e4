// Session recall as hosts do it without chunks: the host saves the three parameter values and
// later sets them, in an order of its own choosing, on a fresh effect from the loaded library.
#include "hostlevel/HostSession.h"
#include "tools/vsthost/HostedEffect.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

namespace tovrel::test {
namespace {

struct SavedValues {
    float value[3];
};

constexpr int kOrders[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};

class HostLevelRecall : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(library.load(HostLevelPaths::plugin)) << library.error(); }

    // A fresh effect from the loaded library, open; null if the plug-in refuses.
    std::unique_ptr<HostedEffect> open() {
        auto effect = std::make_unique<HostedEffect>();
        if (!effect->open(library, RecordingHost::callback()))
            return nullptr;
        return effect;
    }

    static SavedValues save(const HostedEffect& effect) {
        SavedValues saved{};
        for (int32_t index = 0; index < 3; ++index)
            saved.value[index] = effect.getParameter(index);
        return saved;
    }

    // The three display texts, which is what a user of the host sees of a setting.
    static std::string displays(HostedEffect& effect) {
        std::string all;
        for (int32_t index = 0; index < 3; ++index)
            all += effect.parameterDisplay(index) + (index < 2 ? ", " : "");
        return all;
    }

    // Restores the saved values on fresh effects in every order, three save-restore cycles each;
    // every restored effect must show the expected texts and save the same values again.
    void expectRecalled(const SavedValues& saved, const std::string& expected) {
        for (int first = 0; first < 6; ++first) {
            SavedValues current = saved;
            for (int cycle = 0; cycle < 3; ++cycle) {
                std::string shown;
                {
                    const std::unique_ptr<HostedEffect> effect = open();
                    ASSERT_NE(effect, nullptr);
                    for (int index : kOrders[(first + cycle) % 6])
                        effect->setParameter(index, current.value[index]);
                    shown = displays(*effect);
                    current = save(*effect);
                }
                ASSERT_EQ(shown, expected) << "order " << first << " cycle " << cycle;
                ASSERT_EQ(std::memcmp(&current, &saved, sizeof(saved)), 0)
                    << expected << ", order " << first << " cycle " << cycle;
            }
        }
    }

    RecordingHost host;
    PluginLibrary library;
};

TEST_F(HostLevelRecall, CustomLevelsAndPresetsComeBackInEveryOrder) {
    const std::unique_ptr<HostedEffect> effect = open();
    ASSERT_NE(effect, nullptr);
    effect->setParameter(2, 0.0f);
    effect->setParameter(0, 0.5f);             // 8.0 dB
    effect->setParameter(1, 340.5f / 1700.0f); // 640 Hz
    expectRecalled(save(*effect), "8.0, 640/290, Off");

    const char* presets[] = {"6.2, 730/250, Taskel (", "4.5, 700/260, BS2B Def", "6.0, 700/260, C. Moy",
                             "9.5, 650/280, J. Meier"};
    for (int preset = 1; preset <= 4; ++preset) {
        effect->setParameter(2, static_cast<float>(preset) * 0.25f);
        expectRecalled(save(*effect), presets[preset - 1]);
    }

    SeededRandom random(2026);
    for (int n = 0; n < 12; ++n) {
        const int feed = 10 + static_cast<int>(random.below(141));
        const int cut = 300 + static_cast<int>(random.below(1701));
        effect->setParameter(2, 0.0f);
        effect->setParameter(0, (static_cast<float>(feed - 10) + 0.5f) / 140.0f);
        effect->setParameter(1, (static_cast<float>(cut - 300) + 0.5f) / 1700.0f);
        const std::string expected = std::to_string(feed / 10) + "." + std::to_string(feed % 10) + ", " +
                                     std::to_string(cut) + "/" + std::to_string(18700 / cut * 10) + ", Off";
        expectRecalled(save(*effect), expected);
    }
}

TEST_F(HostLevelRecall, EveryCutFrequencyAndFeedSurvivesSaveAndRestore) {
    const std::unique_ptr<HostedEffect> effect = open();
    ASSERT_NE(effect, nullptr);
    effect->setParameter(2, 0.0f);
    for (int cut = 300; cut <= 2000; ++cut) {
        effect->setParameter(1, (static_cast<float>(cut - 300) + 0.5f) / 1700.0f);
        const float saved = effect->getParameter(1);
        effect->setParameter(1, saved);
        const std::string text = effect->parameterDisplay(1);
        ASSERT_EQ(text.substr(0, text.find('/')), std::to_string(cut));
        ASSERT_EQ(effect->getParameter(1), saved) << cut;
    }
    for (int feed = 10; feed <= 150; ++feed) {
        effect->setParameter(0, (static_cast<float>(feed - 10) + 0.5f) / 140.0f);
        const float saved = effect->getParameter(0);
        effect->setParameter(0, saved);
        ASSERT_EQ(effect->parameterDisplay(0), std::to_string(feed / 10) + "." + std::to_string(feed % 10));
    }
}

// Automating "Feed" and "FCut" under a preset sounds exactly like not automating them, block
// after block, until the host selects "Off".
TEST_F(HostLevelRecall, LockedAutomationIsSilentWhileThePresetStays) {
    const std::unique_ptr<HostedEffect> automated = open();
    const std::unique_ptr<HostedEffect> plain = open();
    ASSERT_NE(automated, nullptr);
    ASSERT_NE(plain, nullptr);
    automated->setParameter(2, 0.75f);
    plain->setParameter(2, 0.75f);
    SeededRandom signal(99);
    for (int block = 0; block < 32; ++block) {
        automated->setParameter(block % 2, static_cast<float>(block) / 31.0f);
        double a[2][32], b[2][32];
        for (int i = 0; i < 32; ++i) {
            a[0][i] = b[0][i] = signal.sample24();
            a[1][i] = b[1][i] = signal.sample24();
        }
        double* channelsA[2] = {a[0], a[1]};
        double* channelsB[2] = {b[0], b[1]};
        automated->process(channelsA, channelsA, 32);
        plain->process(channelsB, channelsB, 32);
        ASSERT_EQ(std::memcmp(a, b, sizeof(a)), 0) << "block " << block;
    }
    EXPECT_EQ(displays(*automated), "6.0, 700/260, C. Moy");
    // The last values the host set take effect when it selects "Off".
    automated->setParameter(2, 0.0f);
    EXPECT_EQ(displays(*automated), "14.5, 2000/90, Off");
}

} // namespace
} // namespace tovrel::test
