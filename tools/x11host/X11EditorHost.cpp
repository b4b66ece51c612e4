#include "tools/x11host/X11EditorHost.h"

#include "tools/snapshot/PngWriter.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xfixes.h>

#include <algorithm>
#include <atomic>
#include <poll.h>

namespace tovrel {

namespace {

// The position of a colour mask's lowest bit and the mask's maximum, to pull one channel out of
// a pixel whatever the visual's layout.
uint32_t channel(unsigned long pixel, unsigned long mask) {
    if (mask == 0)
        return 0;
    int shift = 0;
    while (((mask >> shift) & 1u) == 0)
        ++shift;
    const unsigned long maximum = mask >> shift;
    return static_cast<uint32_t>((((pixel & mask) >> shift) * 255 + maximum / 2) / maximum);
}

std::atomic<int> errorCount{0};
std::atomic<int> lastErrorCode{0};
std::atomic<int> lastRequestCode{0};
std::atomic<int> resourceQueryOpcode{-1}; // the X-Resource extension's major opcode

int countError(Display*, XErrorEvent* error) {
    // A census asks for the resources of each client it has just listed; one that disconnected
    // in between (an editor closing on its own thread) answers BadValue. That is no fault.
    if (error->request_code == resourceQueryOpcode && error->error_code == BadValue)
        return 0;
    lastErrorCode = error->error_code;
    lastRequestCode = error->request_code;
    ++errorCount;
    return 0;
}

} // namespace

X11EditorHost::~X11EditorHost() {
    disconnect();
}

int X11EditorHost::xErrorCount() {
    return errorCount;
}

std::string X11EditorHost::describeLastXError() {
    if (errorCount == 0)
        return {};
    return "error " + std::to_string(lastErrorCode) + ", request " + std::to_string(lastRequestCode);
}

bool X11EditorHost::connect(const char* displayName) {
    disconnect();
    XSetErrorHandler(countError);
    connection = XOpenDisplay(displayName);
    if (connection == nullptr) {
        lastError = "cannot connect to the X server";
        return false;
    }
    int opcode = 0;
    int firstEvent = 0;
    int firstError = 0;
    if (XQueryExtension(connection, "X-Resource", &opcode, &firstEvent, &firstError))
        resourceQueryOpcode = opcode;
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(connection, &eventBase, &errorBase, &major, &minor)) {
        lastError = "the X server has no XTest extension";
        disconnect();
        return false;
    }
    return true;
}

void X11EditorHost::disconnect() {
    close();
    if (connection != nullptr)
        XCloseDisplay(connection);
    connection = nullptr;
}

bool X11EditorHost::open(AEffect* effect, int left, int top, uint32_t background) {
    close();
    if (connection == nullptr || effect == nullptr || (effect->flags & vst::effFlagsHasEditor) == 0) {
        lastError = connection == nullptr ? "not connected" : "the effect has no editor";
        return false;
    }
    ERect* rect = nullptr;
    effect->dispatcher(effect, vst::effEditGetRect, 0, 0, &rect, 0.0f);
    if (rect == nullptr || rect->right <= rect->left || rect->bottom <= rect->top) {
        lastError = "the editor reports no size (vst::effEditGetRect)";
        return false;
    }
    EditorCalls calls;
    calls.open = [effect](unsigned long window) {
        return effect->dispatcher(effect, vst::effEditOpen, 0, 0, reinterpret_cast<void*>(window), 0.0f) != 0;
    };
    calls.idle = [effect] { effect->dispatcher(effect, vst::effEditIdle, 0, 0, nullptr, 0.0f); };
    calls.close = [effect] { effect->dispatcher(effect, vst::effEditClose, 0, 0, nullptr, 0.0f); };
    if (!open(calls, rect->right - rect->left, rect->bottom - rect->top, left, top, background)) {
        if (lastError.empty())
            lastError = "the editor refused to open (vst::effEditOpen)";
        return false;
    }
    return true;
}

bool X11EditorHost::open(const EditorCalls& calls, int width, int height, int left, int top,
                         uint32_t background) {
    close();
    lastError.clear();
    if (connection == nullptr) {
        lastError = "not connected";
        return false;
    }
    windowWidth = width;
    windowHeight = height;
    const int screen = XDefaultScreen(connection);
    hostWindow = XCreateSimpleWindow(connection, XRootWindow(connection, screen), left, top,
                                     static_cast<unsigned int>(windowWidth),
                                     static_cast<unsigned int>(windowHeight), 0, 0, background);
    XStoreName(connection, hostWindow, "tovrel X11 test host");
    XSelectInput(connection, hostWindow, StructureNotifyMask | ExposureMask);
    XMapWindow(connection, hostWindow);
    if (!waitForMap(std::chrono::milliseconds(5000))) {
        lastError = "the host window was not mapped";
        close();
        return false;
    }
    idleCalls.clear();
    if (!calls.open || !calls.open(hostWindow)) {
        close();
        return false;
    }
    editor = calls;
    editorOpen = true;
    nextIdle = Clock::now() + idlePeriod;
    return true;
}

void X11EditorHost::resizeWindow(int width, int height) {
    if (connection == nullptr || hostWindow == 0 || width <= 0 || height <= 0)
        return;
    XResizeWindow(connection, hostWindow, static_cast<unsigned int>(width),
                  static_cast<unsigned int>(height));
    XSync(connection, False);
    windowWidth = width;
    windowHeight = height;
}

void X11EditorHost::closeEditor() {
    if (editorOpen && editor.close)
        editor.close();
    editorOpen = false;
    editor = EditorCalls{};
    if (connection != nullptr)
        XSync(connection, False);
}

void X11EditorHost::destroyWindowFirst() {
    if (connection != nullptr && hostWindow != 0) {
        XDestroyWindow(connection, hostWindow);
        XSync(connection, False);
    }
    hostWindow = 0;
}

void X11EditorHost::close() {
    closeEditor();
    if (connection != nullptr && hostWindow != 0) {
        XDestroyWindow(connection, hostWindow);
        XSync(connection, True);
    }
    hostWindow = 0;
    windowWidth = windowHeight = 0;
}

bool X11EditorHost::waitForMap(std::chrono::milliseconds limit) {
    const Clock::time_point deadline = Clock::now() + limit;
    XEvent event;
    while (Clock::now() < deadline) {
        if (XCheckTypedWindowEvent(connection, hostWindow, MapNotify, &event))
            return true;
        pollfd descriptor{XConnectionNumber(connection), POLLIN, 0};
        poll(&descriptor, 1, 10);
    }
    return false;
}

void X11EditorHost::handleEvents() {
    // The host window needs nothing from its events; reading them keeps the queue short.
    XEvent event;
    while (XPending(connection) > 0)
        XNextEvent(connection, &event);
}

void X11EditorHost::run(std::chrono::milliseconds duration) {
    runUntil([] { return false; }, duration);
}

bool X11EditorHost::runUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const Clock::time_point deadline = Clock::now() + limit;
    while (true) {
        if (connection != nullptr)
            handleEvents();
        Clock::time_point now = Clock::now();
        if (editorOpen && idlePeriod.count() > 0 && now >= nextIdle) {
            idleCalls.push_back(now);
            if (editor.idle)
                editor.idle();
            // From this call on, so that a slow call delays the next one rather than bunching them.
            nextIdle = now + idlePeriod;
        }
        if (done())
            return true;
        now = Clock::now();
        if (now >= deadline)
            return false;
        Clock::time_point wake = std::min(deadline, now + std::chrono::milliseconds(10));
        if (editorOpen && idlePeriod.count() > 0)
            wake = std::min(wake, nextIdle);
        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(wake - now).count();
        pollfd descriptor{connection != nullptr ? XConnectionNumber(connection) : -1, POLLIN, 0};
        poll(&descriptor, 1, static_cast<int>(std::max<long long>(0, wait)));
    }
}

bool X11EditorHost::capture(std::vector<uint32_t>& pixels) {
    if (connection == nullptr || hostWindow == 0)
        return false;
    XImage* image = XGetImage(connection, hostWindow, 0, 0, static_cast<unsigned int>(windowWidth),
                              static_cast<unsigned int>(windowHeight), AllPlanes, ZPixmap);
    if (image == nullptr)
        return false;
    pixels.resize(static_cast<size_t>(windowWidth) * static_cast<size_t>(windowHeight));
    for (int y = 0; y < windowHeight; ++y) {
        for (int x = 0; x < windowWidth; ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            pixels[static_cast<size_t>(y) * static_cast<size_t>(windowWidth) + static_cast<size_t>(x)] =
                channel(pixel, image->red_mask) << 16 | channel(pixel, image->green_mask) << 8 |
                channel(pixel, image->blue_mask);
        }
    }
    XDestroyImage(image);
    return true;
}

bool X11EditorHost::savePng(const std::string& path) {
    std::vector<uint32_t> pixels;
    return capture(pixels) && writePng(path, pixels, windowWidth, windowHeight);
}

void X11EditorHost::movePointer(int x, int y) {
    if (connection == nullptr || hostWindow == 0)
        return;
    int rootX = 0, rootY = 0;
    Window child = 0;
    XTranslateCoordinates(connection, hostWindow, XDefaultRootWindow(connection), x, y, &rootX, &rootY,
                          &child);
    XTestFakeMotionEvent(connection, -1, rootX, rootY, CurrentTime);
    XSync(connection, False);
}

void X11EditorHost::pressButton(unsigned int button) {
    XTestFakeButtonEvent(connection, button, True, CurrentTime);
    XSync(connection, False);
}

void X11EditorHost::releaseButton(unsigned int button) {
    XTestFakeButtonEvent(connection, button, False, CurrentTime);
    XSync(connection, False);
}

void X11EditorHost::click(int x, int y, unsigned int button) {
    movePointer(x, y);
    pressButton(button);
    releaseButton(button);
}

bool X11EditorHost::pressKey(unsigned long keysym) {
    const KeyCode code = XKeysymToKeycode(connection, keysym);
    if (code == 0)
        return false;
    XTestFakeKeyEvent(connection, code, True, CurrentTime);
    XSync(connection, False);
    return true;
}

bool X11EditorHost::releaseKey(unsigned long keysym) {
    const KeyCode code = XKeysymToKeycode(connection, keysym);
    if (code == 0)
        return false;
    XTestFakeKeyEvent(connection, code, False, CurrentTime);
    XSync(connection, False);
    return true;
}

bool X11EditorHost::typeKey(unsigned long keysym) {
    return pressKey(keysym) && releaseKey(keysym);
}

bool X11EditorHost::cursorImage(std::vector<uint32_t>& pixels) {
    int eventBase = 0, errorBase = 0;
    if (connection == nullptr || !XFixesQueryExtension(connection, &eventBase, &errorBase))
        return false;
    XFixesCursorImage* image = XFixesGetCursorImage(connection);
    if (image == nullptr)
        return false;
    pixels.assign(image->pixels, image->pixels + image->width * image->height);
    XFree(image);
    return true;
}

void X11EditorHost::defineCursor(unsigned int glyph) {
    if (connection == nullptr || hostWindow == 0)
        return;
    const Cursor shape = XCreateFontCursor(connection, glyph);
    XDefineCursor(connection, hostWindow, shape);
    XFreeCursor(connection, shape);
    XSync(connection, False);
}

void X11EditorHost::editorWindowSize(int& width, int& height) {
    width = height = 0;
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (connection == nullptr || hostWindow == 0 ||
        !XQueryTree(connection, hostWindow, &root, &parent, &children, &count))
        return;
    XWindowAttributes attributes{};
    if (count > 0 && XGetWindowAttributes(connection, children[0], &attributes)) {
        width = attributes.width;
        height = attributes.height;
    }
    if (children)
        XFree(children);
}

void X11EditorHost::dropFocus() {
    XSetInputFocus(connection, None, RevertToNone, CurrentTime);
    XSync(connection, False);
}

unsigned long X11EditorHost::focusedWindow() {
    Window focus = 0;
    int revertTo = 0;
    XGetInputFocus(connection, &focus, &revertTo);
    return focus;
}

int X11EditorHost::popupWindows() {
    if (connection == nullptr)
        return 0;
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    int menus = 0;
    XGrabServer(connection);
    if (XQueryTree(connection, DefaultRootWindow(connection), &root, &parent, &children, &count)) {
        for (unsigned int i = 0; i < count; ++i) {
            XWindowAttributes attributes{};
            if (XGetWindowAttributes(connection, children[i], &attributes) && attributes.override_redirect &&
                attributes.map_state == IsViewable)
                ++menus;
        }
        if (children)
            XFree(children);
    }
    XUngrabServer(connection);
    XSync(connection, False);
    return menus;
}

bool X11EditorHost::keyboardHeldElsewhere() {
    // A grab of the keyboard fails while another client holds it, and is given back at once when
    // it succeeds.
    const Window target = hostWindow != 0 ? hostWindow : DefaultRootWindow(connection);
    if (XGrabKeyboard(connection, target, False, GrabModeAsync, GrabModeAsync, CurrentTime) != GrabSuccess)
        return true;
    XUngrabKeyboard(connection, CurrentTime);
    XSync(connection, False);
    return false;
}

} // namespace tovrel
