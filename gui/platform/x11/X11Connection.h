#pragma once

#include <cstdint>

// Xlib's and Cairo's types, declared as their headers declare them, so that this header stays free
// of the X headers' macros.
typedef struct _XDisplay Display;
struct _cairo_surface;

namespace tovrel {

// The X11 connection of the calling thread: an open editor's event thread has one of its own (see
// X11Window.h), which every platform call made there uses. Null on any other thread.
Display* threadDisplay();

// A Cairo surface drawing on `window` through `display`, with the window's own visual and its
// current size; null when the window does not exist. The caller destroys it.
_cairo_surface* makeWindowSurface(Display* display, unsigned long window);

// Xlib ends the process on a protocol error unless an error handler says otherwise, and it has
// one handler per process: a trap installs a handler of its own only around a few calls that may
// fail (a parent window the host destroyed, for instance), and puts the previous one back.
// Traps of several threads at once take turns.
class XErrorTrap {
public:
    explicit XErrorTrap(Display* display);
    ~XErrorTrap();
    XErrorTrap(const XErrorTrap&) = delete;
    XErrorTrap& operator=(const XErrorTrap&) = delete;

    // Whether a request made since the trap was set failed (waits for the server's answer).
    bool failed();

private:
    Display* display{nullptr};
};

} // namespace tovrel
