// The frame's window under X11: its connection and event thread, the events it turns into the
// frame's, its cursor, and the host's windows above it.
#include "gui/platform/x11/X11Window.h"

#include "gui/CFrame.h"
#include "gui/CKeyCode.h"
#include "gui/CPaintContext.h"
#include "gui/platform/PlatformSystem.h"
#include "gui/platform/x11/CairoPainter.h"
#include "gui/platform/x11/X11Connection.h"

#include <cairo-xlib.h>
#include <cairo.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdlib>
#include <mutex>
#include <utility>
#include <vector>

// Last: Xlib's macros (None, Bool, Status...).
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xlibint.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/keysym.h>

namespace tovrel {

namespace {

// The event thread's own loop, for the platform calls made on it (buttons, pointer, menus).
thread_local X11EventLoop* currentLoop = nullptr;

constexpr long kEventMask =
    ExposureMask | ButtonPressMask | ButtonReleaseMask | KeyPressMask | KeyReleaseMask | StructureNotifyMask;

// How far the host's windows may be larger than what they hold before the frame leaves them
// alone: the outer-window search and the fallback resize, as under Windows.
constexpr int32_t kOuterWindowSlack = 60;
constexpr int32_t kResizeSlack = 80;

// Frames open in the process, for frameWindowClassUsers.
std::atomic<int32_t> openFrames{0};

// Event threads that ended the editor themselves (the host closed it from a callback made on
// them) cannot join themselves: they are joined by the next open or close on another thread, or
// when the library unloads. Each has nothing left to do but return.
// The list is defined before its joiner, so it is destroyed after it.
std::mutex finishedLock;
std::vector<std::thread> finishedThreads;
struct FinishedThreadsJoiner {
    ~FinishedThreadsJoiner() {
        for (std::thread& finished : finishedThreads)
            if (finished.joinable())
                finished.join();
    }
} finishedThreadsJoiner;

void joinFinishedThreads() {
    std::vector<std::thread> threads;
    {
        const std::lock_guard<std::mutex> lock(finishedLock);
        threads.swap(finishedThreads);
    }
    for (std::thread& finished : threads)
        finished.join();
}

// A hook in a connection's list of handlers: it takes every error that reaches it and counts it.
// Xlib asks the hooks newest first, before the process's handler, on the thread that reads the
// connection (the connection's own), so the count needs no lock.
struct ErrorHook {
    _XAsyncHandler node{};
    long errors{0};
};

Bool catchError(Display*, xReply* reply, char*, int, XPointer data) {
    if (reply->generic.type != X_Error)
        return False;
    ++reinterpret_cast<ErrorHook*>(data)->errors;
    return True;
}

void addHook(Display* display, ErrorHook& hook) {
    hook.node.next = display->async_handlers;
    hook.node.handler = catchError;
    hook.node.data = reinterpret_cast<XPointer>(&hook);
    display->async_handlers = &hook.node;
}

void removeHook(Display* display, ErrorHook& hook) {
    for (_XAsyncHandler** link = &display->async_handlers; *link; link = &(*link)->next)
        if (*link == &hook.node) {
            *link = hook.node.next;
            return;
        }
}

void wake(const X11EventLoop& loop) {
    if (loop.wakeFd < 0)
        return;
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(loop.wakeFd, &one, sizeof(one));
}

void drainWake(const X11EventLoop& loop) {
    uint64_t count = 0;
    [[maybe_unused]] const ssize_t read = ::read(loop.wakeFd, &count, sizeof(count));
}

int32_t buttonBit(unsigned int button) {
    switch (button) {
    case Button1:
        return kMouseLeft;
    case Button2:
        return kMouseMiddle;
    case Button3:
        return kMouseRight;
    default:
        return 0;
    }
}

CKeyCode keyCodeOf(XKeyEvent& event) {
    char text[8] = {};
    KeySym symbol = NoSymbol;
    const int length = XLookupString(&event, text, sizeof(text) - 1, &symbol, nullptr);
    CKeyCode key{0, 0, static_cast<uint8_t>((event.state & ShiftMask) ? kKeyModifierShift : 0)};
    switch (symbol) {
    case XK_Tab:
    case XK_ISO_Left_Tab:
        key.virt = kKeyTab;
        break;
    case XK_Left:
        key.virt = kKeyLeft;
        break;
    case XK_Up:
        key.virt = kKeyUp;
        break;
    case XK_Right:
        key.virt = kKeyRight;
        break;
    case XK_Down:
        key.virt = kKeyDown;
        break;
    default:
        if (length == 1 && text[0] >= ' ' && text[0] < 127)
            key.character = text[0];
        break;
    }
    return key;
}

} // namespace

void exposeArea(X11EventLoop& loop, const CRectangle& area) {
    if (!loop.events || loop.destroyedByHost)
        return;
    cairo_surface_t* surface = makeWindowSurface(loop.display, loop.window);
    if (!surface)
        return;
    cairo_t* context = cairo_create(surface);
    cairo_rectangle(context, area.left, area.top, area.width(), area.height());
    cairo_clip(context);
    loop.events->windowExposed(context, area);
    cairo_destroy(context);
    cairo_surface_flush(surface);
    cairo_surface_destroy(surface);
    XFlush(loop.display);
}

CRectangle unite(const CRectangle& a, const CRectangle& b) {
    return CRectangle{a.left < b.left ? a.left : b.left, a.top < b.top ? a.top : b.top,
                      a.right > b.right ? a.right : b.right, a.bottom > b.bottom ? a.bottom : b.bottom};
}

namespace {

// One expose and every other one queued for the window, as one area.
void handleExpose(X11EventLoop& loop, const XExposeEvent& first) {
    CRectangle area{first.x, first.y, first.x + first.width, first.y + first.height};
    XEvent next;
    while (XCheckTypedWindowEvent(loop.display, loop.window, Expose, &next)) {
        const XExposeEvent& more = next.xexpose;
        area = unite(area, CRectangle{more.x, more.y, more.x + more.width, more.y + more.height});
    }
    exposeArea(loop, area);
}

// A press into the editor gives its window the keyboard, as the host's own controls take it when
// clicked: the arrow keys then reach the editor wherever the pointer goes. Only a viewable window
// may have the focus, and the host may destroy its windows at any moment, hence the check and the
// trap. RevertToParent: when the editor's window goes or is hidden, the keyboard returns to the
// host's window that holds it rather than to nobody.
void takeFocus(X11EventLoop& loop, Time when) {
    XErrorTrap trap(loop.display);
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(loop.display, loop.window, &attributes) && attributes.map_state == IsViewable)
        XSetInputFocus(loop.display, loop.window, RevertToParent, when);
}

// One event for the window. The frame may close inside any call to it (the host closing the editor
// from a callback), and `loop.events` is null from then on.
void handleEvent(X11EventLoop& loop, XEvent& event) {
    if (event.xany.window != loop.window || !loop.events)
        return;
    switch (event.type) {
    case Expose:
        handleExpose(loop, event.xexpose);
        break;
    case ButtonPress: {
        const XButtonEvent& press = event.xbutton;
        if (press.button == Button4 || press.button == Button5) {
            // Button 4 is the wheel turned away from the user.
            const float notches = press.button == Button4 ? 1.0f : -1.0f;
            loop.events->windowWheel(CPos{press.x_root, press.y_root}, notches);
        } else if (const int32_t bit = buttonBit(press.button)) {
            takeFocus(loop, press.time);
            // The button counts as held at the frame's first look, however soon it came up again.
            loop.pressedButtons = bit;
            loop.events->windowButtonDown(CPos{press.x, press.y});
            loop.pressedButtons = 0;
        }
        break;
    }
    case ButtonRelease:
        // As under Windows, the menu comes when the right button goes up.
        if (event.xbutton.button == Button3)
            loop.events->windowContextMenu(CPos{event.xbutton.x_root, event.xbutton.y_root}, true);
        break;
    case KeyPress:
    case KeyRelease: {
        if (event.type == KeyPress && XLookupKeysym(&event.xkey, 0) == XK_Menu) {
            loop.events->windowContextMenu(windowScreenCorner(loop.window), false);
            break;
        }
        const CKeyCode key = keyCodeOf(event.xkey);
        if (key.virt != 0 || key.character != 0)
            loop.events->windowKey(key, event.type == KeyPress);
        break;
    }
    case ConfigureNotify:
        loop.width = event.xconfigure.width;
        loop.height = event.xconfigure.height;
        break;
    case DestroyNotify:
        loop.destroyedByHost = true;
        loop.events->windowDestroyed();
        break;
    default:
        break;
    }
}

// The event thread: waits for the server, a wake-up or the idle interval, then gives the editor
// its idle work, which delivers the events (CFrame::onIdle ends in deliverEvents).
void runEvents(std::shared_ptr<X11EventLoop> shared) {
    X11EventLoop& loop = *shared;
    currentLoop = &loop;
    const int connection = ConnectionNumber(loop.display);
    while (!loop.stopping.load(std::memory_order_acquire)) {
        if (XEventsQueued(loop.display, QueuedAfterFlush) == 0) {
            pollfd waits[2] = {{connection, POLLIN, 0}, {loop.wakeFd, POLLIN, 0}};
            poll(waits, 2, static_cast<int>(loop.idleInterval));
            if (waits[1].revents & POLLIN)
                drainWake(loop);
        }
        if (loop.stopping.load(std::memory_order_acquire))
            break;
        if (loop.invalidateRequested.exchange(false, std::memory_order_acq_rel) && !loop.destroyedByHost)
            XClearArea(loop.display, loop.window, 0, 0, 0, 0, True);
        if (loop.events)
            loop.events->windowIdle();
    }
    currentLoop = nullptr;
    if (loop.closesDisplay) {
        closeConnection(loop.display);
        close(loop.wakeFd);
    }
}

struct Geometry {
    int32_t x{0};
    int32_t y{0};
    int32_t width{0};
    int32_t height{0};
};

Geometry geometryOf(Display* display, Window window) {
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display, window, &attributes))
        return {};
    return Geometry{attributes.x, attributes.y, attributes.width, attributes.height};
}

Window parentOf(Display* display, Window window) {
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count))
        return 0;
    if (children)
        XFree(children);
    return parent == root ? 0 : parent;
}

bool hasCaption(Display* display, Window window) {
    char* name = nullptr;
    if (!XFetchName(display, window, &name) || !name)
        return false;
    XFree(name);
    return true;
}

} // namespace

// --- What the other platform files share ----------------------------------------------------

Display* threadDisplay() {
    return currentLoop ? currentLoop->display : nullptr;
}

X11EventLoop* threadEventLoop() {
    return currentLoop;
}

cairo_surface_t* makeWindowSurface(Display* display, unsigned long window) {
    XWindowAttributes attributes{};
    if (!display || !window || !XGetWindowAttributes(display, window, &attributes))
        return nullptr;
    return cairo_xlib_surface_create(display, window, attributes.visual, attributes.width, attributes.height);
}

Display* openConnection() {
    Display* display = XOpenDisplay(nullptr);
    if (display)
        addHook(display, *new ErrorHook);
    return display;
}

void closeConnection(Display* display) {
    if (!display)
        return;
    // The oldest hook, last in the list, is the connection's own.
    _XAsyncHandler* last = nullptr;
    for (_XAsyncHandler* node = display->async_handlers; node; node = node->next)
        if (node->handler == catchError)
            last = node;
    XCloseDisplay(display);
    delete reinterpret_cast<ErrorHook*>(last ? last->data : nullptr);
}

struct XErrorTrap::Catch : ErrorHook {};

XErrorTrap::XErrorTrap(Display* connection) : display(connection), caught(new Catch) {
    // Errors of earlier requests go where they went before.
    XSync(display, False);
    addHook(display, *caught);
}

XErrorTrap::~XErrorTrap() {
    XSync(display, False);
    removeHook(display, *caught);
    delete caught;
}

bool XErrorTrap::failed() {
    XSync(display, False);
    return caught->errors != 0;
}

std::unique_ptr<PlatformWindow> makePlatformWindow(CFrame& frame, PlatformWindowEvents& events) {
    return std::make_unique<X11Window>(frame, events);
}

const char* frameWindowClassName() {
    return "tovrel_vst editor";
}

int32_t frameWindowClassUsers() {
    return openFrames.load();
}

// --- Construction, the event thread and teardown --------------------------------------------

namespace {

// Painters that the frame asks for outside an expose draw on a surface of the window, made on the
// calling editor thread's own connection.
cairo_surface_t* surfaceOnThreadConnection(NativeWindow window) {
    return makeWindowSurface(threadDisplay(), window);
}

} // namespace

X11Window::X11Window(CFrame&, PlatformWindowEvents& receiver) : events(receiver) {
    static const bool sourceSet = (setWindowSurfaceSource(&surfaceOnThreadConnection), true);
    (void)sourceSet;
}

X11Window::~X11Window() {
    close(false);
}

bool X11Window::open(NativeWindow parent, CPos size) {
    joinFinishedThreads();
    Display* display = openConnection();
    if (!display)
        return false; // no X server: no editor
    auto opened = std::make_shared<X11EventLoop>();
    opened->display = display;
    // The arrow over the editor whatever the host shows around it, as the Windows editor's window
    // class has it.
    const Cursor arrow = XCreateFontCursor(display, XC_left_ptr);
    bool created = false;
    {
        XErrorTrap trap(display);
        XSetWindowAttributes attributes{};
        attributes.event_mask = kEventMask;
        // No background: the server leaves what is there until the frame paints, never a flash.
        attributes.background_pixmap = None;
        attributes.cursor = arrow;
        opened->window = XCreateWindow(display, parent, 0, 0, static_cast<unsigned int>(size.h),
                                       static_cast<unsigned int>(size.v), 0, CopyFromParent, InputOutput,
                                       CopyFromParent, CWEventMask | CWBackPixmap | CWCursor, &attributes);
        XMapWindow(display, opened->window);
        created = !trap.failed();
    }
    // Closed once the trap, which syncs the connection as it ends, is gone.
    if (!created) {
        // A parent that does not exist (any more): the window died with the request.
        closeConnection(display);
        return false;
    }
    opened->width = size.h;
    opened->height = size.v;
    opened->wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    opened->events = &events;
    loop = std::move(opened);
    cursor = arrow;
    cursorShape = kCursorDefault;
    countedAsUser = true;
    ++openFrames;
    return true;
}

bool X11Window::startEvents(uint32_t idleInterval) {
    if (!loop || thread.joinable())
        return loop != nullptr;
    loop->idleInterval = idleInterval;
    XFlush(loop->display);
    // From here on the connection is the thread's alone.
    thread = std::thread(runEvents, loop);
    threadId.store(static_cast<unsigned long>(thread.native_handle()), std::memory_order_release);
    return true;
}

void X11Window::stopEvents() {
    if (!loop)
        return;
    loop->stopping.store(true, std::memory_order_release);
    if (!thread.joinable())
        return;
    if (thread.get_id() == std::this_thread::get_id())
        return; // the thread ends once the event that closes the editor returns
    wake(*loop);
    thread.join();
}

void X11Window::close(bool alive) {
    if (!loop)
        return;
    stopEvents();
    X11EventLoop& closing = *loop;
    closing.events = nullptr;
    const bool onEventThread = thread.joinable() && thread.get_id() == std::this_thread::get_id();
    if (alive && !closing.destroyedByHost) {
        XErrorTrap trap(closing.display);
        if (cursor)
            XFreeCursor(closing.display, cursor);
        XDestroyWindow(closing.display, closing.window);
    }
    cursor = 0;
    if (onEventThread) {
        // The thread closes the connection as it ends, and whoever comes next joins it.
        closing.closesDisplay = true;
        const std::lock_guard<std::mutex> lock(finishedLock);
        finishedThreads.push_back(std::move(thread));
    } else {
        closeConnection(closing.display);
        ::close(closing.wakeFd);
        closing.display = nullptr;
        joinFinishedThreads();
    }
    loop.reset();
    threadId.store(0, std::memory_order_release);
    if (countedAsUser)
        --openFrames;
    countedAsUser = false;
}

void X11Window::deliverEvents() {
    // Held here: the frame, and this window with it, may go inside any event.
    const std::shared_ptr<X11EventLoop> held = loop;
    // An event being delivered (a drag, a menu) leaves the others queued until it returns, as the
    // window procedure does under Windows; the idle pump paints meanwhile (dispatchPendingPaint).
    if (!held || held->dispatchDepth > 0 || !held->display)
        return;
    X11EventLoop& current = *held;
    ++current.dispatchDepth;
    while (current.events && !current.stopping.load(std::memory_order_acquire) && XPending(current.display)) {
        XEvent event;
        XNextEvent(current.display, &event);
        handleEvent(current, event);
    }
    --current.dispatchDepth;
}

// --- Size, repainting and cursor ------------------------------------------------------------

void X11Window::resize(CPos size) {
    if (!loop || loop->destroyedByHost)
        return;
    XResizeWindow(loop->display, loop->window, static_cast<unsigned int>(size.h),
                  static_cast<unsigned int>(size.v));
    loop->width = size.h;
    loop->height = size.v;
    XFlush(loop->display);
}

void X11Window::invalidate() {
    if (!loop)
        return;
    if (thread.joinable() && currentLoop != loop.get()) {
        // Another thread: the event thread does it at its next turn.
        loop->invalidateRequested.store(true, std::memory_order_release);
        wake(*loop);
        return;
    }
    if (!loop->destroyedByHost) {
        XClearArea(loop->display, loop->window, 0, 0, 0, 0, True);
        XFlush(loop->display);
    }
}

void X11Window::setCursorShape(int32_t shape) {
    if (!loop || loop->destroyedByHost || shape == cursorShape)
        return;
    unsigned int glyph = XC_left_ptr;
    switch (shape) {
    case kCursorWait:
        glyph = XC_watch;
        break;
    case kCursorHorizontalSize:
        glyph = XC_sb_h_double_arrow;
        break;
    case kCursorVerticalSize:
        glyph = XC_sb_v_double_arrow;
        break;
    case kCursorSizeAll:
        glyph = XC_fleur;
        break;
    case kCursorNeswSize:
        glyph = XC_bottom_left_corner;
        break;
    case kCursorNwseSize:
        glyph = XC_bottom_right_corner;
        break;
    case kCursorNotAllowed:
        glyph = XC_X_cursor;
        break;
    case kCursorHand:
        glyph = XC_hand2;
        break;
    default:
        break;
    }
    cursorShape = shape;
    if (cursor) {
        XFreeCursor(loop->display, cursor);
        cursor = 0;
    }
    cursor = XCreateFontCursor(loop->display, glyph);
    XDefineCursor(loop->display, loop->window, cursor);
    XFlush(loop->display);
}

void X11Window::restoreCursor() {
    setCursorShape(kCursorDefault);
}

// --- The host's windows ---------------------------------------------------------------------

bool X11Window::resizeHostWindows(CPos frameSize) {
    if (!loop || loop->destroyedByHost)
        return false;
    Display* display = loop->display;
    // Every window above the frame window grows by what the frame grows, up to the first one that
    // is clearly the host's own (a top-level window, or one much larger than what it holds).
    int32_t extraWidth = 0;
    int32_t extraHeight = 0;
    Window current = loop->window;
    while (current) {
        const Window parent = parentOf(display, current);
        if (!parent)
            break;
        const Geometry currentArea = geometryOf(display, current);
        const Geometry parentArea = geometryOf(display, parent);
        XResizeWindow(display, current, static_cast<unsigned int>(frameSize.h + extraWidth),
                      static_cast<unsigned int>(frameSize.v + extraHeight));
        extraWidth += parentArea.width - currentArea.width;
        extraHeight += parentArea.height - currentArea.height;
        if (extraWidth > kResizeSlack || extraHeight > kResizeSlack) {
            XFlush(display);
            return false;
        }
        extraWidth = extraWidth < 0 ? 0 : extraWidth;
        extraHeight = extraHeight < 0 ? 0 : extraHeight;
        current = parent;
    }
    if (current)
        XResizeWindow(display, current, static_cast<unsigned int>(frameSize.h + extraWidth),
                      static_cast<unsigned int>(frameSize.v + extraHeight));
    XFlush(display);
    return true;
}

NativeWindow X11Window::outerWindow() const {
    if (!loop || loop->destroyedByHost)
        return {};
    Display* display = loop->display;
    const Geometry frameArea = geometryOf(display, loop->window);
    Window current = loop->window;
    while (current) {
        const Window parent = parentOf(display, current);
        if (!parent || hasCaption(display, current))
            return current;
        const Geometry parentArea = geometryOf(display, parent);
        if (std::abs(parentArea.width - frameArea.width) > kOuterWindowSlack ||
            std::abs(parentArea.height - frameArea.height) > kOuterWindowSlack)
            return current;
        current = parent;
    }
    return {};
}

CPos X11Window::outerWindowPlace() const {
    const Window outer = outerWindow();
    if (!outer)
        return CPos{};
    const Geometry area = geometryOf(loop->display, outer);
    return CPos{area.x, area.y};
}

CRectangle X11Window::hostWindowArea() const {
    if (!loop || loop->destroyedByHost)
        return CRectangle{};
    Display* display = loop->display;
    const Window outer = parentOf(display, loop->window);
    if (!outer)
        return CRectangle{};
    const Window grandparent = parentOf(display, outer);
    Window reference = grandparent ? parentOf(display, grandparent) : 0;
    if (!reference)
        reference = DefaultRootWindow(display);
    const Geometry area = geometryOf(display, outer);
    int x = 0;
    int y = 0;
    Window child = 0;
    XTranslateCoordinates(display, outer, reference, 0, 0, &x, &y, &child);
    return CRectangle{x, y, x + area.width, y + area.height};
}

} // namespace tovrel
