// Session recall as hosts do it without chunks: the host saves the three parameter values and
// later sets them, in an order of its own choosing, on a fresh effect from the loaded library.
#include "hostlevel/HostSession.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
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

    AEffect* open() {
        AEffect* effect = library.createEffect(RecordingHost::callback());
        if (effect)
            effect->dispatcher(effect, vst::effOpen, 0, 0, nullptr, 0.0f);
        return effect;
    }
    static void close(AEffect* effect) { effect->dispatcher(effect, vst::effClose, 0, 0, nullptr, 0.0f); }

    static SavedValues save(AEffect* effect) {
        SavedValues saved{};
        for (int32_t index = 0; index < 3; ++index)
            saved.value[index] = effect->getParameter(effect, index);
        return saved;
    }

    // The three display texts, which is what a user of the host sees of a setting.
    static std::string displays(AEffect* effect) {
        std::string all;
        for (int32_t index = 0; index < 3; ++index) {
            char text[64] = {};
            effect->dispatcher(effect, vst::effGetParamDisplay, index, 0, text, 0.0f);
            all += std::string(text) + (index < 2 ? ", " : "");
        }
        return all;
    }

    // Restores the saved values on fresh effects in every order, three save-restore cycles each;
    // every restored effect must show the expected texts and save the same values again.
    void expectRecalled(const SavedValues& saved, const std::string& expected) {
        for (int first = 0; first < 6; ++first) {
            SavedValues current = saved;
            for (int cycle = 0; cycle < 3; ++cycle) {
                AEffect* effect = open();
                ASSERT_NE(effect, nullptr);
                for (int index : kOrders[(first + cycle) % 6])
                    effect->setParameter(effect, index, current.value[index]);
                const std::string shown = displays(effect);
                current = save(effect);
                close(effect);
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
    AEffect* effect = open();
    ASSERT_NE(effect, nullptr);
    effect->setParameter(effect, 2, 0.0f);
    effect->setParameter(effect, 0, 0.5f);             // 8.0 dB
    effect->setParameter(effect, 1, 340.5f / 1700.0f); // 640 Hz
    expectRecalled(save(effect), "8.0, 640/290, Off");

    const char* presets[] = {"6.2, 730/250, Taskel (", "4.5, 700/260, BS2B Def", "6.0, 700/260, C. Moy",
                             "9.5, 650/280, J. Meier"};
    for (int preset = 1; preset <= 4; ++preset) {
        effect->setParameter(effect, 2, static_cast<float>(preset) * 0.25f);
        expectRecalled(save(effect), presets[preset - 1]);
    }

    std::mt19937 random(2026);
    for (int n = 0; n < 12; ++n) {
        const int feed = 10 + static_cast<int>(random() % 141);
        const int cut = 300 + static_cast<int>(random() % 1701);
        effect->setParameter(effect, 2, 0.0f);
        effect->setParameter(effect, 0, (static_cast<float>(feed - 10) + 0.5f) / 140.0f);
        effect->setParameter(effect, 1, (static_cast<float>(cut - 300) + 0.5f) / 1700.0f);
        const std::string expected = std::to_string(feed / 10) + "." + std::to_string(feed % 10) + ", " +
                                     std::to_string(cut) + "/" + std::to_string(18700 / cut * 10) + ", Off";
        expectRecalled(save(effect), expected);
    }
    close(effect);
}

TEST_F(HostLevelRecall, EveryCutFrequencyAndFeedSurvivesSaveAndRestore) {
    AEffect* effect = open();
    ASSERT_NE(effect, nullptr);
    effect->setParameter(effect, 2, 0.0f);
    for (int cut = 300; cut <= 2000; ++cut) {
        effect->setParameter(effect, 1, (static_cast<float>(cut - 300) + 0.5f) / 1700.0f);
        const float saved = effect->getParameter(effect, 1);
        effect->setParameter(effect, 1, saved);
        char text[64] = {};
        effect->dispatcher(effect, vst::effGetParamDisplay, 1, 0, text, 0.0f);
        ASSERT_EQ(std::string(text).substr(0, std::string(text).find('/')), std::to_string(cut));
        ASSERT_EQ(effect->getParameter(effect, 1), saved) << cut;
    }
    for (int feed = 10; feed <= 150; ++feed) {
        effect->setParameter(effect, 0, (static_cast<float>(feed - 10) + 0.5f) / 140.0f);
        const float saved = effect->getParameter(effect, 0);
        effect->setParameter(effect, 0, saved);
        char text[64] = {};
        effect->dispatcher(effect, vst::effGetParamDisplay, 0, 0, text, 0.0f);
        ASSERT_EQ(std::string(text), std::to_string(feed / 10) + "." + std::to_string(feed % 10));
    }
    close(effect);
}

// Automating "Feed" and "FCut" under a preset sounds exactly like not automating them, block
// after block, until the host selects "Off".
TEST_F(HostLevelRecall, LockedAutomationIsSilentWhileThePresetStays) {
    AEffect* automated = open();
    AEffect* plain = open();
    ASSERT_NE(automated, nullptr);
    ASSERT_NE(plain, nullptr);
    automated->setParameter(automated, 2, 0.75f);
    plain->setParameter(plain, 2, 0.75f);
    SeededRandom signal(99);
    for (int block = 0; block < 32; ++block) {
        automated->setParameter(automated, block % 2, static_cast<float>(block) / 31.0f);
        double a[2][32], b[2][32];
        for (int i = 0; i < 32; ++i) {
            a[0][i] = b[0][i] = signal.sample24();
            a[1][i] = b[1][i] = signal.sample24();
        }
        double* channelsA[2] = {a[0], a[1]};
        double* channelsB[2] = {b[0], b[1]};
        automated->processDoubleReplacing(automated, channelsA, channelsA, 32);
        plain->processDoubleReplacing(plain, channelsB, channelsB, 32);
        ASSERT_EQ(std::memcmp(a, b, sizeof(a)), 0) << "block " << block;
    }
    EXPECT_EQ(displays(automated), "6.0, 700/260, C. Moy");
    // The last values the host set take effect when it selects "Off".
    automated->setParameter(automated, 2, 0.0f);
    EXPECT_EQ(displays(automated), "14.5, 2000/90, Off");
    close(automated);
    close(plain);
}

} // namespace
} // namespace tovrel::test
