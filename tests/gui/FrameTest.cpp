// The frame and its window: the child window and its class, paint messages and the idle refresh,
// clicks, keys and the focus walk, the modal view, resizing over the host's window chain, the
// position queries, wheel messages, cursor shapes, and a host that destroys its window first.
#include "EditorTestSupport.h"
#include "GuiTestSupport.h"

#include "gui/COffscreenPaint.h"
#include "gui/CPaintContext.h"
#include "gui/ModuleInstance.h"
#include "gui/platform/win32/PlatformEntries.h"

#include <gtest/gtest.h>

#include <memory>

namespace tovrel::test {
namespace {

const COLORREF kRed = RGB(200, 40, 40);
const COLORREF kGreen = RGB(40, 200, 40);
const COLORREF kWhite = RGB(255, 255, 255);

// Where the host window sits on the screen; the frame window is at its top-left corner.
constexpr int kHostX = 120;
constexpr int kHostY = 80;

LPARAM pointParam(int x, int y) {
    return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
}

// Records the wheel turns and paints that reach it.
class WheelProbe : public RecordingView {
public:
    using RecordingView::RecordingView;
    bool handleWheelAxis(CPaintContext* context, CPos where, int32_t axis, float distance) override {
        distances.push_back(distance);
        return RecordingView::handleWheelAxis(context, where, axis, distance);
    }
    void paint(CPaintContext* context) override {
        paintedInto = context;
        RecordingView::paint(context);
    }
    std::vector<float> distances;
    CPaintContext* paintedInto{nullptr};
};

// Logs the clicks that reach it without the buttons, which are read from the shared input state.
class ClickProbe : public RecordingView {
public:
    ClickProbe(const char* viewName, const CRectangle& area, std::vector<std::string>* events)
        : RecordingView(viewName, area, events), name(viewName), log(events) {}
    void handleMouse(CPaintContext* /*context*/, CPos where, int32_t /*buttons*/) override {
        log->push_back(name + ".click " + std::to_string(where.h) + "," + std::to_string(where.v));
    }

private:
    std::string name;
    std::vector<std::string>* log;
};

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override { useTestModuleResources(); }

    GuiEditor::FrameHolder makeFrame(int width = 183, int height = 225) {
        return makeUniqueRef<CFrame>(CRectangle{0, 0, width, height}, host.handle(), nullptr);
    }

    TestWindow host{400, 300, kHostX, kHostY};
    std::vector<std::string> log;
};

// --- Window and class -----------------------------------------------------------------------

TEST_F(FrameTest, ChildWindowHasTheClassNameSizeAndPosition) {
    GuiEditor::FrameHolder frame = makeFrame();
    HWND window = frame->frameWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(GetParent(window), host.handle());
    char name[64] = {};
    GetClassNameA(window, name, sizeof(name));
    EXPECT_EQ(std::string(name), expectedFrameClassName());
    EXPECT_EQ(std::string(name).rfind("Plugin", 0), 0u);
    GetWindowTextA(window, name, sizeof(name));
    EXPECT_STREQ(name, "Window");
    RECT area{};
    GetWindowRect(window, &area);
    EXPECT_EQ(area.left, kHostX);
    EXPECT_EQ(area.top, kHostY);
    EXPECT_EQ(area.right - area.left, 183);
    EXPECT_EQ(area.bottom - area.top, 225);
    const LONG style = GetWindowLongA(window, GWL_STYLE);
    EXPECT_EQ(style & 0x56000000, 0x56000000);
    EXPECT_EQ(style & WS_CAPTION, 0);

    EXPECT_TRUE(frame->isWindowAlive());
    EXPECT_TRUE(frame->isDropEnabled());
    EXPECT_NE(dropTargetOf(*frame), nullptr);

    // The imaging library was found, so both entries and the version record are filled.
    EXPECT_NE(alphaBlendEntry, nullptr);
    EXPECT_NE(transparentBltEntry, nullptr);
    EXPECT_GE(osVersion.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_NT));
    EXPECT_EQ(osVersion.dwOSVersionInfoSize, sizeof(osVersion));

    frame.reset();
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(FrameTest, WithoutAHostWindowThereIsNoWindow) {
    GuiEditor::FrameHolder frame = makeUniqueRef<CFrame>(CRectangle{0, 0, 50, 50}, nullptr, nullptr);
    EXPECT_EQ(frame->frameWindow(), nullptr);
    EXPECT_TRUE(frame->isWindowAlive());
    EXPECT_FALSE(frame->isDropEnabled());
    EXPECT_FALSE(frame->enableDrop(true));
    EXPECT_EQ(CFrame::frameClassUsers(), 0);
    frame.reset();
    EXPECT_EQ(CFrame::frameClassUsers(), 0);
}

TEST_F(FrameTest, TwoFramesRegisterTheClassOnceAndTheLastUnregistersIt) {
    ASSERT_EQ(CFrame::frameClassUsers(), 0);
    EXPECT_FALSE(frameClassRegistered());
    GuiEditor::FrameHolder first = makeFrame();
    EXPECT_TRUE(frameClassRegistered());
    GuiEditor::FrameHolder second = makeFrame();
    EXPECT_EQ(CFrame::frameClassUsers(), 2);
    char name[64] = {};
    GetClassNameA(second->frameWindow(), name, sizeof(name));
    EXPECT_EQ(std::string(name), expectedFrameClassName());

    first.reset();
    EXPECT_EQ(CFrame::frameClassUsers(), 1);
    EXPECT_TRUE(frameClassRegistered());
    second.reset();
    EXPECT_EQ(CFrame::frameClassUsers(), 0);
    EXPECT_FALSE(frameClassRegistered());
}

// --- Painting -------------------------------------------------------------------------------

TEST_F(FrameTest, PaintMessageRepaintsOnlyTheUpdateRectangleThroughTheBackBuffer) {
    GuiEditor::FrameHolder frame = makeFrame();
    HWND window = frame->frameWindow();
    auto* left = frame->add<WheelProbe>("left", CRectangle{10, 10, 60, 60}, &log, kRed);
    auto* right = frame->add<WheelProbe>("right", CRectangle{100, 10, 150, 60}, &log, kGreen);
    UpdateWindow(window);
    EXPECT_EQ(left->paints, 1);
    EXPECT_EQ(right->paints, 1);
    ASSERT_NE(frame->getOffscreen(), nullptr);
    EXPECT_EQ(right->paintedInto, frame->getOffscreen());

    // Paint the whole window white behind the frame's back, then let a small area be repainted.
    HDC device = GetDC(window);
    RECT whole{0, 0, 183, 225};
    FillRect(device, &whole, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    ReleaseDC(window, device);
    RECT damaged{110, 20, 130, 40};
    InvalidateRect(window, &damaged, FALSE);
    UpdateWindow(window);

    EXPECT_EQ(left->paints, 1);
    EXPECT_EQ(right->paints, 2);
    EXPECT_EQ(right->paintedInto, frame->getOffscreen());
    DibCanvas canvas(183, 225);
    canvas.grabWindow(window);
    EXPECT_EQ(canvas.countColour(kGreen, damaged), 400);
    EXPECT_EQ(canvas.countColour(kWhite, RECT{100, 10, 150, 60}), 50 * 50 - 400);
    EXPECT_EQ(canvas.countColour(kWhite, RECT{10, 10, 60, 60}), 50 * 50);
    frame.reset();
}

TEST_F(FrameTest, IdleRefreshWaitsForTheFirstPaintThenRepaintsOnlyTheChangedControl) {
    GuiEditor::FrameHolder frame = makeFrame();
    auto* changed = frame->add<TestControl>(CRectangle{10, 10, 60, 60});
    auto* still = frame->add<TestControl>(CRectangle{100, 10, 150, 60});
    changed->setValue(0.7f);
    ASSERT_TRUE(frame->needsRepaint());
    frame->onIdle();
    EXPECT_EQ(changed->paints, 0);
    EXPECT_EQ(still->paints, 0);

    UpdateWindow(frame->frameWindow()); // the first paint
    EXPECT_EQ(changed->paints, 1);
    EXPECT_EQ(still->paints, 1);
    frame->onIdle();
    EXPECT_EQ(changed->paints, 1); // nothing changed since

    changed->setValue(0.3f);
    frame->onIdle();
    EXPECT_EQ(changed->paints, 2);
    EXPECT_EQ(still->paints, 1);
    DibCanvas canvas(183, 225);
    canvas.grabWindow(frame->frameWindow());
    EXPECT_EQ(canvas.countColour(RGB(255, 0, 0), RECT{10, 10, 60, 60}), 50 * 50);

    // Suspended updates hold the refresh back until they are resumed.
    EXPECT_FALSE(frame->suspendUpdates(true));
    changed->setValue(0.9f);
    frame->onIdle();
    EXPECT_EQ(changed->paints, 2);
    EXPECT_TRUE(frame->suspendUpdates(false));
    frame->onIdle();
    EXPECT_EQ(changed->paints, 3);
    frame.reset();
}

// --- Clicks, keys, focus and the modal view -------------------------------------------------

TEST_F(FrameTest, ClickClearsTheFocusThenReachesTheFrontMostChild) {
    GuiEditor::FrameHolder frame = makeFrame();
    auto* back = frame->add<ClickProbe>("back", CRectangle{0, 0, 100, 100}, &log);
    frame->add<ClickProbe>("front", CRectangle{50, 50, 150, 150}, &log);
    back->setAcceptsFocus(true);
    frame->setKeyFocus(back);
    log.clear();

    SendMessageA(frame->frameWindow(), WM_LBUTTONDOWN, MK_LBUTTON, pointParam(70, 80));
    EXPECT_EQ(frame->getKeyFocus(), nullptr);
    SendMessageA(frame->frameWindow(), WM_RBUTTONDOWN, MK_RBUTTON, pointParam(20, 30));
    SendMessageA(frame->frameWindow(), WM_MBUTTONDOWN, MK_MBUTTON, pointParam(160, 160)); // nobody there
    const std::vector<std::string> expected{"back.focusLost 0,0", "front.click 70,80", "back.click 20,30"};
    EXPECT_EQ(log, expected);
    frame.reset();
}

// Records the menu requests that a frame passes to its editor.
class MenuOwner final : public CFrameOwner {
public:
    void frameIdle() override {}
    void frameBeginEdit(int32_t /*tag*/) override {}
    void frameEndEdit(int32_t /*tag*/) override {}
    bool hostSizedWindow(int32_t /*width*/, int32_t /*height*/) override { return false; }
    int32_t frameKnobMode() const override { return 0; }
    CScale scaleForFrame(const CScale& screen) override { return screen; }
    void frameContextMenu(CPos screenPoint) override { menus.push_back(screenPoint); }
    void frameWindowIdle() override {}
    std::vector<CPos> menus;
};

// The editor's menu belongs to the background: a right-click there asks for it at the pointer, one
// over a view does not, and the menu key asks for it at the window's corner.
TEST_F(FrameTest, MenuRequestsComeFromTheBackgroundOrTheMenuKey) {
    MenuOwner owner;
    GuiEditor::FrameHolder frame = makeUniqueRef<CFrame>(CRectangle{0, 0, 183, 225}, host.handle(), &owner);
    frame->add<RecordingView>("view", CRectangle{10, 10, 50, 50}, &log);
    HWND window = frame->frameWindow();
    RECT area{};
    GetWindowRect(window, &area);
    const int percent = screenPercent();
    const struct {
        const char* what;
        int x;
        int y;
        bool opens;
        CPos at;
    } cases[] = {
        {"background", area.left + screenPixels(100, percent), area.top + screenPixels(150, percent), true,
         CPos{area.left + screenPixels(100, percent), area.top + screenPixels(150, percent)}},
        {"view", area.left + screenPixels(20, percent), area.top + screenPixels(30, percent), false, CPos{}},
        {"menu key", -1, -1, true, CPos{area.left, area.top}},
    };
    for (const auto& c : cases) {
        owner.menus.clear();
        EXPECT_EQ(
            SendMessageA(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window), pointParam(c.x, c.y)), 0)
            << c.what;
        ASSERT_EQ(owner.menus.size(), c.opens ? 1u : 0u) << c.what;
        if (c.opens) {
            EXPECT_EQ(owner.menus[0], c.at) << c.what;
        }
    }
    frame.reset();
}

TEST_F(FrameTest, TabAndShiftTabWalkTheFocusableViewsThenClearTheFocus) {
    GuiEditor::FrameHolder frame = makeFrame();
    auto* first = frame->add<RecordingView>("first", CRectangle{0, 0, 20, 20}, &log);
    frame->add<RecordingView>("plain", CRectangle{20, 0, 40, 20}, &log); // takes no focus
    auto* nested = frame->add<CViewContainer>(CRectangle{40, 0, 100, 20});
    auto* inner = nested->add<RecordingView>("inner", CRectangle{0, 0, 20, 20}, &log);
    auto* last = frame->add<RecordingView>("last", CRectangle{100, 0, 120, 20}, &log);
    first->setAcceptsFocus(true);
    inner->setAcceptsFocus(true);
    last->setAcceptsFocus(true);

    const CKeyCode tab{0, kKeyTab, 0};
    const CKeyCode shiftTab{0, kKeyTab, kKeyModifierShift};
    EXPECT_EQ(frame->handleKeyDown(tab), 1);
    EXPECT_EQ(frame->getKeyFocus(), first);
    EXPECT_EQ(frame->handleKeyDown(tab), 1);
    EXPECT_EQ(frame->getKeyFocus(), inner); // into the nested container
    EXPECT_EQ(frame->handleKeyDown(tab), 1);
    EXPECT_EQ(frame->getKeyFocus(), last); // and out of it again
    EXPECT_EQ(frame->handleKeyDown(tab), -1);
    EXPECT_EQ(frame->getKeyFocus(), nullptr);

    EXPECT_EQ(frame->handleKeyDown(shiftTab), 1);
    EXPECT_EQ(frame->getKeyFocus(), last);
    EXPECT_EQ(frame->handleKeyDown(shiftTab), 1);
    EXPECT_EQ(frame->getKeyFocus(), inner);
    EXPECT_EQ(frame->handleKeyDown(shiftTab), 1);
    EXPECT_EQ(frame->getKeyFocus(), first);
    EXPECT_EQ(frame->handleKeyDown(shiftTab), -1);
    EXPECT_EQ(frame->getKeyFocus(), nullptr);

    // Only the focus view hears other keys; the children are not offered them.
    log.clear();
    EXPECT_EQ(frame->handleKeyDown(CKeyCode{'a', 0, 0}), -1);
    EXPECT_TRUE(log.empty());
    frame->setKeyFocus(first);
    first->keyAnswer = 0;
    EXPECT_EQ(frame->handleKeyDown(CKeyCode{'a', 0, 0}), 0);
    EXPECT_EQ(frame->handleKeyUp(CKeyCode{'a', 0, 0}), 0);
    frame->setKeyFocus(nullptr);
    frame.reset();
}

TEST_F(FrameTest, ModalChildTakesEveryClickKeyAndWheelTurn) {
    GuiEditor::FrameHolder frame = makeFrame();
    auto* underneath = frame->add<RecordingView>("under", CRectangle{0, 0, 183, 225}, &log);
    const Ref<ClickProbe> modal = makeRef<ClickProbe>("modal", CRectangle{50, 50, 100, 100}, &log);
    const Ref<RecordingView> other = makeRef<RecordingView>("other", CRectangle{0, 0, 10, 10}, &log);
    underneath->setAcceptsFocus(true);
    EXPECT_TRUE(frame->setModalChild(modal.get()));
    EXPECT_FALSE(frame->setModalChild(other.get())); // one at a time
    EXPECT_EQ(frame->getModalChild(), modal.get());
    EXPECT_EQ(modal->getRefCount(), 2);
    log.clear();

    SendMessageA(frame->frameWindow(), WM_LBUTTONDOWN, MK_LBUTTON, pointParam(10, 10)); // lost
    SendMessageA(frame->frameWindow(), WM_LBUTTONDOWN, MK_LBUTTON, pointParam(60, 70));
    modal->keyAnswer = 1;
    EXPECT_EQ(frame->handleKeyDown(CKeyCode{'x', 0, 0}), 1);
    // A focus view that handles a key keeps it from the modal view.
    frame->setKeyFocus(underneath);
    underneath->keyAnswer = 0;
    EXPECT_EQ(frame->handleKeyDown(CKeyCode{'y', 0, 0}), 0);
    frame->setKeyFocus(nullptr);
    // The wheel turns over the view underneath, and still only the modal view hears it.
    SendMessageA(frame->frameWindow(), WM_MOUSEWHEEL, MAKEWPARAM(0, 120), pointParam(kHostX + 5, kHostY + 5));
    modal->keyAnswer = -1;
    EXPECT_EQ(frame->handleKeyDown(CKeyCode{0, kKeyTab, 0}), -1); // no focus walk
    EXPECT_EQ(frame->viewUnderPointer(), modal.get());

    const std::vector<std::string> expected{"modal.click 60,70",   "modal.keyDown 0,0", "under.keyDown 0,0",
                                            "under.focusLost 0,0", "modal.wheel1 5,5",  "modal.keyDown 0,0"};
    EXPECT_EQ(log, expected);

    EXPECT_TRUE(frame->setModalChild(nullptr));
    EXPECT_FALSE(frame->hasChild(modal.get()));
    EXPECT_EQ(modal->getRefCount(), 1); // the creator's reference is left alone
    frame.reset();
}

// --- Wheel and cursor -----------------------------------------------------------------------

TEST_F(FrameTest, WheelNotchesBecomeDistancesForTheViewUnderThePointer) {
    GuiEditor::FrameHolder frame = makeFrame();
    auto* left = frame->add<WheelProbe>("left", CRectangle{0, 0, 90, 100}, &log);
    auto* right = frame->add<WheelProbe>("right", CRectangle{90, 0, 183, 100}, &log);
    log.clear();
    HWND window = frame->frameWindow();
    // The message carries screen coordinates.
    SendMessageA(window, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), pointParam(kHostX + 100, kHostY + 30));
    SendMessageA(window, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)),
                 pointParam(kHostX + 100, kHostY + 31));
    SendMessageA(window, WM_MOUSEWHEEL, MAKEWPARAM(0, 60), pointParam(kHostX + 20, kHostY + 40));
    SendMessageA(window, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), pointParam(kHostX + 20, kHostY + 150)); // nobody
    EXPECT_EQ(right->distances, (std::vector<float>{1.0f, -1.0f}));
    EXPECT_EQ(left->distances, (std::vector<float>{0.5f}));
    const std::vector<std::string> expected{"right.wheel1 100,30", "right.wheel1 100,31",
                                            "left.wheel1 20,40"};
    EXPECT_EQ(log, expected);
    frame.reset();
}

TEST_F(FrameTest, CursorShapesAndTheSavedCursor) {
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    HCURSOR before = GetCursor();
    GuiEditor::FrameHolder frame = makeFrame();
    frame->setCursorShape(9);
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_HAND));
    frame->setCursorShape(7);
    EXPECT_EQ(GetCursor(), before);
    frame->setCursorShape(2);
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_SIZEWE));
    frame->setCursorShape(10);
    EXPECT_EQ(GetCursor(), before);
    frame->setCursorShape(8);
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_NO));
    frame.reset(); // leaves the cursor as it found it
    EXPECT_EQ(GetCursor(), before);
}

// --- Resizing and the host's windows --------------------------------------------------------

TEST_F(FrameTest, UnchangedSizeAnswersFalse) {
    GuiEditor::FrameHolder frame = makeFrame();
    EXPECT_FALSE(frame->setFrameSize(183, 225));
    frame->setBounds(CRectangle{5, 5, 188, 230}); // the same size elsewhere: nothing to do
    EXPECT_EQ(windowSize(frame->frameWindow()).cx, 183);
    frame.reset();
}

TEST_F(FrameTest, FallbackResizeStopsAtAParentMuchLargerThanItsChild) {
    HWND middle = makeChildWindow(host.handle(), "STATIC", 10, 20, 200, 240);
    GuiEditor::FrameHolder frame = makeUniqueRef<CFrame>(CRectangle{0, 0, 183, 225}, middle, nullptr);
    EXPECT_TRUE(frame->setFrameSize(190, 230));
    EXPECT_EQ(windowSize(frame->frameWindow()).cx, 190);
    EXPECT_EQ(windowSize(frame->frameWindow()).cy, 230);
    // The middle window keeps its margins around the frame (17 and 15 pixels)...
    EXPECT_EQ(windowSize(middle).cx, 207);
    EXPECT_EQ(windowSize(middle).cy, 245);
    // ...and the host window, 200 pixels wider than the middle one, is left alone.
    EXPECT_EQ(windowSize(host.handle()).cx, 400);
    EXPECT_EQ(windowSize(host.handle()).cy, 300);
    CRectangle bounds;
    EXPECT_EQ(frame->getBounds(bounds).width(), 190);
    frame.reset();
}

TEST_F(FrameTest, FallbackResizeStopsBelowAnMdiClient) {
    CLIENTCREATESTRUCT client{nullptr, 1000};
    // The MDI client is close to its child's size: only the stop keeps the walk from resizing it.
    HWND mdi = makeChildWindow(host.handle(), "MDIClient", 0, 0, 200, 240, &client);
    ASSERT_NE(mdi, nullptr);
    HWND child = makeChildWindow(mdi, "STATIC", 0, 0, 193, 235);
    GuiEditor::FrameHolder frame = makeUniqueRef<CFrame>(CRectangle{0, 0, 183, 225}, child, nullptr);
    EXPECT_TRUE(frame->setFrameSize(200, 250));
    EXPECT_EQ(windowSize(frame->frameWindow()).cx, 200);
    EXPECT_EQ(windowSize(child).cx, 210);
    EXPECT_EQ(windowSize(child).cy, 260);
    EXPECT_EQ(windowSize(mdi).cx, 200);
    EXPECT_EQ(windowSize(mdi).cy, 240);
    CRectangle bounds;
    EXPECT_EQ(frame->getBounds(bounds), (CRectangle{0, 0, 200, 250}));
    EXPECT_TRUE(frame->needsRepaint());
    frame.reset();
}

TEST_F(FrameTest, OuterWindowPositionAndSize) {
    HWND middle = makeChildWindow(host.handle(), "STATIC", 10, 20, 200, 240);
    GuiEditor::FrameHolder frame = makeUniqueRef<CFrame>(CRectangle{0, 0, 183, 225}, middle, nullptr);
    // The middle window is within 60 pixels of the frame window; the host window is not.
    EXPECT_EQ(frame->findOuterWindow(), middle);
    int32_t x = -1;
    int32_t y = -1;
    EXPECT_TRUE(frame->getWindowPosition(x, y));
    EXPECT_EQ(x, 10);
    EXPECT_EQ(y, 20);
    EXPECT_FALSE(frame->setWindowPosition(30, 40));
    CRectangle size;
    EXPECT_TRUE(frame->getFrameSize(size));
    EXPECT_EQ(size, (CRectangle{kHostX + 10, kHostY + 20, kHostX + 210, kHostY + 260}));
    EXPECT_FALSE(frame->getFrameSize(nullptr));
    frame.reset();

    // Straight in a host window much larger than the frame: the frame window itself, at (0, 0) of
    // the host window.
    GuiEditor::FrameHolder direct = makeFrame();
    EXPECT_EQ(direct->findOuterWindow(), direct->frameWindow());
    EXPECT_TRUE(direct->getWindowPosition(x, y));
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    direct.reset();

    // Straight in a host window of about its size: the host window, which has no parent.
    TestWindow fitting(200, 240, kHostX + 10, kHostY + 5);
    direct = makeUniqueRef<CFrame>(CRectangle{0, 0, 183, 225}, fitting.handle(), nullptr);
    EXPECT_EQ(direct->findOuterWindow(), fitting.handle());
    EXPECT_TRUE(direct->getWindowPosition(x, y));
    EXPECT_EQ(x, kHostX + 10);
    EXPECT_EQ(y, kHostY + 5);
    direct.reset();
}

TEST_F(FrameTest, HostDestroyingItsWindowFirstIsSurvived) {
    auto owned = std::make_unique<TestWindow>(200, 240, kHostX, kHostY);
    GuiEditor::FrameHolder frame =
        makeUniqueRef<CFrame>(CRectangle{0, 0, 183, 225}, owned->handle(), nullptr);
    auto* control = frame->add<TestControl>(CRectangle{10, 10, 60, 60});
    UpdateWindow(frame->frameWindow());
    ASSERT_EQ(control->paints, 1);
    EXPECT_EQ(CFrame::frameClassUsers(), 1);

    owned.reset();
    EXPECT_FALSE(frame->isWindowAlive());
    EXPECT_EQ(frame->getHostWindow(), nullptr);
    EXPECT_EQ(dropTargetOf(*frame), nullptr); // the registration went with the window
    control->setValue(0.5f);
    frame->onIdle();
    EXPECT_EQ(control->paints, 1);
    EXPECT_FALSE(frame->setFrameSize(300, 300));
    int32_t x = 0;
    int32_t y = 0;
    EXPECT_FALSE(frame->getWindowPosition(x, y));
    frame.reset();
    EXPECT_EQ(CFrame::frameClassUsers(), 0);
    EXPECT_FALSE(frameClassRegistered());
}

} // namespace
} // namespace tovrel::test
