// The X11 test host against its test editor (TestEditorPlugin.cpp), under an X server of its own
// (tools/scripts/xvfb-run --dpi 192): picture read-back, real input reaching the editor's own
// window, the idle cadence, and the counts that show an editor left nothing behind.

#include "tools/x11host/X11EditorHost.h"
#include "gui/platform/x11/XResourceScale.h"
#include "tests/x11host/TestEditorPattern.h"
#include "tools/vsthost/HostedEffect.h"
#include "tools/vsthost/PluginLibrary.h"
#include "tools/x11host/HostCallLog.h"
#include "tools/x11host/ResourceCensus.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <initializer_list>

// Last: Xlib's macros (None, Bool, Status...) would rename GoogleTest's own identifiers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace tovrel {
namespace {

using std::chrono::milliseconds;

class X11HostTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(library.load(TOVREL_TEST_EDITOR_PLUGIN)) << library.error();
        ASSERT_TRUE(effect.open(library, HostCallLog::callback())) << effect.error();
        ASSERT_TRUE(host.connect()) << host.error();
        xErrorsBefore = X11EditorHost::xErrorCount();
    }

    // The window shows the test pattern, every pixel of it.
    bool showsThePattern() {
        std::vector<uint32_t> pixels;
        if (!host.capture(pixels))
            return false;
        for (int y = 0; y < host.height(); ++y)
            for (int x = 0; x < host.width(); ++x)
                if (pixels[static_cast<size_t>(y * host.width() + x)] != test::testPattern(x, y))
                    return false;
        return true;
    }

    void openPainted(int left = 30, int top = 20) {
        ASSERT_TRUE(host.open(effect.effect(), left, top)) << host.error();
        ASSERT_TRUE(host.runUntil([this] { return showsThePattern(); }, milliseconds(5000)))
            << "the editor's pattern never appeared in the host's window";
    }

    // The first automation with this index, waited for.
    bool automated(int32_t index, float& value) {
        return host.runUntil(
            [&] {
                for (const HostCallLog::Call& call : log.calls())
                    if (call.opcode == vst::audioMasterAutomate && call.index == index) {
                        value = call.opt;
                        EXPECT_FALSE(call.onHostThread) << "the test editor calls from its own thread";
                        return true;
                    }
                return false;
            },
            milliseconds(5000));
    }

    void TearDown() override {
        host.disconnect();
        EXPECT_EQ(X11EditorHost::xErrorCount(), xErrorsBefore) << X11EditorHost::describeLastXError();
    }

    HostCallLog log;
    PluginLibrary library;
    HostedEffect effect;
    X11EditorHost host;
    int xErrorsBefore{0};
};

TEST_F(X11HostTest, EditorPaintsIntoTheHostsWindowAndIsReadBack) {
    openPainted();
    EXPECT_EQ(host.width(), test::kEditorWidth);
    EXPECT_EQ(host.height(), test::kEditorHeight);
    const std::string png = "x11-host-test.png";
    ASSERT_TRUE(host.savePng(png));
    std::ifstream in(png, std::ios::binary);
    char signature[8] = {};
    in.read(signature, 8);
    EXPECT_EQ(std::memcmp(signature, "\x89PNG\r\n\x1a\n", 8), 0);
}

// Buttons (left, right, the wheel's two directions) at points of the window, and keys by keysym,
// arrive in the editor's own window at the same points.
TEST_F(X11HostTest, PointerAndKeysReachTheEditorsWindow) {
    openPainted();
    const struct {
        int x;
        int y;
        unsigned int button;
    } clicks[] = {{50, 40, 1}, {150, 100, 3}, {20, 140, 4}, {190, 5, 5}};
    for (const auto& c : clicks) {
        log.clear();
        host.click(c.x, c.y, c.button);
        float value = -1.0f;
        ASSERT_TRUE(automated(static_cast<int32_t>(c.button), value)) << "button " << c.button;
        EXPECT_FLOAT_EQ(value, static_cast<float>(c.x) / test::kEditorWidth) << "button " << c.button;
    }
    host.movePointer(100, 75);
    for (const unsigned long keysym : std::initializer_list<unsigned long>{XK_Up, XK_a, XK_Escape}) {
        log.clear();
        ASSERT_TRUE(host.typeKey(keysym));
        float value = -1.0f;
        ASSERT_TRUE(automated(test::kKeyIndex, value)) << "keysym " << keysym;
        EXPECT_EQ(static_cast<unsigned long>(value), keysym);
    }
}

// effEditIdle comes from the host's loop at the period set, never sooner, and not at all with a
// period of zero; the editor receives exactly the calls the host records.
TEST_F(X11HostTest, IdleArrivesAtThePeriodSet) {
    int (*const idleCalls)() = reinterpret_cast<int (*)()>(library.symbol("tovrelTestEditorIdleCalls"));
    ASSERT_NE(idleCalls, nullptr);
    const struct {
        int periodMs;
        int runMs;
    } cases[] = {{50, 400}, {0, 300}, {400, 900}};
    for (const auto& c : cases) {
        host.setIdlePeriod(milliseconds(c.periodMs));
        const int before = idleCalls();
        ASSERT_TRUE(host.open(effect.effect())) << host.error();
        host.run(milliseconds(c.runMs));
        const std::vector<X11EditorHost::Clock::time_point> times = host.idleTimes();
        host.close();
        EXPECT_EQ(static_cast<size_t>(idleCalls() - before), times.size()) << "period " << c.periodMs;
        if (c.periodMs == 0) {
            EXPECT_TRUE(times.empty());
            continue;
        }
        EXPECT_GE(times.size(), 1u) << "period " << c.periodMs;
        for (size_t i = 1; i < times.size(); ++i)
            EXPECT_GE(times[i] - times[i - 1], milliseconds(c.periodMs))
                << "period " << c.periodMs << ", call " << i;
    }
}

// While the editor is open its thread, connection, window and descriptor show in the counts;
// after it closed, every count is back where it was, twice over.
TEST_F(X11HostTest, CountsReturnToTheBaselineAfterClose) {
    const ResourceCensus baseline = ResourceCensus::take(host.display(), 0);
    ASSERT_GE(baseline.xClients, 1) << "the server has no X-Resource extension";
    for (int round = 0; round < 2; ++round) {
        openPainted();
        const ResourceCensus open = ResourceCensus::take(host.display(), host.window());
        EXPECT_EQ(open.threads, baseline.threads + 1) << open.describe();
        EXPECT_EQ(open.fileDescriptors, baseline.fileDescriptors + 1) << open.describe();
        EXPECT_EQ(open.xClients, baseline.xClients + 1) << open.describe();
        EXPECT_EQ(open.windowChildren, 1);
        host.closeEditor();
        EXPECT_EQ(ResourceCensus::take(host.display(), host.window()).windowChildren, 0);
        host.close();
        const ResourceCensus after = ResourceCensus::take(host.display(), 0);
        EXPECT_EQ(after, baseline) << "before:\n" << baseline.describe() << "after:\n" << after.describe();
    }
}

// The screen's scale as the server's resources give it: the DPI that xvfb-run set, then the
// resources changed while connected, then removed.
TEST_F(X11HostTest, ServerResourcesGiveTheScreensScale) {
    Display* display = host.display();
    EXPECT_EQ(screenScaleOf(display).getPercent(), 200) << "xvfb-run --dpi 192";
    const Window root = XDefaultRootWindow(display);
    const char* resources = "Xft.antialias:\t1\nXft.dpi:\t120\n";
    XChangeProperty(display, root, XA_RESOURCE_MANAGER, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(resources),
                    static_cast<int>(std::strlen(resources)));
    XSync(display, False);
    EXPECT_EQ(screenScaleOf(display).getPercent(), 125);
    XDeleteProperty(display, root, XA_RESOURCE_MANAGER);
    XSync(display, False);
    EXPECT_EQ(screenScaleOf(display).getPercent(), 100);
}

} // namespace
} // namespace tovrel
