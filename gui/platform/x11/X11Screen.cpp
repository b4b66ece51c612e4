// The screen under a window: its scale from the server's resources and where the window lies.
#include "gui/platform/PlatformWindow.h"
#include "gui/platform/x11/X11Connection.h"
#include "gui/platform/x11/XResourceScale.h"

#include <X11/Xlib.h>

namespace tovrel {

namespace {

// The calling editor thread's connection, else one for this question alone (the host's thread
// asks before the editor opens); null without an X server.
class Connection {
public:
    Connection() : display(threadDisplay()) {
        if (!display) {
            display = openConnection();
            owned = display != nullptr;
        }
    }
    ~Connection() {
        if (owned)
            closeConnection(display);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    Display* display{nullptr};

private:
    bool owned{false};
};

} // namespace

CScale screenScaleOf(NativeWindow) {
    // One X screen has one scale, whatever window shows on it.
    const Connection connection;
    return connection.display ? screenScaleOf(connection.display) : CScale{};
}

CPos windowScreenCorner(NativeWindow window) {
    const Connection connection;
    if (!window || !connection.display)
        return CPos{};
    int x = 0;
    int y = 0;
    Window child = 0;
    XErrorTrap trap(connection.display);
    if (!XTranslateCoordinates(connection.display, window, DefaultRootWindow(connection.display), 0, 0, &x,
                               &y, &child) ||
        trap.failed())
        return CPos{};
    return CPos{x, y};
}

} // namespace tovrel
