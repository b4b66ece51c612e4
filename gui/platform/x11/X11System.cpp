// Pointer, buttons, clock, threads and pending paints under X11, on the editor's own connection.
#include "gui/CPaintContext.h"
#include "gui/platform/PlatformSystem.h"
#include "gui/platform/x11/X11Window.h"

#include <pthread.h>
#include <time.h>

#include <X11/Xlib.h>

namespace tovrel {

namespace {

struct PointerState {
    CPos screen;
    unsigned int mask{0};
};

// The pointer as the server has it now; nothing on a thread without an editor's connection.
bool queryPointer(PointerState& state) {
    const X11EventLoop* loop = threadEventLoop();
    if (!loop || !loop->display)
        return false;
    Window root = 0;
    Window child = 0;
    int rootX = 0;
    int rootY = 0;
    int windowX = 0;
    int windowY = 0;
    if (!XQueryPointer(loop->display, DefaultRootWindow(loop->display), &root, &child, &rootX, &rootY,
                       &windowX, &windowY, &state.mask))
        return false;
    state.screen = CPos{rootX, rootY};
    return true;
}

} // namespace

int32_t currentButtons() {
    X11EventLoop* loop = threadEventLoop();
    // An editor being closed from another thread sees every button up, which ends any drag.
    if (!loop || loop->stopping.load(std::memory_order_acquire))
        return 0;
    PointerState state;
    if (!queryPointer(state))
        return 0;
    // The server's buttons are the user's: it applies a swapped-buttons mapping itself.
    int32_t buttons = loop->pressedButtons;
    loop->pressedButtons = 0;
    if (state.mask & Button1Mask)
        buttons |= kMouseLeft;
    if (state.mask & Button2Mask)
        buttons |= kMouseMiddle;
    if (state.mask & Button3Mask)
        buttons |= kMouseRight;
    if (state.mask & ShiftMask)
        buttons |= kKeyShift;
    if (state.mask & ControlMask)
        buttons |= kKeyControl;
    if (state.mask & Mod1Mask)
        buttons |= kKeyAlt;
    return buttons;
}

CPos pointerOnScreen() {
    PointerState state;
    return queryPointer(state) ? state.screen : CPos{};
}

uint32_t platformTicks() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const uint64_t milliseconds =
        static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(milliseconds);
}

void platformSleep(uint32_t milliseconds) {
    timespec wait{static_cast<time_t>(milliseconds / 1000u),
                  static_cast<long>(milliseconds % 1000u) * 1000000L};
    while (nanosleep(&wait, &wait) != 0) {
    }
}

unsigned long currentThreadId() {
    return static_cast<unsigned long>(pthread_self());
}

void dispatchPendingPaint() {
    X11EventLoop* loop = threadEventLoop();
    if (!loop || !loop->display || !loop->events || loop->destroyedByHost)
        return;
    XEvent event;
    if (XCheckTypedWindowEvent(loop->display, loop->window, Expose, &event)) {
        const XExposeEvent& expose = event.xexpose;
        exposeArea(*loop, CRectangle{expose.x, expose.y, expose.x + expose.width, expose.y + expose.height});
    }
}

} // namespace tovrel
