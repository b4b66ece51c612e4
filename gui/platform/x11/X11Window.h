#pragma once

#include "gui/platform/PlatformWindow.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

typedef struct _XDisplay Display;

namespace tovrel {

// What an open editor's window and its event thread share. The thread holds it as long as it
// runs, so that it outlives the window when the host closes the editor from a callback made on
// the thread itself.
//
// Contract: the thread that opens the window (the host's) makes the window on `display` and then
// starts the event thread; from then on only the event thread uses `display`, `events` and the
// rest, until `stopping` is set and the thread has been joined (a host's thread closing the
// editor) or the thread itself closed the window (then it closes the display as it ends).
// `stopping` and `invalidateRequested` are the only fields another thread writes while the event
// thread runs, each followed by a write to `wakeFd`, which ends the thread's wait.
struct X11EventLoop {
    Display* display{nullptr};
    unsigned long window{0};
    unsigned long visual{0}; // the window's visual id
    int32_t width{0};
    int32_t height{0};
    int wakeFd{-1};
    uint32_t idleInterval{100};
    PlatformWindowEvents* events{nullptr}; // null once the window is closed
    bool destroyedByHost{false};
    int32_t dispatchDepth{0};  // events being delivered, on the stack
    int32_t pressedButtons{0}; // the press being delivered, until the frame first asks
    bool closesDisplay{false}; // the thread closes the display as it ends
    std::atomic<bool> stopping{false};
    std::atomic<bool> invalidateRequested{false};
};

// The calling thread's loop, when it is an editor's event thread; else null.
X11EventLoop* threadEventLoop();
// Paints `area` of the loop's window now, through its frame.
void exposeArea(X11EventLoop& loop, const CRectangle& area);

// The frame's window under X11: a child of the host's window on an X connection of the editor's
// own, run by an event thread of the editor's own (see PlatformWindow::startEvents).
class X11Window final : public PlatformWindow {
public:
    X11Window(CFrame& frame, PlatformWindowEvents& events);
    ~X11Window() override;

    bool open(NativeWindow parent, CPos size) override;
    void close(bool alive) override;
    NativeWindow handle() const override { return loop ? loop->window : NativeWindow{}; }
    void deliverEvents() override;
    bool startEvents(uint32_t idleInterval) override;
    void stopEvents() override;
    unsigned long eventThread() const override { return threadId.load(std::memory_order_acquire); }

    void resize(CPos size) override;
    void invalidate() override;
    void setCursorShape(int32_t shape) override;
    void restoreCursor() override;
    bool enableDrop(bool) override { return false; }
    bool isDropEnabled() const override { return false; }

    bool resizeHostWindows(CPos frameSize) override;
    NativeWindow outerWindow() const override;
    CPos outerWindowPlace() const override;
    CRectangle hostWindowArea() const override;

private:
    PlatformWindowEvents& events;
    std::shared_ptr<X11EventLoop> loop;
    std::thread thread;
    std::atomic<unsigned long> threadId{0};
    unsigned long cursor{0}; // the cursor this window defined, if any
    int32_t cursorShape{-1};
    bool countedAsUser{false};
};

} // namespace tovrel
