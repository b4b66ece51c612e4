// The Linux plug-in's editor in a host's X11 window, under an X server of its own at 96 DPI
// (100 %): where it shows and what it paints, real pointer gestures reaching the host as edits,
// what open and close leave behind, host automation painted whatever the host's idle, and the
// library without an X server.

#include "editor/HostNotices.h"
#include "gui/platform/x11/BmpDecoder.h"
#include "gui/platform/x11/EmbeddedBitmaps.h"
#include "tests/x11host/EditorPicture.h"
#include "tools/vsthost/HostedEffect.h"
#include "tools/vsthost/PluginLibrary.h"
#include "tools/x11host/HostCallLog.h"
#include "tools/x11host/ResourceCensus.h"
#include "tools/x11host/ScratchSettings.h"
#include "tools/x11host/X11EditorHost.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <string>

// Last: Xlib's macros (None, Bool, Status...) would rename GoogleTest's own identifiers.
#include <X11/Xlib.h>
#include <X11/cursorfont.h>
#include <X11/keysym.h>

namespace tovrel {
namespace {

using std::chrono::milliseconds;

// The tasks of this process, by id.
std::set<std::string> tasks() {
    std::set<std::string> found;
    if (DIR* folder = opendir("/proc/self/task")) {
        while (const dirent* entry = readdir(folder))
            if (entry->d_name[0] != '.')
                found.insert(entry->d_name);
        closedir(folder);
    }
    return found;
}

// The time a task has spent on a processor, in nanoseconds (the first field of its schedstat).
long long cpuNanoseconds(const std::string& task) {
    std::ifstream in("/proc/self/task/" + task + "/schedstat");
    long long onProcessor = -1;
    in >> onProcessor;
    return onProcessor;
}

class X11EditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The user's kept scale choice is not this test's.
        ASSERT_FALSE(settings.folder().empty());
        ASSERT_TRUE(library.load(TOVREL_PLUGIN)) << library.error();
        ASSERT_TRUE(effect.open(library, HostCallLog::callback())) << effect.error();
        unlock(effect);
        ASSERT_TRUE(host.connect()) << host.error();
        xErrorsBefore = X11EditorHost::xErrorCount();
        // The screen's scale this run's X server gives (its Xft.dpi), as the test's command says;
        // 100 % unless it says 200 %, whose pictures are the second set.
        const char* percent = std::getenv("TOVREL_SCREEN_PERCENT");
        scale = percent && std::string(percent) == "200" ? 2 : 1;
        const EmbeddedBitmap* embedded = findEmbeddedBitmap(scale == 2 ? 4128 : 128);
        ASSERT_NE(embedded, nullptr);
        ASSERT_EQ(decodeBmp(embedded->data, embedded->size, background), BmpFault::none);
    }

    void TearDown() override {
        host.disconnect();
        EXPECT_EQ(X11EditorHost::xErrorCount(), xErrorsBefore) << X11EditorHost::describeLastXError();
    }

    // The preset "Off", under which the level sliders move (a preset holds them).
    static void unlock(HostedEffect& opened) { opened.setParameter(2, 0.0f); }

    // Every pixel outside the controls is the background picture's.
    bool showsBackground(X11EditorHost& window, std::string* mismatch = nullptr) {
        std::vector<uint32_t> pixels;
        if (!window.capture(pixels) || window.width() != background.width ||
            window.height() != background.height)
            return false;
        for (int y = 0; y < window.height(); ++y)
            for (int x = 0; x < window.width(); ++x) {
                bool onControl = false;
                for (int index = 0; index < 3; ++index)
                    onControl = onControl || sliderBox(index).contains(x / scale, y / scale) ||
                                displayBox(index).contains(x / scale, y / scale);
                const uint32_t shown = pixels[static_cast<size_t>(y * window.width() + x)];
                if (!onControl && shown != (background.at(x, y) & 0xFFFFFF)) {
                    if (mismatch)
                        *mismatch = "at " + std::to_string(x) + "," + std::to_string(y);
                    return false;
                }
            }
        return true;
    }

    // The Windows editor's picture at the same scale, as the demo pictures it.
    void expectWindowsPicture(const char* picture) {
        EXPECT_TRUE(showsWindowsPicture(host, std::string(TOVREL_DOCS) + "/" + picture, scale));
    }

    void openPainted(X11EditorHost& window, HostedEffect& opened, int left = 30, int top = 20) {
        ASSERT_TRUE(window.open(opened.effect(), left, top)) << window.error();
        std::string mismatch;
        ASSERT_TRUE(window.runUntil([&] { return showsBackground(window, &mismatch); }, milliseconds(5000)))
            << "the editor's background never appeared in the host's window, " << mismatch;
    }

    // Opens the editor afresh, takes the "Feed" handle with the button held and moves it to `x`:
    // a drag under way, the log holding only what it sent.
    void dragFeedInNewEditor(int x) {
        openPainted(host, effect);
        log.clear();
        host.movePointer(gripX(effect.getParameter(0)), sliderBox(0).top + 8);
        host.pressButton(1);
        host.run(milliseconds(50));
        host.movePointer(x, sliderBox(0).top + 8);
    }

    // A right-click on the background opens the size menu; the keyboard chooses "200 %" in it
    // (100, 125, 150, 175, 200 %: the fifth line), and the menu goes.
    void choose200Percent() {
        host.click(175, 5, 3);
        ASSERT_TRUE(host.runUntil([&] { return host.popupWindows() > 0 && host.keyboardHeldElsewhere(); },
                                  milliseconds(3000)))
            << "no menu";
        for (int line = 0; line < 5; ++line)
            ASSERT_TRUE(host.typeKey(XK_Down));
        ASSERT_TRUE(host.typeKey(XK_Return));
        ASSERT_TRUE(host.runUntil([&] { return host.popupWindows() == 0; }, milliseconds(3000)))
            << "the menu stayed";
    }

    // The background picture at 200 %, for the comparisons from here on.
    void expect200PercentBackground() {
        const EmbeddedBitmap* embedded = findEmbeddedBitmap(4128);
        ASSERT_NE(embedded, nullptr);
        ASSERT_EQ(decodeBmp(embedded->data, embedded->size, background), BmpFault::none);
        scale = 2;
    }

    // The pixels of one area of the window.
    std::vector<uint32_t> area(const Box& box) { return windowArea(host, box); }

    // Waits for one whole edit gesture of `index` and gives the automated values inside it; fails
    // when an automation of the index comes outside Begin-edit and End-edit, or on another thread
    // than the host's where the host gives idle time (`hostIdles`), or when the editor gives the
    // host idle time from its own thread.
    std::vector<float> gesture(int32_t index) {
        std::vector<float> values;
        const bool ended = host.runUntil(
            [&] {
                for (const HostCallLog::Call& call : log.calls())
                    if (call.opcode == vst::audioMasterEndEdit && call.index == index)
                        return true;
                return false;
            },
            milliseconds(5000));
        EXPECT_TRUE(ended) << "no end of the edit of " << index;
        bool open = false;
        for (const HostCallLog::Call& call : log.calls()) {
            EXPECT_NE(call.opcode, vst::audioMasterIdle) << "the editor's thread gave the host idle time";
            if (call.index != index)
                continue;
            EXPECT_EQ(call.onHostThread, hostIdles)
                << (hostIdles ? "the editor called a host that idles from its own thread"
                              : "a host that never idles heard nothing from the editor's thread");
            if (call.opcode == vst::audioMasterBeginEdit)
                open = true;
            else if (call.opcode == vst::audioMasterEndEdit)
                open = false;
            else if (call.opcode == vst::audioMasterAutomate) {
                EXPECT_TRUE(open) << "an automation of " << index << " outside its edit";
                values.push_back(call.opt);
            }
        }
        return values;
    }

    ScratchSettings settings{"tovrel-x11-editor"};
    HostCallLog log;
    PluginLibrary library;
    HostedEffect effect;
    X11EditorHost host;
    DecodedBitmap background; // the picture at the editor's scale
    int scale{1};             // the editor's scale, 1 or 2
    int xErrorsBefore{0};
    bool hostIdles{true}; // the host gives the editor idle time: the notices come on its thread
};

// The host's window takes the size the editor asks for at the screen's scale (nothing kept from
// the user's menu), the editor's one child window fills it, and everything outside the controls
// is the background picture of that scale, pixel for pixel. Run at 96 and at 192 DPI.
TEST_F(X11EditorTest, ShowsInTheHostsWindowAtItsSizeWithItsBackground) {
    ERect* rect = nullptr;
    ASSERT_EQ(effect.effect()->dispatcher(effect.effect(), vst::effEditGetRect, 0, 0, &rect, 0.0f), 1);
    EXPECT_EQ(rect->right - rect->left, 183 * scale);
    EXPECT_EQ(rect->bottom - rect->top, 225 * scale);
    openPainted(host, effect);
    EXPECT_EQ(host.width(), 183 * scale);
    EXPECT_EQ(host.height(), 225 * scale);
    EXPECT_EQ(ResourceCensus::take(host.display(), host.window()).windowChildren, 1);
    host.savePng(scale == 1 ? "x11-editor.png" : "x11-editor-screen-200.png");
    host.close();
    // As a host first shows it, with the preset the effect starts with: the Windows picture.
    HostedEffect fresh;
    ASSERT_TRUE(fresh.open(library, HostCallLog::callback())) << fresh.error();
    openPainted(host, fresh);
    expectWindowsPicture(scale == 1 ? "editor.png" : "editor-200.png");
    host.close();
}

// Over the editor the pointer is the arrow, whatever cursor the host's window shows around it.
TEST_F(X11EditorTest, ThePointerIsTheArrowOverTheEditor) {
    std::vector<uint32_t> arrow;
    std::vector<uint32_t> crosshair;
    std::vector<uint32_t> shown;
    // This server's arrow and crosshair, shown by the host's own window with no editor in it.
    openPainted(host, effect);
    host.closeEditor();
    host.movePointer(20, 20);
    host.defineCursor(XC_left_ptr);
    ASSERT_TRUE(host.cursorImage(arrow)) << "the server cannot show its cursor";
    host.defineCursor(XC_crosshair);
    ASSERT_TRUE(host.cursorImage(crosshair));
    ASSERT_NE(arrow, crosshair);
    host.close();
    // The host's crosshair around the editor: over the editor, the arrow.
    openPainted(host, effect);
    host.defineCursor(XC_crosshair);
    host.movePointer(20, 20);
    EXPECT_TRUE(host.runUntil([&] { return host.cursorImage(shown) && shown == arrow; }, milliseconds(1000)));
    host.close();
}

// A drag of a handle, a click on a track and a turn of the wheel, each through the X server's
// own pointer: the host sees the parameter's automation inside its edit gesture, on its own
// thread at its idle call, and the effect keeps the last value. A host that stops giving idle
// time hears the editor from the editor's thread.
TEST_F(X11EditorTest, PointerGesturesReachTheHostAsEdits) {
    host.setIdlePeriod(milliseconds(1));
    effect.setParameter(0, 0.25f);
    effect.setParameter(1, 0.5f);
    openPainted(host, effect);
    const int row0 = sliderBox(0).top + 8;
    const int row1 = sliderBox(1).top + 8;

    // Drag: pressed on the handle, moved 40 pixels right in steps, released.
    log.clear();
    const int from = gripX(0.25f);
    host.movePointer(from, row0);
    host.pressButton(1);
    for (int step = 1; step <= 4; ++step) {
        host.run(milliseconds(40));
        host.movePointer(from + 10 * step, row0);
    }
    // Released once the handle followed, as a user watching it does.
    const float target = static_cast<float>(from + 40 - kGrip) / kTravel;
    host.runUntil(
        [&] {
            const std::vector<HostCallLog::Call> calls = log.calls();
            return !calls.empty() && calls.back().opcode == vst::audioMasterAutomate &&
                   std::fabs(calls.back().opt - target) < 0.5f / kTravel;
        },
        milliseconds(3000));
    host.releaseButton(1);
    std::vector<float> values = gesture(0);
    ASSERT_FALSE(values.empty());
    EXPECT_NEAR(values.back(), target, 0.5f / kTravel);
    // The effect keeps the nearest level it has.
    EXPECT_NEAR(effect.getParameter(0), values.back(), 1.0f / kTravel);

    // Click on the track, far from the handle, held as long as a hand holds it: the handle jumps
    // there.
    log.clear();
    host.movePointer(130, row1);
    host.pressButton(1);
    host.run(milliseconds(80));
    host.releaseButton(1);
    values = gesture(1);
    ASSERT_FALSE(values.empty());
    EXPECT_NEAR(values.back(), static_cast<float>(130 - kGrip) / kTravel, 0.02f);

    // The wheel turned away from the user over the first slider: one step up, and down again.
    for (int turn = 0; turn < 10; ++turn) {
        log.clear();
        const float before = effect.getParameter(0);
        const bool up = turn % 2 == 0;
        host.click(60, row0, up ? 4 : 5);
        values = gesture(0);
        ASSERT_EQ(values.size(), 1u);
        EXPECT_NEAR(values.back(), before + (up ? 0.1f : -0.1f), 0.01f) << "turn " << turn;
    }

    // Keys after a click into the editor, with the keyboard at no window before it (no host or
    // test gives the editor the focus): the click on the first slider's handle gives the editor
    // the keyboard and focuses that slider, so the up arrow steps it even with the pointer outside
    // the host's window; Tab moves to the second slider.
    host.dropFocus();
    log.clear();
    host.click(gripX(effect.getParameter(0)), row0);
    gesture(0);
    host.movePointer(host.width() + 40, host.height() + 40);
    for (int32_t index = 0; index < 2; ++index) {
        log.clear();
        const float before = effect.getParameter(index);
        if (index > 0) {
            ASSERT_TRUE(host.typeKey(XK_Tab));
        }
        ASSERT_TRUE(host.typeKey(XK_Up));
        values = gesture(index);
        ASSERT_EQ(values.size(), 1u) << "slider " << index;
        EXPECT_NEAR(values.back(), before + 0.1f, 0.01f) << "slider " << index;
    }

    // The host stops giving idle time: after a while without it, a wheel turn reaches the host
    // from the editor's thread.
    host.setIdlePeriod(milliseconds(0));
    host.run(milliseconds(HostNotices::kHostIdleTrust + 100));
    hostIdles = false;
    log.clear();
    host.click(60, row0, 5);
    EXPECT_EQ(gesture(0).size(), 1u);
    // Closed, the editor leaves the keyboard to the host's window that holds it.
    host.closeEditor();
    EXPECT_EQ(host.focusedWindow(), host.window());
}

// A right-click on the background opens the size menu, under which the host's automation shows:
// Escape closes it with nothing changed;
// chosen from the keyboard, "200 %" is kept in the user's settings and the editor, and the host's
// window with it, takes twice its size.
TEST_F(X11EditorTest, TheMenuChoosesTheEditorsSize) {
    openPainted(host, effect);
    const std::string kept = settings.folder() + "/tovrel/editor-scale";
    const auto menuShown = [&] { return host.popupWindows() > 0; };
    // Shown, and holding the keyboard.
    const auto menuOpen = [&] { return menuShown() && host.keyboardHeldElsewhere(); };
    host.click(175, 5, 3);
    ASSERT_TRUE(host.runUntil(menuOpen, milliseconds(3000))) << "no menu";
    // The editor goes on with its idle work under the open menu: a value the host sets shows.
    const std::vector<uint32_t> slider = area(sliderBox(0));
    effect.setParameter(0, effect.getParameter(0) > 0.5f ? 0.1f : 0.9f);
    EXPECT_TRUE(host.runUntil([&] { return area(sliderBox(0)) != slider; }, milliseconds(1000)));
    EXPECT_TRUE(menuShown());
    ASSERT_TRUE(host.typeKey(XK_Escape));
    ASSERT_TRUE(host.runUntil([&] { return !menuShown(); }, milliseconds(3000))) << "the menu stayed";
    EXPECT_FALSE(std::ifstream(kept).good());

    choose200Percent();
    std::string text;
    ASSERT_TRUE(host.runUntil(
        [&] {
            std::ifstream in(kept);
            return static_cast<bool>(std::getline(in, text));
        },
        milliseconds(3000)));
    EXPECT_EQ(text, "200");
    // This host cannot resize its window for the editor: the new size comes with the next open,
    // with the pictures drawn for it.
    host.close();
    expect200PercentBackground();
    openPainted(host, effect);
    EXPECT_EQ(host.width(), 366);
    EXPECT_EQ(host.height(), 450);
    host.savePng("x11-editor-200.png");
    host.close();
    HostedEffect fresh;
    ASSERT_TRUE(fresh.open(library, HostCallLog::callback())) << fresh.error();
    openPainted(host, fresh);
    expectWindowsPicture("editor-200.png");
    host.close();
}

// A host that sizes its window for the editor gets the size chosen in the menu at once: it is
// asked for 366 x 450, and once it has sized its window the editor's window has that size and
// shows the 200 % background.
TEST_F(X11EditorTest, AHostThatSizesItsWindowGetsTheChosenSizeAtOnce) {
    log.setSizesWindow(true);
    openPainted(host, effect);
    log.clear();
    choose200Percent();
    HostCallLog::Call request;
    ASSERT_TRUE(host.runUntil(
        [&] {
            for (const HostCallLog::Call& call : log.calls())
                if (call.opcode == vst::audioMasterSizeWindow)
                    request = call;
            return request.opcode == vst::audioMasterSizeWindow;
        },
        milliseconds(3000)))
        << "no size request";
    EXPECT_EQ(request.index, 366);
    EXPECT_EQ(request.value, 450);
    host.resizeWindow(static_cast<int>(request.index), static_cast<int>(request.value));
    int width = 0;
    int height = 0;
    EXPECT_TRUE(host.runUntil(
        [&] {
            host.editorWindowSize(width, height);
            return width == 366 && height == 450;
        },
        milliseconds(3000)))
        << width << " x " << height;
    expect200PercentBackground();
    std::string mismatch;
    EXPECT_TRUE(host.runUntil([&] { return showsBackground(host, &mismatch); }, milliseconds(3000)))
        << mismatch;
    host.close();
}

// 300 editors opened and closed in one host: while one is open its thread, connection and
// window show in the counts; after the last, every count is back where it was. Then the orders
// hosts use: closing the editor from its own automation during a drag, destroying the host's
// window first, and closing the effect with the editor open.
TEST_F(X11EditorTest, OpenAndCloseLeaveNothingBehind) {
    const ResourceCensus baseline = ResourceCensus::take(host.display(), 0);
    ASSERT_GE(baseline.xClients, 1) << "the server has no X-Resource extension";
    openPainted(host, effect);
    const ResourceCensus open = ResourceCensus::take(host.display(), host.window());
    EXPECT_EQ(open.threads, baseline.threads + 1) << open.describe();
    EXPECT_EQ(open.xClients, baseline.xClients + 1) << open.describe();
    EXPECT_EQ(open.fileDescriptors, baseline.fileDescriptors + 2) << "the connection and the wake-up";
    host.close();
    for (int round = 1; round < 300; ++round) {
        ASSERT_TRUE(host.open(effect.effect(), 30, 20)) << "round " << round << ": " << host.error();
        host.run(milliseconds(round % 50 == 0 ? 200 : 2));
        host.close();
    }
    ResourceCensus after = ResourceCensus::take(host.display(), 0);
    EXPECT_EQ(after, baseline) << "before:\n" << baseline.describe() << "after:\n" << after.describe();

    // The host closes the editor when it hears the first automation of a drag: from its idle
    // call, inside the drag; and, a host that gives no idle time, on the editor's thread.
    AEffect* record = effect.effect();
    for (const bool idling : {true, false}) {
        host.setIdlePeriod(milliseconds(idling ? 50 : 0));
        hostIdles = idling;
        log.setReaction([record](const HostCallLog::Call& call) {
            if (call.opcode == vst::audioMasterAutomate)
                record->dispatcher(record, vst::effEditClose, 0, 0, nullptr, 0.0f);
        });
        dragFeedInNewEditor(120);
        EXPECT_FALSE(gesture(0).empty()) << "host idles: " << idling;
        host.releaseButton(1);
        log.setReaction(nullptr);
        EXPECT_TRUE(host.runUntil(
            [&] { return ResourceCensus::take(host.display(), host.window()).windowChildren == 0; },
            milliseconds(2000)))
            << "the editor's window outlived its close, host idles: " << idling;
        host.close();
    }
    host.setIdlePeriod(milliseconds(50));
    hostIdles = true;
    // The host closes the editor on its own thread in the middle of a drag, with a move of the
    // drag not yet delivered (no idle call since): the move comes first, then the edit ends
    // once, from the host's thread, not from the editor's while the host waits for it to stop.
    dragFeedInNewEditor(100);
    ASSERT_TRUE(host.runUntil(
        [&] {
            for (const HostCallLog::Call& call : log.calls())
                if (call.opcode == vst::audioMasterAutomate)
                    return true;
            return false;
        },
        milliseconds(3000)));
    host.setIdlePeriod(milliseconds(100000));
    host.run(milliseconds(100));
    host.movePointer(140, sliderBox(0).top + 8);
    host.run(milliseconds(150));
    host.closeEditor();
    host.releaseButton(1);
    host.setIdlePeriod(milliseconds(50));
    const std::vector<float> values = gesture(0);
    ASSERT_FALSE(values.empty());
    EXPECT_NEAR(values.back(), static_cast<float>(140 - kGrip) / kTravel, 0.5f / kTravel)
        << "the drag's last move before the end of its edit";
    int ends = 0;
    for (const HostCallLog::Call& call : log.calls())
        if (call.opcode == vst::audioMasterEndEdit) {
            ++ends;
            EXPECT_TRUE(call.onHostThread) << "the edit ended on the editor's thread during the close";
        }
    EXPECT_EQ(ends, 1);
    host.close();
    // The host's window destroyed before the editor is closed.
    openPainted(host, effect);
    host.destroyWindowFirst();
    host.run(milliseconds(200));
    host.close();
    // The effect closed with its editor open (the host's thread), then a new effect's editor.
    openPainted(host, effect);
    effect.close();
    host.forgetEditor();
    EXPECT_EQ(ResourceCensus::take(host.display(), host.window()).windowChildren, 0);
    ASSERT_TRUE(effect.open(library, HostCallLog::callback())) << effect.error();
    unlock(effect);
    openPainted(host, effect);
    host.close();
    after = ResourceCensus::take(host.display(), 0);
    EXPECT_EQ(after, baseline) << "before:\n" << baseline.describe() << "after:\n" << after.describe();
}

// Two instances with their editors open at once: a drag in one changes its effect alone, and
// both go on showing their pictures.
TEST_F(X11EditorTest, TwoEditorsWorkIndependently) {
    HostedEffect second;
    ASSERT_TRUE(second.open(library, HostCallLog::callback())) << second.error();
    unlock(second);
    X11EditorHost secondHost;
    ASSERT_TRUE(secondHost.connect()) << secondHost.error();
    effect.setParameter(0, 0.5f);
    second.setParameter(0, 0.5f);
    const float untouched = effect.getParameter(0);
    openPainted(host, effect, 30, 20);
    openPainted(secondHost, second, 300, 20);
    log.clear();
    const int row = sliderBox(0).top + 8;
    secondHost.movePointer(gripX(0.5f), row);
    secondHost.pressButton(1);
    secondHost.run(milliseconds(60));
    secondHost.movePointer(gripX(0.5f) - 50, row);
    secondHost.run(milliseconds(120));
    secondHost.releaseButton(1);
    ASSERT_TRUE(secondHost.runUntil([&] { return second.getParameter(0) < 0.4f; }, milliseconds(3000)));
    EXPECT_FLOAT_EQ(effect.getParameter(0), untouched);
    for (const HostCallLog::Call& call : log.calls())
        EXPECT_EQ(call.effect, second.effect()) << "opcode " << call.opcode;
    EXPECT_TRUE(showsBackground(host));
    EXPECT_TRUE(showsBackground(secondHost));
    secondHost.close();
    secondHost.disconnect();
    host.close();
}

// A parameter set by the host shows in the editor within a second, whether the host gives the
// editor idle time once a second or never: the editor's thread refreshes it on its own.
TEST_F(X11EditorTest, HostAutomationShowsWithoutTheHostsIdle) {
    for (const int period : {1000, 0}) {
        host.setIdlePeriod(milliseconds(period));
        effect.setParameter(0, 0.1f);
        openPainted(host, effect);
        host.run(milliseconds(150));
        const std::vector<uint32_t> slider = area(sliderBox(0));
        const std::vector<uint32_t> display = area(displayBox(0));
        effect.setParameter(0, 0.9f);
        ASSERT_GT(effect.getParameter(0), 0.5f);
        EXPECT_TRUE(
            host.runUntil([&] { return area(sliderBox(0)) != slider && area(displayBox(0)) != display; },
                          milliseconds(1000)))
            << "idle period " << period;
        host.close();
    }
}

// An open editor that nothing happens to sleeps: its thread's processor time over ten seconds,
// printed, stays below half a percent of one core.
TEST_F(X11EditorTest, AnIdleEditorSleeps) {
    host.setIdlePeriod(milliseconds(1000));
    const std::set<std::string> before = tasks();
    openPainted(host, effect);
    std::string editorTask;
    for (const std::string& task : tasks())
        if (!before.count(task))
            editorTask = task;
    ASSERT_FALSE(editorTask.empty());
    host.run(milliseconds(500));
    const long long start = cpuNanoseconds(editorTask);
    ASSERT_GE(start, 0) << "no processor time for the editor's thread";
    host.run(milliseconds(10000));
    const long long used = cpuNanoseconds(editorTask) - start;
    const double percent = 100.0 * static_cast<double>(used) / 10e9;
    std::printf("idle open editor: its thread ran %.3f ms in 10 s, %.4f %% of one core\n",
                static_cast<double>(used) / 1e6, percent);
    EXPECT_LT(percent, 0.5);
    host.close();
}

// Given a parent window that is gone, or without an X server, the effect refuses to open its
// editor (reporting its size all the same), and processes sound as before.
TEST_F(X11EditorTest, WithoutAnXServerTheEditorRefusesAndSoundFlows) {
    // First a server but a parent window that no longer exists, as from a host that destroyed it
    // just before: the editor refuses, and leaves no thread, connection or error behind.
    {
        Display* server = host.display();
        const Window gone = XCreateSimpleWindow(server, DefaultRootWindow(server), 0, 0, 10, 10, 0, 0, 0);
        XDestroyWindow(server, gone);
        XSync(server, False);
        const ResourceCensus before = ResourceCensus::take(server, 0);
        AEffect* record = effect.effect();
        EXPECT_EQ(record->dispatcher(record, vst::effEditOpen, 0, 0, reinterpret_cast<void*>(gone), 0.0f), 0);
        record->dispatcher(record, vst::effEditClose, 0, 0, nullptr, 0.0f);
        const ResourceCensus after = ResourceCensus::take(server, 0);
        EXPECT_EQ(after, before) << "before:\n" << before.describe() << "after:\n" << after.describe();
    }
    const std::string display = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
    unsetenv("DISPLAY");
    AEffect* record = effect.effect();
    ERect* rect = nullptr;
    EXPECT_EQ(record->dispatcher(record, vst::effEditGetRect, 0, 0, &rect, 0.0f), 1);
    EXPECT_EQ(record->dispatcher(record, vst::effEditOpen, 0, 0,
                                 reinterpret_cast<void*>(uintptr_t{host.window() + 1}), 0.0f),
              0);
    record->dispatcher(record, vst::effEditIdle, 0, 0, nullptr, 0.0f);
    record->dispatcher(record, vst::effEditClose, 0, 0, nullptr, 0.0f);
    effect.setSampleRate(44100.0f);
    effect.setBlockSize(256);
    effect.resume();
    std::vector<float> left(256), right(256), outLeft(256, 0.0f), outRight(256, 0.0f);
    for (size_t i = 0; i < left.size(); ++i)
        left[i] = std::sin(0.05f * static_cast<float>(i));
    float* inputs[2] = {left.data(), right.data()};
    float* outputs[2] = {outLeft.data(), outRight.data()};
    effect.process(inputs, outputs, 256);
    float energy = 0.0f;
    for (float sample : outRight)
        energy += sample * sample;
    setenv("DISPLAY", display.c_str(), 1);
    EXPECT_GT(energy, 0.0f) << "the left input feeds the right output";
}

} // namespace
} // namespace tovrel
