// The crossfeed editor as a host sees it: the DLL is loaded by file name, the editor opened in a
// top-level window through effEditGetRect and effEditOpen, driven with effEditIdle and real
// synthesized input, and what it paints is read back from the window.
#include "GuiTestSupport.h"

#include "gui/CPaintContext.h"

#include "tools/vsthost/EditorHostWindow.h"
#include "tools/vsthost/HostedEffect.h"
#include "tools/vsthost/PluginLibrary.h"

#include "plugin/ParameterMappings.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <ole2.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace tovrel::test {
namespace {

// The editor's layout: three 160 x 16 tracks at left 10, the handle travelling 148 pixels, and a
// display under each.
constexpr int kSliderLeft = 10;
constexpr int kSliderTops[3] = {30, 96, 162};
constexpr int kDisplayTops[3] = {52, 118, 184};
constexpr int kHandleTravel = 148;
constexpr COLORREF kBackground = RGB(28, 30, 35);
constexpr COLORREF kTextColour = RGB(221, 233, 246);
constexpr COLORREF kHandleEdge = RGB(54, 57, 66);

uint32_t asPixel(COLORREF colour) {
    return (uint32_t(GetRValue(colour)) << 16) | (uint32_t(GetGValue(colour)) << 8) | GetBValue(colour);
}

// One plug-in instance with its editor open in a window of its own, and a host callback that
// records what the plug-in tells the host. While a slider follows the mouse, the host's idle
// calls play a script of input steps, one step per call, then let the button go.
class EditorSession {
public:
    struct Call {
        int32_t opcode;
        int32_t index;
        float opt;
    };

    explicit EditorSession(int windowLeft = 100, int windowTop = 100) {
        sessions().push_back(this);
        if (!library.load("tovrel_vst.dll"))
            return;
        effect = library.createEffect(&hostCallback);
        if (effect)
            opened = window.open(effect, windowLeft, windowTop);
    }

    ~EditorSession() {
        window.close();
        if (effect)
            effect->dispatcher(effect, vst::effClose, 0, 0, nullptr, 0.0f);
        auto& all = sessions();
        all.erase(std::find(all.begin(), all.end(), this));
    }

    bool isOpen() const { return opened; }

    void setParameter(int32_t index, float value) { effect->setParameter(effect, index, value); }
    float parameter(int32_t index) { return effect->getParameter(effect, index); }

    // Where a point of the editor lies on the screen.
    POINT screenPoint(int x, int y) const {
        POINT point{screenPixels(x), screenPixels(y)};
        ClientToScreen(window.window(), &point);
        return point;
    }
    void moveTo(int x, int y) {
        pointerTarget = screenPoint(x, y);
        SetCursorPos(pointerTarget.x, pointerTarget.y);
        pointerPlaced = true;
    }

    // Presses the left button at the current pointer position and keeps the window's messages
    // flowing until the editor has ended the edit it began (or a generous limit passes); the
    // button goes up when the script is played out.
    bool drag(std::vector<std::function<void()>> steps) {
        script = std::move(steps);
        next = 0;
        quietIdles = 0;
        idlesAfterScript = 0;
        // The slider takes the press where the pointer is and then polls the pointer and the
        // button: both must have reached the platform's state before the window sees the press.
        if (pointerPlaced && !waitUntil([this] { return pointerIsAt(pointerTarget); }))
            return false;
        input.pressLeft(true);
        if (!waitUntil([] { return (currentButtons() & kMouseLeft) != 0; })) {
            input.pressLeft(false);
            return false;
        }
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < 10000) {
            window.idle(1);
            if (!callsOf(vst::audioMasterEndEdit).empty()) {
                // A click that resets the value ends its edit without following the mouse.
                if (input.leftHeld())
                    input.pressLeft(false);
                window.idle(2);
                return true;
            }
            Sleep(5);
        }
        input.pressLeft(false);
        return false;
    }

    std::vector<Call> callsOf(int32_t opcode) const {
        std::vector<Call> matching;
        for (const Call& call : calls)
            if (call.opcode == opcode)
                matching.push_back(call);
        return matching;
    }

    // The left edge of a slider's handle, relative to the slider, read from the window.
    int handleOffset(int slider) {
        std::vector<uint32_t> pixels;
        if (!window.capture(pixels))
            return -1;
        const int row = screenPixels(kSliderTops[slider] + 3); // the track is plain background there
        for (int x = screenPixels(kSliderLeft); x < screenPixels(kSliderLeft + 160); ++x) {
            if (window.pixelAt(pixels, x, row) != asPixel(kHandleEdge))
                continue;
            // The handle's edge must start exactly where a view pixel starts.
            for (int offset = 0; offset <= kHandleTravel; ++offset)
                if (screenPixels(kSliderLeft + offset) == x)
                    return offset;
            return -1000 - x;
        }
        return -1;
    }

    // For effects the test makes without a session.
    static intptr_t VST_CALL quietCallback(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
        return opcode == vst::audioMasterVersion ? vst::kVstVersion : 0;
    }

    PluginLibrary library;
    AEffect* effect{nullptr};
    EditorHostWindow window;
    bool resizes{false}; // the host resizes its window for the editor when asked
    std::vector<SIZE> sizeRequests;
    SyntheticInput input;
    std::vector<Call> calls;

private:
    static std::vector<EditorSession*>& sessions() {
        static std::vector<EditorSession*> all;
        return all;
    }

    static intptr_t VST_CALL hostCallback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                                          void* ptr, float opt) {
        if (opcode == vst::audioMasterVersion)
            return vst::kVstVersion;
        for (EditorSession* session : sessions()) {
            if (session->effect == effect || (effect && !session->effect))
                return session->answer(opcode, index, value, ptr, opt);
        }
        return 0;
    }

    intptr_t answer(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
        calls.push_back(Call{opcode, index, opt});
        if (opcode == vst::audioMasterCanDo)
            return resizes && ptr && std::string(static_cast<const char*>(ptr)) == "sizeWindow";
        if (opcode == vst::audioMasterSizeWindow) {
            sizeRequests.push_back(SIZE{index, static_cast<LONG>(value)});
            return resizes;
        }
        // Each step is followed by quiet idle calls, so that the input has reached the key
        // state before the next step even on a busy machine.
        if (opcode == vst::audioMasterIdle && input.leftHeld()) {
            if (quietIdles > 0)
                --quietIdles;
            else if (next < script.size()) {
                script[next++]();
                quietIdles = kQuietIdlesPerStep;
            } else if (++idlesAfterScript == 2)
                input.pressLeft(false);
        }
        return 0;
    }

    static constexpr int kQuietIdlesPerStep = 2;

    static bool pointerIsAt(POINT target) {
        POINT cursor{};
        return GetCursorPos(&cursor) && cursor.x == target.x && cursor.y == target.y;
    }

    bool opened{false};
    POINT pointerTarget{};
    bool pointerPlaced{false};
    int quietIdles{0};
    std::vector<std::function<void()>> script;
    size_t next{0};
    int idlesAfterScript{0};
};

BOOL CALLBACK countWindow(HWND window, LPARAM count) {
    ++*reinterpret_cast<int*>(count);
    EnumChildWindows(window, &countWindow, count);
    return TRUE;
}

// The windows of this thread, children included.
int threadWindowCount() {
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), &countWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

class EditorHost : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(session.isOpen()) << session.window.error(); }
    EditorSession session;
};

TEST_F(EditorHost, OpensAtItsSizeWithTheRecordFlagged) {
    EXPECT_EQ(session.effect->flags, 0x1011);
    // At the screen's scale: the window as the host made it from the reported size, the frame's
    // own window inside it, and the size reported while open and, by another instance, before
    // its first open.
    EXPECT_EQ(session.window.width(), screenPixels(183));
    EXPECT_EQ(session.window.height(), screenPixels(225));
    const SIZE frame = windowSize(GetWindow(session.window.window(), GW_CHILD));
    EXPECT_EQ(frame.cx, screenPixels(183));
    EXPECT_EQ(frame.cy, screenPixels(225));
    AEffect* unopened = session.library.createEffect(&EditorSession::quietCallback);
    ASSERT_NE(unopened, nullptr);
    for (AEffect* effect : {session.effect, unopened}) {
        ERect* rect = nullptr;
        EXPECT_EQ(effect->dispatcher(effect, vst::effEditGetRect, 0, 0, &rect, 0.0f), 1);
        ASSERT_NE(rect, nullptr);
        EXPECT_EQ(rect->top, 0);
        EXPECT_EQ(rect->left, 0);
        EXPECT_EQ(rect->bottom, screenPixels(225));
        EXPECT_EQ(rect->right, screenPixels(183));
    }
    unopened->dispatcher(unopened, vst::effClose, 0, 0, nullptr, 0.0f);
}

TEST_F(EditorHost, HandlesAndDisplaysShowTheParameters) {
    for (int slider = 0; slider < 3; ++slider) {
        const float value = session.parameter(slider);
        EXPECT_EQ(session.handleOffset(slider), static_cast<int>(kHandleTravel * value))
            << "slider " << slider;
    }
    std::vector<uint32_t> pixels;
    ASSERT_TRUE(session.window.capture(pixels));
    for (int display = 0; display < 3; ++display) {
        // Text in the text colour over the background grey, with smoothed edges in between if
        // the font has them; nothing of any other colour.
        int ink = 0;
        int foreign = 0;
        for (int y = screenPixels(kDisplayTops[display] + 1); y < screenPixels(kDisplayTops[display] + 14);
             ++y)
            for (int x = screenPixels(kSliderLeft + 1); x < screenPixels(160); ++x) {
                const uint32_t pixel = session.window.pixelAt(pixels, x, y);
                if (pixel == asPixel(kBackground))
                    continue;
                ++ink;
                const COLORREF colour = RGB((pixel >> 16) & 255, (pixel >> 8) & 255, pixel & 255);
                if (!isBlendOf(colour, kBackground, kTextColour) && foreign++ == 0)
                    ADD_FAILURE() << "display " << display << " at " << x << "," << y << ": " << std::hex
                                  << pixel;
            }
        EXPECT_GT(ink, 20 * screenPercent() / 100) << "display " << display;
        EXPECT_EQ(foreign, 0) << "display " << display;
        // Beside the display, the painted background.
        EXPECT_EQ(session.window.pixelAt(pixels, screenPixels(5), screenPixels(kDisplayTops[display] + 7)),
                  asPixel(kBackground));
        EXPECT_EQ(session.window.pixelAt(pixels, screenPixels(170), screenPixels(kDisplayTops[display] + 7)),
                  asPixel(kBackground));
    }
}

TEST_F(EditorHost, ClicksSetTheValueAtThePointer) {
    session.setParameter(2, 0.0f); // "Off": the level sliders move freely
    session.moveTo(kSliderLeft + 5, kSliderTops[0] + 8);
    ASSERT_TRUE(session.drag({}));
    EXPECT_EQ(session.parameter(0), parameterFromFeed(kMinFeed));

    session.calls.clear();
    session.moveTo(kSliderLeft + 153, kSliderTops[0] + 8);
    ASSERT_TRUE(session.drag({}));
    EXPECT_EQ(session.parameter(0), 1.0f);

    // Dragged on past the end of the track, and out of the window: the value stays at the top.
    session.calls.clear();
    session.moveTo(kSliderLeft + 150, kSliderTops[0] + 8);
    ASSERT_TRUE(session.drag({[&] { session.moveTo(kSliderLeft + 190, kSliderTops[0] + 8); }}));
    EXPECT_EQ(session.parameter(0), 1.0f);
    session.window.idle(2);
    EXPECT_EQ(session.handleOffset(0), kHandleTravel);
}

TEST_F(EditorHost, DragIsOneEditGestureWithAutomationInside) {
    session.setParameter(2, 0.0f);
    session.setParameter(1, 0.0f);
    session.window.idle(2);
    session.calls.clear();
    session.moveTo(kSliderLeft + 6, kSliderTops[1] + 8);
    ASSERT_TRUE(session.drag({[&] { session.moveTo(kSliderLeft + 40, kSliderTops[1] + 8); },
                              [&] { session.moveTo(kSliderLeft + 80, kSliderTops[1] + 8); }}));
    std::vector<int32_t> order;
    for (const auto& call : session.calls)
        if (call.opcode == vst::audioMasterBeginEdit || call.opcode == vst::audioMasterAutomate ||
            call.opcode == vst::audioMasterEndEdit) {
            order.push_back(call.opcode);
            EXPECT_EQ(call.index, 1);
        }
    ASSERT_GE(order.size(), 3u);
    EXPECT_EQ(order.front(), vst::audioMasterBeginEdit);
    EXPECT_EQ(order.back(), vst::audioMasterEndEdit);
    for (size_t i = 1; i + 1 < order.size(); ++i)
        EXPECT_EQ(order[i], vst::audioMasterAutomate);
    const auto automations = session.callsOf(vst::audioMasterAutomate);
    EXPECT_NEAR(automations.back().opt, 74.0f / kHandleTravel, 1.5f / kHandleTravel);
    EXPECT_NEAR(session.parameter(1), automations.back().opt, 1.0f / 1700.0f);
}

TEST_F(EditorHost, ShiftContinuesFromTheCurrentValueAtATenthOfTheSpeed) {
    session.setParameter(2, 0.0f);
    session.setParameter(0, 0.0f);
    session.window.idle(2);
    session.moveTo(kSliderLeft + 6, kSliderTops[0] + 8);
    ASSERT_TRUE(session.drag({[&] { session.moveTo(kSliderLeft + 6 + 37, kSliderTops[0] + 8); },
                              [&] { session.input.pressKey(VK_SHIFT, true); },
                              [&] { session.moveTo(kSliderLeft + 6 + 37 + 74, kSliderTops[0] + 8); }}));
    session.input.pressKey(VK_SHIFT, false);
    const float expected = 37.0f / kHandleTravel + 74.0f / kHandleTravel / 10.0f;
    const auto automations = session.callsOf(vst::audioMasterAutomate);
    ASSERT_FALSE(automations.empty());
    EXPECT_NEAR(automations.back().opt, expected, 1.0f / kHandleTravel);
}

TEST_F(EditorHost, ControlClickResetsToTheMiddle) {
    session.moveTo(kSliderLeft + 140, kSliderTops[2] + 8);
    session.input.pressKey(VK_CONTROL, true);
    ASSERT_TRUE(session.drag({}));
    session.input.pressKey(VK_CONTROL, false);
    EXPECT_EQ(session.parameter(2), 0.5f); // "BS2B Default"
    char text[64] = {};
    session.effect->dispatcher(session.effect, vst::effGetParamDisplay, 2, 0, text, 0.0f);
    EXPECT_STREQ(text, "BS2B Def");

    session.setParameter(2, 0.0f);
    session.calls.clear();
    session.moveTo(kSliderLeft + 20, kSliderTops[0] + 8);
    session.input.pressKey(VK_CONTROL, true);
    ASSERT_TRUE(session.drag({}));
    session.input.pressKey(VK_CONTROL, false);
    session.effect->dispatcher(session.effect, vst::effGetParamDisplay, 0, 0, text, 0.0f);
    EXPECT_STREQ(text, "8.0");
}

TEST_F(EditorHost, LockedSliderReturnsToThePresetValue) {
    const float feed = session.parameter(0); // "Taskel (Orvalen)" holds the level
    const int handle = static_cast<int>(kHandleTravel * feed);
    session.moveTo(kSliderLeft + handle + 6, kSliderTops[0] + 8);
    ASSERT_TRUE(session.drag({[&] { session.moveTo(kSliderLeft + handle + 60, kSliderTops[0] + 8); }}));
    EXPECT_EQ(session.parameter(0), feed);
    EXPECT_FALSE(session.callsOf(vst::audioMasterAutomate).empty()); // the host still hears the gesture
    session.window.idle(2);
    EXPECT_EQ(session.handleOffset(0), handle);
    session.setParameter(2, 0.0f); // the host's "Off" applies nothing the user dragged under the preset
    EXPECT_EQ(session.parameter(0), feed);
}

// Values the host set under a preset wait for the host's own "Off"; the user's "Off" in the
// editor keeps the preset's level and drops them.
TEST_F(EditorHost, ChoosingOffInTheEditorKeepsThePresetsLevel) {
    session.setParameter(0, 1.0f);
    session.setParameter(1, 1.0f);
    session.moveTo(kSliderLeft + 5, kSliderTops[2] + 8);
    ASSERT_TRUE(session.drag({}));
    EXPECT_EQ(session.parameter(2), 0.0f);
    char text[64] = {};
    session.effect->dispatcher(session.effect, vst::effGetParamDisplay, 1, 0, text, 0.0f);
    EXPECT_STREQ(text, "730/250");
    session.setParameter(2, 0.0f);
    session.effect->dispatcher(session.effect, vst::effGetParamDisplay, 0, 0, text, 0.0f);
    EXPECT_STREQ(text, "6.2");
}

// From another thread of the host, which never waits for the window's thread: the handles follow
// at the window's next idle call.
TEST_F(EditorHost, HostAutomationMovesAllThreeHandlesAtTheNextIdle) {
    std::thread([&] { session.setParameter(2, 1.0f); }).join(); // "J. Meier": 650 Hz, 9.5 dB
    session.window.idle(2);
    EXPECT_EQ(session.handleOffset(0), static_cast<int>(kHandleTravel * session.parameter(0)));
    EXPECT_EQ(session.handleOffset(1), static_cast<int>(kHandleTravel * session.parameter(1)));
    EXPECT_EQ(session.handleOffset(2), kHandleTravel);
    EXPECT_EQ(session.handleOffset(0), static_cast<int>(kHandleTravel * parameterFromFeed(95)));
}

// --- The editor at the screen's scale (the program runs at several DPIs) -------------------

// A bitmap of the plug-in's resources as 0x00RRGGBB pixels, row by row from the top. The picture
// drawn for a scale is numbered 1000 higher for each 25 % above 100 %.
std::vector<uint32_t> resourcePicture(HMODULE plugin, int number, int percent, int& width, int& height) {
    const int scaled = number + 1000 * (percent / 25 - 4);
    HBITMAP bitmap = static_cast<HBITMAP>(
        LoadImageA(plugin, MAKEINTRESOURCEA(scaled), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    BITMAP description{};
    std::vector<uint32_t> pixels;
    if (!bitmap || !GetObjectA(bitmap, sizeof(description), &description))
        return pixels;
    width = description.bmWidth;
    height = description.bmHeight;
    BITMAPINFO format{};
    format.bmiHeader =
        BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap, 0, static_cast<UINT>(height), pixels.data(), &format, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    DeleteObject(bitmap);
    for (uint32_t& pixel : pixels)
        pixel &= 0xFFFFFF;
    return pixels;
}

TEST_F(EditorHost, OutsideTheControlsEveryPixelIsTheBackgroundDrawnForTheScale) {
    const int percent = screenPercent();
    int width = 0;
    int height = 0;
    const auto background =
        resourcePicture(static_cast<HMODULE>(session.library.module()), 128, percent, width, height);
    ASSERT_EQ(width, screenPixels(183));
    ASSERT_EQ(height, screenPixels(225));
    // At 300 % the editor reaches below the bottom of a small screen: moved to the top, it is whole.
    SetWindowPos(session.window.window(), nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    session.window.idle(2);
    std::vector<uint32_t> pixels;
    ASSERT_TRUE(session.window.capture(pixels));
    std::vector<RECT> controls;
    for (int i = 0; i < 3; ++i) {
        controls.push_back(RECT{screenPixels(10), screenPixels(kSliderTops[i]), screenPixels(170),
                                screenPixels(kSliderTops[i] + 16)});
        controls.push_back(RECT{screenPixels(10), screenPixels(kDisplayTops[i]), screenPixels(160),
                                screenPixels(kDisplayTops[i] + 14)});
    }
    int differing = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool inControl = std::any_of(controls.begin(), controls.end(), [&](const RECT& area) {
                return x >= area.left && x < area.right && y >= area.top && y < area.bottom;
            });
            const uint32_t expected = background[static_cast<size_t>(y * width + x)];
            if (!inControl && session.window.pixelAt(pixels, x, y) != expected && differing++ == 0)
                ADD_FAILURE() << "at " << x << "," << y << ": " << std::hex
                              << session.window.pixelAt(pixels, x, y) << " instead of " << expected;
        }
    EXPECT_EQ(differing, 0) << "at " << percent << " %";
}

// Each preset puts the handle over its tick mark, and a click on a tick mark chooses its preset.
TEST_F(EditorHost, PresetHandlesAndClicksLineUpWithTheTickMarks) {
    constexpr int kTicks[5] = {16, 52, 89, 126, 164};
    for (int preset = 0; preset < 5; ++preset) {
        session.setParameter(2, 0.25f * static_cast<float>(preset));
        session.window.idle(2);
        EXPECT_EQ(session.handleOffset(2), kHandleTravel * preset / 4) << "preset " << preset;
    }
    for (int preset : {3, 0, 4, 1, 2}) {
        session.calls.clear();
        session.moveTo(kTicks[preset], kSliderTops[2] + 8);
        ASSERT_TRUE(session.drag({}));
        EXPECT_EQ(session.parameter(2), 0.25f * static_cast<float>(preset)) << "tick " << preset;
    }
}

// The system tells the window that it moved to a screen of another scale: a host that resizes
// gets the editor at the new size; one that refuses keeps the editor as it was.
TEST_F(EditorHost, AMoveToAnotherScaleResizesTheEditorWhereTheHostAgrees) {
    HWND frame = GetWindow(session.window.window(), GW_CHILD);
    ASSERT_NE(frame, nullptr);
    const int other = screenPercent() == 200 ? 150 : 200;
    const WPARAM otherDpi = MAKEWPARAM(96 * other / 100, 96 * other / 100);
    RECT suggested{0, 0, screenPixels(183, other), screenPixels(225, other)};

    SendMessageA(frame, WM_DPICHANGED, otherDpi, reinterpret_cast<LPARAM>(&suggested));
    ASSERT_EQ(session.sizeRequests.size(), 0u) << "a host that cannot resize is not asked";
    EXPECT_EQ(windowSize(frame).cx, screenPixels(183));
    session.window.idle(2);
    EXPECT_EQ(session.handleOffset(0), static_cast<int>(kHandleTravel * session.parameter(0)));

    session.resizes = true;
    SendMessageA(frame, WM_DPICHANGED, otherDpi, reinterpret_cast<LPARAM>(&suggested));
    ASSERT_EQ(session.sizeRequests.size(), 1u);
    EXPECT_EQ(session.sizeRequests[0].cx, screenPixels(183, other));
    EXPECT_EQ(session.sizeRequests[0].cy, screenPixels(225, other));
    EXPECT_EQ(windowSize(frame).cx, screenPixels(183, other));
    EXPECT_EQ(windowSize(frame).cy, screenPixels(225, other));
    ERect* rect = nullptr;
    session.effect->dispatcher(session.effect, vst::effEditGetRect, 0, 0, &rect, 0.0f);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->right, screenPixels(183, other));
}

// A right-click on the background offers the sizes; the choice is kept for every instance.
TEST_F(EditorHost, TheSizeChosenInTheMenuIsKeptForEveryInstance) {
    struct ForgetChoice {
        ~ForgetChoice() {
            RegDeleteKeyValueA(HKEY_CURRENT_USER, "Software\\tovrel\\tovrel_vst", "EditorScale");
        }
    } forget;
    session.resizes = true;
    // The menu lists 100, 125, 150, 175, 200, 225, 250 and 300 %; 250 % is the seventh line.
    std::thread chooser([] {
        HWND menu = nullptr;
        for (int wait = 0; wait < 400 && !(menu = FindWindowA("#32768", nullptr)); ++wait)
            Sleep(10);
        Sleep(100);
        for (int line = 0; line < 7; ++line)
            PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
        PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
    });
    session.moveTo(176, 5);
    ASSERT_TRUE(waitUntil([&] {
        POINT cursor{};
        return GetCursorPos(&cursor) && cursor.x == session.screenPoint(176, 5).x;
    }));
    session.input.pressRight(true);
    session.input.pressRight(false);
    for (int round = 0; round < 100 && session.sizeRequests.empty(); ++round)
        session.window.idle(1);
    chooser.join();
    ASSERT_EQ(session.sizeRequests.size(), 1u);
    EXPECT_EQ(session.sizeRequests[0].cx, screenPixels(183, 250));
    EXPECT_EQ(windowSize(GetWindow(session.window.window(), GW_CHILD)).cy, screenPixels(225, 250));

    EditorSession second(400, 100);
    ASSERT_TRUE(second.isOpen());
    EXPECT_EQ(second.window.width(), screenPixels(183, 250));
    EXPECT_EQ(second.window.height(), screenPixels(225, 250));
}

TEST(EditorLifetime, OpeningAndClosingLeavesNothingBehind) {
    EditorSession session;
    ASSERT_TRUE(session.isOpen());
    session.window.close();
    const int gdiObjects = processGdiObjectCount();
    const float values[3] = {session.parameter(0), session.parameter(1), session.parameter(2)};
    const int windows = threadWindowCount();
    for (int i = 0; i < 200; ++i) {
        ASSERT_TRUE(session.window.open(session.effect));
        session.window.close();
    }
    EXPECT_EQ(processGdiObjectCount(), gdiObjects);
    EXPECT_EQ(threadWindowCount(), windows);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(session.parameter(i), values[i]);
    EXPECT_EQ(session.effect->flags, 0x1011);
    // The last frame to close takes its window class with it.
    char className[64];
    std::snprintf(className, sizeof(className), "Plugin%p", session.library.module());
    WNDCLASSA registered;
    EXPECT_FALSE(GetClassInfoA(static_cast<HINSTANCE>(session.library.module()), className, &registered));
}

TEST(EditorLifetime, TwoInstancesWorkIndependently) {
    EditorSession first(100, 100);
    EditorSession second(400, 100);
    ASSERT_TRUE(first.isOpen());
    ASSERT_TRUE(second.isOpen());
    second.setParameter(2, 1.0f);
    first.window.idle(2);
    second.window.idle(2);
    EXPECT_EQ(first.handleOffset(2), kHandleTravel / 4);
    EXPECT_EQ(second.handleOffset(2), kHandleTravel);
    first.window.close();
    second.window.idle(2);
    EXPECT_EQ(second.handleOffset(0), static_cast<int>(kHandleTravel * second.parameter(0)));
}

// --- The editor's edges --------------------------------------------------------------------

TEST_F(EditorHost, ClosingDuringADragEndsTheEditAtOnce) {
    session.setParameter(2, 0.0f);
    session.window.idle(2);
    session.calls.clear();
    session.moveTo(kSliderLeft + 6, kSliderTops[0] + 8);
    // The host closes the editor from its idle answer while the button is still held.
    ASSERT_TRUE(session.drag(
        {[&] { session.moveTo(kSliderLeft + 40, kSliderTops[0] + 8); },
         [&] { session.effect->dispatcher(session.effect, vst::effEditClose, 0, 0, nullptr, 0.0f); }}));
    EXPECT_EQ(session.callsOf(vst::audioMasterBeginEdit).size(), 1u);
    ASSERT_EQ(session.callsOf(vst::audioMasterEndEdit).size(), 1u);
    EXPECT_EQ(session.callsOf(vst::audioMasterEndEdit)[0].index, 0);
    // Nothing is automated once the gesture has ended.
    bool ended = false;
    for (const auto& call : session.calls) {
        ended = ended || call.opcode == vst::audioMasterEndEdit;
        EXPECT_FALSE(ended && call.opcode == vst::audioMasterAutomate);
    }
    const auto automations = session.callsOf(vst::audioMasterAutomate);
    ASSERT_FALSE(automations.empty());
    EXPECT_NEAR(session.parameter(0), automations.back().opt, 1.0f / 140.0f);
    // The editor opens again as usual.
    session.window.close();
    ASSERT_TRUE(session.window.open(session.effect));
    EXPECT_EQ(session.handleOffset(0), static_cast<int>(kHandleTravel * session.parameter(0)));
}

TEST_F(EditorHost, PointerHeldStillReportsEachValueOnce) {
    session.setParameter(2, 0.0f);
    session.window.idle(2);
    session.calls.clear();
    session.moveTo(kSliderLeft + 6, kSliderTops[0] + 8);
    auto still = [] {};
    ASSERT_TRUE(session.drag({[&] { session.moveTo(kSliderLeft + 40, kSliderTops[0] + 8); }, still, still,
                              [&] { session.moveTo(kSliderLeft + 60, kSliderTops[0] + 8); }, still, still}));
    const auto automations = session.callsOf(vst::audioMasterAutomate);
    ASSERT_FALSE(automations.empty());
    EXPECT_LE(automations.size(), 3u);
    for (size_t i = 1; i < automations.size(); ++i)
        EXPECT_NE(automations[i].opt, automations[i - 1].opt);
    EXPECT_NEAR(automations.back().opt, 54.0f / kHandleTravel, 1.0f / kHandleTravel);
}

// Counts the wheel turns that reach the host's window.
int hostWheelTurns = 0;
WNDPROC hostWindowProc = nullptr;
LRESULT CALLBACK countingHostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_MOUSEWHEEL)
        ++hostWheelTurns;
    return CallWindowProcA(hostWindowProc, window, message, wParam, lParam);
}

TEST_F(EditorHost, WheelTurnUsedByASliderDoesNotScrollTheHost) {
    session.setParameter(2, 0.0f);
    session.setParameter(0, 0.5f);
    HWND host = session.window.window();
    HWND editor = GetWindow(host, GW_CHILD);
    ASSERT_NE(editor, nullptr);
    hostWindowProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(host, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&countingHostProc)));
    hostWheelTurns = 0;
    auto turn = [&](int x, int y) {
        const POINT screen = session.screenPoint(x, y);
        SendMessageA(editor, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(screen.x, screen.y));
    };
    turn(kSliderLeft + 80, kSliderTops[0] + 8);
    EXPECT_EQ(hostWheelTurns, 0);
    EXPECT_EQ(session.parameter(0), parameterFromFeed(94)); // 0.6 of the way: 9.4 dB
    turn(175, 215);                                         // no control there: the host may scroll
    EXPECT_EQ(hostWheelTurns, 1);
    SetWindowLongPtrA(host, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(hostWindowProc));
}

TEST_F(EditorHost, OpenAnswersZeroWhenNoWindowCanBeMade) {
    session.window.close();
    AEffect* effect = session.effect;
    EXPECT_EQ(effect->dispatcher(effect, vst::effEditOpen, 0, 0, nullptr, 0.0f), 0);
    HWND gone =
        CreateWindowExA(0, "STATIC", "", WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(gone, nullptr);
    DestroyWindow(gone);
    EXPECT_EQ(effect->dispatcher(effect, vst::effEditOpen, 0, 0, gone, 0.0f), 0);
    // Nothing was left half open: idle and keys find a closed editor, and a real open works.
    effect->dispatcher(effect, vst::effEditIdle, 0, 0, nullptr, 0.0f);
    EXPECT_EQ(effect->dispatcher(effect, vst::effEditKeyDown, 0, 13, nullptr, 0.0f), 0); // right arrow
    EXPECT_TRUE(session.window.open(effect));
}

// --- The host's threads and their COM state -------------------------------------------------

// How the calling thread stands with COM, as a host would look: the apartment type, or
// CO_E_NOTINITIALIZED as a negative number.
int apartmentOf() {
    APTTYPE type{};
    APTTYPEQUALIFIER qualifier{};
    const HRESULT result = CoGetApartmentType(&type, &qualifier);
    if (result != S_OK)
        return -1;
    return qualifier == APTTYPEQUALIFIER_IMPLICIT_MTA ? -2 : static_cast<int>(type);
}

// Opens and closes the editor in a window of the calling thread.
void showEditor(AEffect* effect) {
    EditorHostWindow window;
    ASSERT_TRUE(window.open(effect)) << window.error();
    window.idle(2);
    window.close();
}

TEST(EditorThreads, HostCreatingOnALoaderThreadAndClosingOnItsUiThreadKeepsItsOle) {
    PluginLibrary library;
    ASSERT_TRUE(library.load("tovrel_vst.dll")) << library.error();
    std::vector<int> states;
    std::thread ui([&] {
        OleInitialize(nullptr); // the host's own, for its drag and drop and clipboard
        AEffect* effect = nullptr;
        std::thread loader([&] {
            effect = library.createEffect(&HostedEffect::quietHost);
            states.push_back(apartmentOf()); // making an effect leaves the loader thread alone
        });
        loader.join();
        ASSERT_NE(effect, nullptr);
        showEditor(effect);
        showEditor(effect);
        effect->dispatcher(effect, vst::effClose, 0, 0, nullptr, 0.0f);
        states.push_back(apartmentOf());
        // Exactly the host's one initialisation is left: after it, OLE starts afresh.
        states.push_back(OleInitialize(nullptr) == S_FALSE ? 1 : 0);
        OleUninitialize();
        OleUninitialize();
        states.push_back(OleInitialize(nullptr) == S_OK ? 1 : 0);
        OleUninitialize();
    });
    ui.join();
    ASSERT_EQ(states.size(), 4u);
    EXPECT_EQ(states[0], -1);
    EXPECT_TRUE(states[1] == APTTYPE_STA || states[1] == APTTYPE_MAINSTA) << states[1];
    EXPECT_EQ(states[2], 1);
    EXPECT_EQ(states[3], 1);
}

// A host that closes the effect on a worker thread with the editor still open, while its window
// thread goes on with its messages, and then unloads the library: no window with the library's
// window procedure may be left, nor its window class.
TEST(EditorThreads, HostClosingTheEffectOnAnotherThreadLeavesNoWindowOfTheLibrary) {
    auto library = std::make_unique<PluginLibrary>();
    ASSERT_TRUE(library->load("tovrel_vst.dll")) << library->error();
    AEffect* effect = library->createEffect(&HostedEffect::quietHost);
    ASSERT_NE(effect, nullptr);
    HWND host = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 220, 260,
                                nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(host, nullptr);
    ASSERT_EQ(effect->dispatcher(effect, vst::effEditOpen, 0, 0, host, 0.0f), 1);
    ASSERT_NE(GetWindow(host, GW_CHILD), nullptr);
    char className[64];
    std::snprintf(className, sizeof(className), "Plugin%p", library->module());
    const auto module = static_cast<HINSTANCE>(library->module());

    std::atomic<bool> closed{false};
    std::thread worker([&] {
        effect->dispatcher(effect, vst::effClose, 0, 0, nullptr, 0.0f);
        closed = true;
    });
    const DWORD start = GetTickCount();
    while (!closed && GetTickCount() - start < 10000) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
    }
    worker.join();
    EXPECT_EQ(GetWindow(host, GW_CHILD), nullptr);
    WNDCLASSA registered;
    EXPECT_FALSE(GetClassInfoA(module, className, &registered));

    library.reset();
    DestroyWindow(host); // would reach a window procedure of the unloaded library
}

TEST(EditorThreads, HostThreadInTheMultithreadedApartmentStaysThere) {
    PluginLibrary library;
    ASSERT_TRUE(library.load("tovrel_vst.dll")) << library.error();
    std::vector<int> states;
    std::thread host([&] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        AEffect* effect = library.createEffect(&HostedEffect::quietHost);
        ASSERT_NE(effect, nullptr);
        showEditor(effect); // without drag and drop: OLE needs a single-threaded apartment
        effect->dispatcher(effect, vst::effClose, 0, 0, nullptr, 0.0f);
        states.push_back(apartmentOf());
        CoUninitialize(); // the host's own: after it, the thread is out of COM
        states.push_back(apartmentOf());
    });
    host.join();
    EXPECT_EQ(states, (std::vector<int>{APTTYPE_MTA, -1}));
}

} // namespace
} // namespace tovrel::test
