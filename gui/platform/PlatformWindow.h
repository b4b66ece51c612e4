#pragma once

#include "gui/CKeyCode.h"
#include "gui/CPos.h"
#include "gui/CRectangle.h"
#include "gui/CScale.h"
#include "gui/platform/PlatformTypes.h"

#include <cstdint>
#include <memory>

namespace tovrel {

class CFrame;

// What a frame window reports to its frame. Points are device pixels: `windowPoint` in the
// window's own coordinates, `screenPoint` in the screen's. Each call comes on the editor's thread
// (the window's own under Windows, else from `PlatformWindow::deliverEvents`);
// the frame (and the window with it) may be destroyed inside a call, so the window touches
// nothing of its own after one returns.
class PlatformWindowEvents {
public:
    // The window shows `area` again (an expose): the frame draws it on `device` now.
    virtual void windowExposed(NativeDevice device, const CRectangle& area) = 0;
    // A mouse button went down. The frame reads which buttons and modifiers are held through
    // `currentButtons` and follows a drag by polling them until the buttons are up.
    virtual void windowButtonDown(CPos windowPoint) = 0;
    // A wheel turned by `notches` (positive away from the user); true when a view used it, else
    // the platform passes it on to the host's windows.
    virtual bool windowWheel(CPos screenPoint, float notches) = 0;
    // A key went down or up in the window itself (where the host does not pass keys to the
    // editor); true when a view used it.
    virtual bool windowKey(const CKeyCode& key, bool down) = 0;
    // The window now shows on a screen of another scale, or its screen's scale changed.
    virtual void windowScreenChanged(const CScale& screen) = 0;
    // The user asked for a menu: a right-click at `screenPoint`, or the menu key (`atPointer`
    // false, the point then the window's corner). False when the frame has no menu to show.
    virtual bool windowContextMenu(CPos screenPoint, bool atPointer) = 0;
    // The host destroyed the window with its own before the frame closed it.
    virtual void windowDestroyed() = 0;
    // The window's own event thread has idle time (see `PlatformWindow::startEvents`): the editor
    // does here what the host's idle call does where the host's thread runs the window.
    virtual void windowIdle() = 0;

protected:
    PlatformWindowEvents() = default;
    ~PlatformWindowEvents() = default;
    PlatformWindowEvents(const PlatformWindowEvents&) = default;
    PlatformWindowEvents& operator=(const PlatformWindowEvents&) = default;
};

// The frame's window: a child window of the host's window, the cursor over it, drag and drop, and
// the host's windows above it. One for each frame, made when the frame is, with or without a
// window; the frame owns it. The window procedure or event thread calls the events back.
class PlatformWindow {
public:
    virtual ~PlatformWindow() = default;

    // Makes the child window of `parent`, visible, `size` device pixels, at the parent's corner;
    // false when it cannot (a parent that no longer exists, for instance).
    virtual bool open(NativeWindow parent, CPos size) = 0;
    // The window's end, on any thread: stops the events, gives up drag and drop, and destroys the
    // window if `alive` (a window that its host destroyed is not touched). A window that belongs
    // to another thread is destroyed on its own thread, waiting a bounded time for it.
    virtual void close(bool alive) = 0;
    // The window; none before `open` succeeds and after `close`. After the host destroyed it, the
    // handle it had.
    virtual NativeWindow handle() const = 0;

    // Hands over the events that arrived since the last call, on the calling thread: the frame
    // calls it last in the editor's idle time (it may end the frame). A system that itself calls
    // the window on its own thread (Windows, through the host's message loop) has nothing to do
    // here; one whose window runs on an event thread of its own (see `startEvents`) delivers the
    // queued events here, on that thread, which is then the only one that runs the views.
    virtual void deliverEvents() = 0;

    // A system whose windows have no thread of the host's to run on (X11: a connection and a
    // thread of each editor's own) runs the window on an event thread of its own. The frame and
    // its views are complete when `startEvents` starts it; from then on every event and the
    // editor's idle work (`windowIdle`, at least every `idleInterval` milliseconds) come on that
    // thread alone, and no other thread touches the frame until `stopEvents` returned. Called on
    // another thread, `stopEvents` ends the thread and waits for it; called on the event thread
    // itself (the host closing the editor from a callback made there) it only asks the thread to
    // end once the current event returns. Elsewhere (Windows) both do nothing and `eventThread`
    // is 0: the host's own thread runs the window.
    virtual bool startEvents(uint32_t /*idleInterval*/) { return true; }
    virtual void stopEvents() {}
    virtual unsigned long eventThread() const { return 0; }

    virtual void resize(CPos size) = 0;
    // Asks for the whole window to be exposed again.
    virtual void invalidate() = 0;
    // The shapes of CFrame's kCursor numbers over the window; any other number, the default and
    // the copy cursor put back the cursor that was there before the first change.
    virtual void setCursorShape(int32_t shape) = 0;
    // Puts back the cursor found before the first `setCursorShape`, at the frame's end.
    virtual void restoreCursor() = 0;
    // Drag and drop onto the window; false where the platform has none or there is no window.
    virtual bool enableDrop(bool enable) = 0;
    virtual bool isDropEnabled() const = 0;

    // The host's windows above the frame window. When the host cannot resize its windows for a new
    // frame size, grows each window of the chain by what the frame window grows, up to the first
    // one that is clearly the host's own; false when it stopped at a window much larger than what
    // it holds (the frame then keeps its children's layout).
    virtual bool resizeHostWindows(CPos frameSize) = 0;
    // The first window up the chain that has a caption, has no parent, or differs in size from the
    // frame window by more than 60 pixels; none when the walk runs out.
    virtual NativeWindow outerWindow() const = 0;
    // The outer window's corner in its parent's coordinates (the screen's without a parent).
    virtual CPos outerWindowPlace() const = 0;
    // The area of the frame window's parent, its corner in the coordinates of that parent's
    // grandparent (the screen's where there is none).
    virtual CRectangle hostWindowArea() const = 0;

protected:
    PlatformWindow() = default;
    PlatformWindow(const PlatformWindow&) = default;
    PlatformWindow& operator=(const PlatformWindow&) = default;
};

// A window for `frame`, reporting to `events`, with no native window yet.
std::unique_ptr<PlatformWindow> makePlatformWindow(CFrame& frame, PlatformWindowEvents& events);

// The name the platform knows the frame windows by (the window class), and how many frames of the
// process use it now.
const char* frameWindowClassName();
int32_t frameWindowClassUsers();

// The scale of the screen that shows `window`, 96 DPI being 100 %: its own DPI where the platform
// keeps one per window, else the system's (a window of none asks for the system's).
CScale screenScaleOf(NativeWindow window);
// A window's top-left corner on the screen in device pixels; (0, 0) for none.
CPos windowScreenCorner(NativeWindow window);

} // namespace tovrel
