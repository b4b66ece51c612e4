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

// Xlib hands a protocol error to the process's one error handler, and the default one (many
// hosts keep it) ends the process. The host may destroy its window, and the editor's with it, at
// any moment, so any request of the editor's may fail before the editor hears of it. The
// library's connections therefore keep their errors to themselves, through a hook of each
// connection (Xlib's per-connection handlers), and never touch the process's handler:
// openConnection and closeConnection open and close such a connection.
Display* openConnection();
void closeConnection(Display* display);

// A trap catches the errors of the requests its connection makes while it is set, for the few
// calls whose failure matters (a parent window the host destroyed, for instance). Errors of
// earlier requests are not its own: it waits for their answers first.
class XErrorTrap {
public:
    explicit XErrorTrap(Display* display);
    ~XErrorTrap();
    XErrorTrap(const XErrorTrap&) = delete;
    XErrorTrap& operator=(const XErrorTrap&) = delete;

    // Whether a request made since the trap was set failed (waits for the server's answer).
    bool failed();

    struct Catch; // the hook, in the connection's list while the trap is set

private:
    Display* display{nullptr};
    Catch* caught{nullptr};
};

} // namespace tovrel
