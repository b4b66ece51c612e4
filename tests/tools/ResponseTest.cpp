// The curves that make demo draws: impulses through the built plug-in must give the frequency
// response of the filter's own equations, for every preset and the ends of the sliders.
#include "engine/CoefficientDesign.h"
#include "tools/response/ImpulseSpectrum.h"
#include "tools/response/ResponseProbe.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

namespace tovrel {
namespace {

constexpr int kRate = 44100;
constexpr int kFrames = 16384;

struct Expected {
    double sameDb;
    double oppositeDb;
    double oppositeDelaySeconds;
};

// The two first-order paths at one frequency, from the coefficients the filter computes for a
// level: same side gain * (a0 + a1 z^-1) / (1 - b1 z^-1), opposite side gain * a0 / (1 - b1 z^-1).
Expected analytic(uint32_t cutHz, uint32_t feedTenths, double frequency) {
    const FilterCoefficients filter = designFilter(makeLevel(cutHz, feedTenths), kRate).coefficients;
    const double omega = 6.283185307179586 * frequency / kRate;
    const std::complex<double> zInv = std::polar(1.0, -omega);
    const std::complex<double> same =
        filter.gain * (filter.highA0 + filter.highA1 * zInv) / (1.0 - filter.highB1 * zInv);
    const std::complex<double> opposite = filter.gain * filter.lowA0 / (1.0 - filter.lowB1 * zInv);
    // Group delay of a one-pole low-pass, in samples: (b cos w - b^2) / (1 - 2 b cos w + b^2).
    const double b = filter.lowB1;
    const double delay = (b * std::cos(omega) - b * b) / (1.0 - 2.0 * b * std::cos(omega) + b * b);
    return {20.0 * std::log10(std::abs(same)), 20.0 * std::log10(std::abs(opposite)), delay / kRate};
}

struct Case {
    ResponseSetting setting;
    uint32_t cutHz;
    uint32_t feedTenths;
};

const std::vector<Case>& cases() {
    static const std::vector<Case> all = {
        {{"Off", 0, 0, 0}, 730, 62}, // a fresh instance keeps its starting level
        {{"Taskel (Orvalen)", 1, 0, 0}, 730, 62},
        {{"BS2B Default", 2, 0, 0}, 700, 45},
        {{"C. Moy", 3, 0, 0}, 700, 60},
        {{"J. Meier", 4, 0, 0}, 650, 95},
        {{"Slider minimum", -1, 300, 10}, 300, 10},
        {{"Slider maximum", -1, 2000, 150}, 2000, 150},
    };
    return all;
}

class MeasuredResponse : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(probe.load(TOVREL_PLUGIN_FILE)) << probe.error(); }

    ImpulseResponse measure(const ResponseSetting& setting) {
        ImpulseResponse response;
        EXPECT_TRUE(probe.measure(setting, kRate, kFrames, response)) << probe.error();
        return response;
    }

    ResponseProbe probe;
};

TEST_F(MeasuredResponse, FollowsTheFiltersTransferFunctionsForEverySetting) {
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.setting.name);
        const ImpulseResponse response = measure(c.setting);
        ASSERT_EQ(response.sameSide.size(), static_cast<size_t>(kFrames));
        // The impulse must pass unclipped, or the curves would show the clipping.
        EXPECT_LT(response.peak, 1.0);
        // Both paths have died away long before the end: nothing is cut off.
        EXPECT_LT(std::fabs(response.oppositeSide.back()), 1e-200);
        for (double f : {20.0, 150.0, 730.0, 2000.0, 6000.0, 20000.0}) {
            SCOPED_TRACE(f);
            const Expected expected = analytic(c.cutHz, c.feedTenths, f);
            const SpectrumPoint same = spectrumAt(response.sameSide, f, kRate);
            const SpectrumPoint opposite = spectrumAt(response.oppositeSide, f, kRate);
            EXPECT_NEAR(same.magnitudeDb, expected.sameDb, 1e-6);
            EXPECT_NEAR(opposite.magnitudeDb, expected.oppositeDb, 1e-6);
            EXPECT_NEAR(opposite.groupDelaySeconds, expected.oppositeDelaySeconds, 1e-9);
        }
    }
}

// What a listener hears of a level: at low frequencies the opposite ear gets the sound Feed dB
// quieter, and a centred sound keeps its loudness (the two paths add up to one).
TEST_F(MeasuredResponse, LowFrequenciesCrossOverByTheFeedLevelAtUnityGain) {
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.setting.name);
        const ImpulseResponse response = measure(c.setting);
        const SpectrumPoint same = spectrumAt(response.sameSide, 1.0, kRate);
        const SpectrumPoint opposite = spectrumAt(response.oppositeSide, 1.0, kRate);
        EXPECT_NEAR(same.magnitudeDb - opposite.magnitudeDb, c.feedTenths / 10.0, 0.01);
        double centred = 0.0;
        for (size_t i = 0; i < response.sameSide.size(); ++i)
            centred += response.sameSide[i] + response.oppositeSide[i];
        EXPECT_NEAR(centred, 1.0, 1e-9);
        // The opposite side arrives later than the same side: a positive delay near DC.
        EXPECT_GT(opposite.groupDelaySeconds, same.groupDelaySeconds);
    }
}

// "Off" selects no level of its own: the curves drawn for it are those of the level in force,
// which is the starting preset's on a fresh instance.
TEST_F(MeasuredResponse, OffKeepsTheLevelInForce) {
    const ImpulseResponse off = measure(cases()[0].setting);
    const ImpulseResponse start = measure(cases()[1].setting);
    EXPECT_EQ(off.feedText, "6.2");
    EXPECT_EQ(off.cutText.substr(0, 4), "730/");
    EXPECT_EQ(off.sameSide, start.sameSide);
    EXPECT_EQ(off.oppositeSide, start.oppositeSide);
}

TEST_F(MeasuredResponse, ASettingThePluginCannotTakeIsReported) {
    ImpulseResponse response;
    EXPECT_FALSE(probe.measure({"too low", -1, 299, 10}, kRate, kFrames, response));
    EXPECT_NE(probe.error().find("too low"), std::string::npos) << probe.error();
}

} // namespace
} // namespace tovrel
