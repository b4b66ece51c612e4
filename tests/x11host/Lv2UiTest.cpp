// The LV2 plug-in's X11 UI in a small LV2 host of the tests' own, under an X server of its own at
// 96 DPI: the editor's picture and size, the user's edits reaching the host as port writes from
// its idle calls, the host's port values moving the controls, and open and close leaving nothing.

#include "engine/LevelWord.h"
#include "lv2/Lv2Ports.h"
#include "plugin/Presets.h"
#include "tests/x11host/EditorPicture.h"
#include "tests/x11host/Lv2UiHost.h"
#include "tools/x11host/ResourceCensus.h"
#include "tools/x11host/ScratchSettings.h"
#include "tools/x11host/X11EditorHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

// Last: Xlib's macros (None, Bool, Status...) would rename GoogleTest's own identifiers.
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace tovrel {
namespace {

using std::chrono::milliseconds;
using Call = Lv2UiHost::Call;

// The ports' ranges, as the bundle describes them.
constexpr float kLowestFeed = 1.0f;
constexpr float kHighestFeed = 15.0f;

class Lv2UiTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The user's kept scale choice is not this test's.
        ASSERT_FALSE(settings.folder().empty());
        ASSERT_TRUE(ui.load(TOVREL_LV2_BUNDLE, lv2::kPluginUri)) << ui.error();
        ASSERT_TRUE(host.connect()) << host.error();
        xErrorsBefore = X11EditorHost::xErrorCount();
    }

    void TearDown() override {
        host.disconnect();
        EXPECT_EQ(X11EditorHost::xErrorCount(), xErrorsBefore) << X11EditorHost::describeLastXError();
    }

    // Opens the UI with ui:resize and ui:touch, tells it the ports' values as a host does first,
    // and waits for the editor's picture in the window.
    void openShown(float feed, float cut) {
        ASSERT_TRUE(ui.open(host, true, true)) << ui.error();
        ui.portEvent(lv2::kFeed, feed);
        ui.portEvent(lv2::kCut, cut);
        ASSERT_TRUE(host.runUntil(
            [&] {
                std::vector<uint32_t> pixels;
                return host.width() == 183 && host.capture(pixels) && pixels[2] != 0xFF00FF;
            },
            milliseconds(5000)))
            << "the editor never painted the host's window";
        host.run(milliseconds(100));
    }

    // The pixels of one area of the window.
    std::vector<uint32_t> area(const Box& box) { return windowArea(host, box); }

    // Runs the host until the UI has released `port`, and gives what it wrote there meanwhile:
    // fails unless every call came from the host's idle on its thread, the touch began before the
    // first write and ended after the last, and each value is one the port accepts.
    std::vector<float> gestureOn(uint32_t port) {
        const auto released = [&] {
            for (const Call& call : ui.calls())
                if (call.kind == Call::Kind::touch && call.port == port && !call.grabbed)
                    return true;
            return false;
        };
        EXPECT_TRUE(host.runUntil(released, milliseconds(5000))) << "port " << port << " never released";
        std::vector<float> values;
        int touched = 0;
        for (const Call& call : ui.calls()) {
            EXPECT_TRUE(call.onHostThread && call.inIdle)
                << "a call outside the host's idle, port " << call.port;
            if (call.port != port || call.kind == Call::Kind::resize)
                continue;
            if (call.kind == Call::Kind::touch) {
                EXPECT_EQ(touched, call.grabbed ? 0 : 1) << "touches of port " << port << " out of order";
                touched = call.grabbed ? 1 : 2;
                continue;
            }
            EXPECT_EQ(touched, 1) << "a write to port " << port << " outside its touch";
            EXPECT_EQ(call.format, 0u);
            EXPECT_EQ(call.bufferSize, sizeof(float));
            values.push_back(call.value);
        }
        return values;
    }

    // Presses the handle of slider `index` standing at `value` and moves it `distance` pixels in
    // steps, with the button held.
    void dragFrom(int index, float value, int distance) {
        const int row = sliderBox(index).top + 8;
        const int from = gripX(value);
        host.movePointer(from, row);
        host.pressButton(1);
        for (int step = 1; step <= 4; ++step) {
            host.run(milliseconds(40));
            host.movePointer(from + distance * step / 4, row);
        }
        host.run(milliseconds(200));
    }

    ScratchSettings settings{"tovrel-lv2-ui"};
    Lv2UiHost ui;
    X11EditorHost host;
    int xErrorsBefore{0};
};

// The UI tells the host its size as it opens and shows the VST editor's picture; the size chosen
// in its menu reaches the host, from the host's idle, and the editor is drawn at it.
TEST_F(Lv2UiTest, ShowsTheEditorAndAsksForTheSizeChosen) {
    openShown(6.2f, 730.0f);
    std::vector<Call> calls = ui.calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls[0].kind, Call::Kind::resize);
    EXPECT_EQ(calls[0].width, 183);
    EXPECT_EQ(calls[0].height, 225);
    EXPECT_TRUE(calls[0].onHostThread);
    const std::string docs = TOVREL_DOCS;
    EXPECT_TRUE(host.runUntil([&] { return showsWindowsPicture(host, docs + "/editor.png", 1); },
                              milliseconds(3000)));
    EXPECT_TRUE(showsWindowsPicture(host, docs + "/editor.png", 1));

    // 100, 125, 150, 175, 200 %: the fifth line.
    ui.clear();
    host.click(175, 5, 3);
    ASSERT_TRUE(host.runUntil([&] { return host.popupWindows() > 0 && host.keyboardHeldElsewhere(); },
                              milliseconds(3000)))
        << "no menu";
    for (int line = 0; line < 5; ++line)
        ASSERT_TRUE(host.typeKey(XK_Down));
    ASSERT_TRUE(host.typeKey(XK_Return));
    ASSERT_TRUE(host.runUntil([&] { return !ui.calls().empty(); }, milliseconds(3000))) << "no new size";
    calls = ui.calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].kind, Call::Kind::resize);
    EXPECT_EQ(calls[0].width, 366);
    EXPECT_EQ(calls[0].height, 450);
    EXPECT_TRUE(calls[0].onHostThread && calls[0].inIdle);
    EXPECT_TRUE(host.runUntil([&] { return showsWindowsPicture(host, docs + "/editor-200.png", 2); },
                              milliseconds(3000)));
    EXPECT_TRUE(showsWindowsPicture(host, docs + "/editor-200.png", 2));
}

// The host's port values move the controls without a write back; a drag of "Feed" reaches the
// host as writes to the feed port in dB, inside a touch; a preset chosen with "Defs" writes both
// ports with the preset's level.
TEST_F(Lv2UiTest, PortsMoveTheControlsAndEditsWriteThePorts) {
    openShown(6.2f, 730.0f);
    ui.clear();
    const std::vector<uint32_t> feedSlider = area(sliderBox(0));
    const std::vector<uint32_t> cutSlider = area(sliderBox(1));
    const std::vector<uint32_t> presetName = area(displayBox(2));
    // 3.0 dB and 500 Hz: no preset's level, so the preset selector goes to "Off".
    ui.portEvent(lv2::kFeed, 3.0f);
    ui.portEvent(lv2::kCut, 500.0f);
    EXPECT_TRUE(host.runUntil(
        [&] {
            return area(sliderBox(0)) != feedSlider && area(sliderBox(1)) != cutSlider &&
                   area(displayBox(2)) != presetName;
        },
        milliseconds(2000)))
        << "the port events did not move the controls";
    host.run(milliseconds(200));
    EXPECT_TRUE(ui.calls().empty()) << "the UI wrote back what the host told it";

    // From 3.0 dB, 40 pixels right. Meanwhile the host tells of other values (an echo of the
    // past, automation): the controls stay under the user's hand, and follow the host's next
    // event after the gesture.
    const float feedValue = (30.0f - 10.0f + 0.5f) / 140.0f;
    dragFrom(0, feedValue, 40);
    const std::vector<uint32_t> cutBefore = area(sliderBox(1));
    ui.portEvent(lv2::kFeed, 14.0f);
    ui.portEvent(lv2::kCut, 2000.0f);
    host.run(milliseconds(300));
    EXPECT_EQ(area(sliderBox(1)), cutBefore) << "a port event moved a control during a drag";
    host.releaseButton(1);
    const std::vector<float> feeds = gestureOn(lv2::kFeed);
    ui.portEvent(lv2::kCut, 2000.0f);
    EXPECT_TRUE(host.runUntil([&] { return area(sliderBox(1)) != cutBefore; }, milliseconds(2000)))
        << "the host's value after the gesture did not move the control";
    ASSERT_FALSE(feeds.empty());
    for (const float feed : feeds) {
        EXPECT_GE(feed, kLowestFeed);
        EXPECT_LE(feed, kHighestFeed);
        EXPECT_NEAR(feed * 10.0f, std::round(feed * 10.0f), 1e-3f) << "not a step of 0.1 dB";
    }
    const float position = static_cast<float>(gripX(feedValue) + 40 - kGrip) / kTravel;
    EXPECT_NEAR(feeds.back(), kLowestFeed + position * (kHighestFeed - kLowestFeed), 0.15f);
    for (const Call& call : ui.calls())
        EXPECT_NE(call.port, static_cast<uint32_t>(lv2::kCut)) << "a feed drag touched the cut port";

    // "Defs" clicked at "C. Moy" (value 3 / 4).
    ui.clear();
    // Held as long as a hand holds it.
    host.movePointer(gripX(0.75f), sliderBox(2).top + 8);
    host.pressButton(1);
    host.run(milliseconds(80));
    host.releaseButton(1);
    const std::vector<float> presetFeeds = gestureOn(lv2::kFeed);
    const std::vector<float> presetCuts = gestureOn(lv2::kCut);
    ASSERT_FALSE(presetFeeds.empty());
    ASSERT_FALSE(presetCuts.empty());
    EXPECT_NEAR(presetFeeds.back(), static_cast<float>(feedOf(kPresetLevels[3])) / 10.0f, 1e-4f);
    EXPECT_EQ(presetCuts.back(), static_cast<float>(cutFrequencyOf(kPresetLevels[3])));
}

// 300 UIs opened and closed: threads, descriptors, X clients and their resources back at the
// count before. A UI closed in the middle of a drag releases the port it held before it goes.
TEST_F(Lv2UiTest, OpenAndCloseLeaveNothingBehind) {
    const ResourceCensus baseline = ResourceCensus::take(host.display(), 0);
    ASSERT_GE(baseline.xClients, 1) << "the server has no X-Resource extension";
    for (int round = 0; round < 300; ++round) {
        ASSERT_TRUE(ui.open(host, round % 2 == 0, true)) << "round " << round << ": " << ui.error();
        if (round == 0) {
            const ResourceCensus open = ResourceCensus::take(host.display(), host.window());
            EXPECT_EQ(open.threads, baseline.threads + 1) << open.describe();
            EXPECT_EQ(open.xClients, baseline.xClients + 1) << open.describe();
        }
        host.run(milliseconds(round % 50 == 0 ? 200 : 2));
        host.close();
        // Counted after the first round and every 50: a UI left behind breaks the next ones.
        if (round % 50 == 0 || round == 299) {
            const ResourceCensus after = ResourceCensus::take(host.display(), 0);
            ASSERT_EQ(after, baseline) << "round " << round << ", before:\n"
                                       << baseline.describe() << "after:\n"
                                       << after.describe();
        }
    }

    openShown(3.0f, 500.0f);
    ui.clear();
    dragFrom(0, (30.0f - 10.0f + 0.5f) / 140.0f, 40);
    ASSERT_TRUE(host.runUntil(
        [&] {
            for (const Call& call : ui.calls())
                if (call.kind == Call::Kind::write)
                    return true;
            return false;
        },
        milliseconds(3000)));
    host.closeEditor();
    host.releaseButton(1);
    const std::vector<Call> calls = ui.calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back().kind, Call::Kind::touch);
    EXPECT_EQ(calls.back().port, static_cast<uint32_t>(lv2::kFeed));
    EXPECT_FALSE(calls.back().grabbed) << "the feed port stays touched after the UI went";
    EXPECT_TRUE(calls.back().onHostThread);
    host.close();
    const ResourceCensus after = ResourceCensus::take(host.display(), 0);
    EXPECT_EQ(after, baseline) << "before:\n" << baseline.describe() << "after:\n" << after.describe();
}

} // namespace
} // namespace tovrel
