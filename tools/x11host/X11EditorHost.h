#pragma once

#include "host/VstAbi.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

typedef struct _XDisplay Display;

namespace tovrel {

// A Linux host's editor window, for tests and for looking at an editor: a top-level X11 window
// of the size the editor asks for (effEditGetRect), whose window id the editor receives as the
// pointer of effEditOpen, and a host loop that handles the window's events and calls effEditIdle
// at a set period. It reads the window's picture back from the server, and drives a real pointer
// and keyboard through the XTest extension, so the editor receives what a user's input gives it.
// Everything here runs on the thread that connected; the editor may run threads of its own.
class X11EditorHost {
public:
    using Clock = std::chrono::steady_clock;

    X11EditorHost() = default;
    ~X11EditorHost();

    X11EditorHost(const X11EditorHost&) = delete;
    X11EditorHost& operator=(const X11EditorHost&) = delete;

    // Connects to the X server (the DISPLAY variable's when null); false with error() on failure,
    // or when the server lacks XTest.
    bool connect(const char* displayName = nullptr);
    void disconnect();

    // The period of effEditIdle while the editor is open; zero never calls it. 50 ms to start.
    void setIdlePeriod(std::chrono::milliseconds period) { idlePeriod = period; }

    // Asks the editor's size, creates and maps the window at (left, top) of the screen with a
    // background of `background` (0xRRGGBB), and opens the editor in it. False with error() when
    // the effect has no editor, reports no size, or refuses to open.
    bool open(AEffect* effect, int left = 0, int top = 0, uint32_t background = 0xFF00FF);
    // Another kind of editor (an LV2 UI): `open` gets the window id and answers whether the editor
    // opened, `idle` runs each period and `close` closes the editor; the window starts at the
    // size given and follows resizeWindow().
    struct EditorCalls {
        std::function<bool(unsigned long window)> open;
        std::function<void()> idle;
        std::function<void()> close;
    };
    bool open(const EditorCalls& calls, int width, int height, int left = 0, int top = 0,
              uint32_t background = 0xFF00FF);
    // The host's window takes a new size, as a host does when the editor asks for one.
    void resizeWindow(int width, int height);
    // effEditClose, keeping the window (to count what the editor left in it).
    void closeEditor();
    // The host closed the effect with its editor open (the effect's close ends the editor): the
    // host forgets the editor without effEditClose, keeping the window.
    void forgetEditor() {
        editorOpen = false;
        editor = EditorCalls{};
    }
    // The host destroys its window with the editor still open, as some hosts do before
    // effEditClose; close() then closes the editor alone.
    void destroyWindowFirst();
    // Closes the editor if it is open and destroys the window.
    void close();

    // The host loop: the window's events, and effEditIdle each period, for `duration`.
    void run(std::chrono::milliseconds duration);
    // The host loop until `done` answers true (asked at least every 10 ms) or `limit` passes;
    // whether `done` answered true.
    bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds limit);
    // When each effEditIdle was sent, since the editor opened.
    const std::vector<Clock::time_point>& idleTimes() const { return idleCalls; }

    // The window's pixels as 0x00RRGGBB, row by row from the top, width() * height() of them;
    // the editor's child windows included, as the screen shows them.
    bool capture(std::vector<uint32_t>& pixels);
    bool savePng(const std::string& path);

    // Real input through XTest, in the window's coordinates. Buttons: 1 left, 2 middle, 3 right,
    // 4 and 5 the wheel's up and down. Keys by keysym (XK_Up, XK_a, ...); false when the keyboard
    // has none. Each call waits until the server has taken the event.
    void movePointer(int x, int y);
    void pressButton(unsigned int button);
    void releaseButton(unsigned int button);
    void click(int x, int y, unsigned int button = 1);
    bool pressKey(unsigned long keysym);
    bool releaseKey(unsigned long keysym);
    bool typeKey(unsigned long keysym);

    // The pointer's cursor as the screen shows it now, its pixels as 0xAARRGGBB (XFixes); false
    // when the server cannot tell. And the host's own cursor on its window, a font cursor glyph.
    bool cursorImage(std::vector<uint32_t>& pixels);
    void defineCursor(unsigned int glyph);

    // The size of the editor's window in the host's, as the server has it; 0 x 0 without one.
    void editorWindowSize(int& width, int& height);

    // The keyboard's focus. The host sets none on its window: dropFocus() gives it to no window,
    // as when the user's keyboard is elsewhere; focusedWindow() tells where it is (0: nowhere).
    void dropFocus();
    unsigned long focusedWindow();

    // Popup menus on the screen: mapped override-redirect windows of any client, listed under a
    // server grab so that none comes or goes meanwhile.
    int popupWindows();
    // Whether another client holds the keyboard, as an open menu does.
    bool keyboardHeldElsewhere();

    // X protocol errors anywhere in the process since the first connect(), the editor's own
    // connections included (Xlib has one error handler per process): counted, where Xlib's own
    // handler would end the process, so that a test can fail on them instead.
    static int xErrorCount();
    // "error E, request R" of the last of them; empty when there was none.
    static std::string describeLastXError();

    Display* display() const { return connection; }
    unsigned long window() const { return hostWindow; }
    int width() const { return windowWidth; }
    int height() const { return windowHeight; }
    bool isEditorOpen() const { return editorOpen; }
    const std::string& error() const { return lastError; }

private:
    void handleEvents();
    bool waitForMap(std::chrono::milliseconds limit);

    Display* connection{nullptr};
    EditorCalls editor; // the open editor's
    unsigned long hostWindow{0};
    int windowWidth{0};
    int windowHeight{0};
    bool editorOpen{false};
    std::chrono::milliseconds idlePeriod{50};
    Clock::time_point nextIdle{};
    std::vector<Clock::time_point> idleCalls;
    std::string lastError;
};

} // namespace tovrel
