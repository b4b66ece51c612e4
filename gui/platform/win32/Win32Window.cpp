// The frame's window under Windows: its class and procedure, its life on its own thread, its drop
// registration and cursor, and the host's windows above it.
#include "gui/platform/win32/Win32Window.h"

#include "gui/CFrame.h"
#include "gui/ModuleInstance.h"
#include "gui/platform/win32/PlatformEntries.h"

#include <ole2.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <utility>

namespace tovrel {

namespace {

// One window class serves every frame of the process: the first frame registers it, the last
// one unregisters it. Editors of several instances may open and close on several threads at once:
// the count and the registration change together, under the lock, so that no frame creates its
// window between another's last release and its unregistration.
std::mutex classLock;
int32_t classUsers = 0;
char className[32] = {};

// Sent by a frame destroyed on another thread than its window's (a window can only be destroyed by
// its own thread): the window's thread revokes the drop target given in lParam, ends the frame's OLE
// when wParam says so, and destroys the window. It touches nothing of the frame, so an answer that
// comes too late for the waiting thread is still safe. The destroying thread waits at most
// kCloseWait. A message number of its own, so that no other code sends it by chance.
UINT closeMessage() {
    static const UINT message = RegisterWindowMessageA("tovrel frame: close on the window's thread");
    return message;
}
constexpr WPARAM kCloseEndsOle = 1;
constexpr UINT kCloseWait = 2000;

// One wheel notch (WHEEL_DELTA, 120 units) is a distance of 1.0: the nearest float to 1/120.
constexpr float kWheelUnit = 1.0f / WHEEL_DELTA;

// How far the host's windows may be larger than what they hold before the frame leaves them
// alone: the outer-window search and the fallback resize.
constexpr int32_t kOuterWindowSlack = 60;
constexpr int32_t kResizeSlack = 80;

HINSTANCE moduleHandle() {
    return static_cast<HINSTANCE>(moduleInstance);
}

template <typename Function> Function entryPoint(HMODULE library, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

int32_t widthOf(const RECT& area) {
    return area.right - area.left;
}

int32_t heightOf(const RECT& area) {
    return area.bottom - area.top;
}

// Resizes one window, keeping its position.
void resizeWindow(HWND target, int32_t width, int32_t height) {
    SetWindowPos(target, HWND_TOP, 0, 0, width, height, SWP_NOMOVE);
}

CPos pointOf(LPARAM lParam) {
    return CPos{static_cast<int16_t>(LOWORD(lParam)), static_cast<int16_t>(HIWORD(lParam))};
}

} // namespace

std::unique_ptr<PlatformWindow> makePlatformWindow(CFrame& frame, PlatformWindowEvents& events) {
    return std::make_unique<Win32Window>(frame, events);
}

const char* frameWindowClassName() {
    return className;
}

int32_t frameWindowClassUsers() {
    const std::lock_guard<std::mutex> lock(classLock);
    return classUsers;
}

CFileDropTarget* dropTargetOf(const CFrame& frame) {
    return static_cast<const Win32Window*>(frame.getPlatformWindow())->getDropTarget();
}

// --- Construction and teardown --------------------------------------------------------------

Win32Window::Win32Window(CFrame& owner, PlatformWindowEvents& receiver) : frame(owner), events(receiver) {
    ole.begin();

    alphaBlendEntry = nullptr;
    transparentBltEntry = nullptr;
    imagingLibrary = LoadLibraryA("msimg32.dll");
    if (imagingLibrary) {
        alphaBlendEntry = entryPoint<AlphaBlendFunction>(imagingLibrary, "AlphaBlend");
        // The record is the plain version record: its own size, so that the platform never writes
        // past its end.
        std::memset(&osVersion, 0, sizeof(osVersion));
        osVersion.dwOSVersionInfoSize = sizeof(osVersion);
        if (GetVersionExA(&osVersion) && osVersion.dwPlatformId >= VER_PLATFORM_WIN32_NT)
            transparentBltEntry = entryPoint<TransparentBltFunction>(imagingLibrary, "TransparentBlt");
    }
}

Win32Window::~Win32Window() {
    if (imagingLibrary)
        FreeLibrary(imagingLibrary);
}

void Win32Window::close(bool alive) {
    if (window && alive) {
        // Unlinked first, so that the window procedure ignores the messages of the destruction.
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        if (GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId()) {
            closeFromOtherThread();
            // Destroyed by its thread, or gone with it.
            alive = false;
        }
    }
    closeOnThisThread(alive);
}

void Win32Window::closeOnThisThread(bool alive) {
    if (dropEnabled && window) {
        revokeDropTarget();
        dropEnabled = false;
    }
    ole.end();
    if (window && alive)
        DestroyWindow(window);
    window = nullptr;
    if (usesClass)
        releaseClass();
    usesClass = false;
}

bool Win32Window::closeFromOtherThread() {
    // A host that closes the effect on a worker thread without closing the editor first, and may
    // then unload the library: no window with this library's procedure may be left behind.
    const DWORD windowThread = GetWindowThreadProcessId(window, nullptr);
    const WPARAM endsOle = ole.isActiveOn(windowThread) ? kCloseEndsOle : 0;
    CFileDropTarget* target = dropEnabled ? dropTarget.get() : nullptr;
    DWORD_PTR answer = 0;
    const bool closed = SendMessageTimeoutA(window, closeMessage(), endsOle, reinterpret_cast<LPARAM>(target),
                                            SMTO_NORMAL | SMTO_ABORTIFHUNG, kCloseWait, &answer) != 0 &&
                        answer == closeMessage();
    // The window's thread has done its part, or will do it late or never: the window's own
    // records of the registration and of OLE are settled here.
    dropEnabled = false;
    ole.abandon();
    if (!closed && IsWindow(window)) {
        // The window's thread does not answer. The window can still go without any code of this
        // library: the drop target refuses everything from now on, and the window gets the
        // platform's procedure, whose answer to WM_CLOSE destroys it when its thread next reads
        // its queue. The window keeps the class in use.
        if (target)
            target->detach();
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DefWindowProcA));
        PostMessageA(window, WM_CLOSE, 0, 0);
        usesClass = false;
    }
    // The window's own reference goes last: the registration's may already be gone.
    dropTarget.reset();
    return closed;
}

void Win32Window::registerClass() {
    const std::lock_guard<std::mutex> lock(classLock);
    if (++classUsers != 1)
        return;
    std::snprintf(className, sizeof(className), "Plugin%p", moduleInstance);
    WNDCLASSA windowClass{};
    windowClass.style = CS_GLOBALCLASS;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = moduleHandle();
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = className;
    RegisterClassA(&windowClass);
    buttonsSwapped = GetSystemMetrics(SM_SWAPBUTTON) > 0;
}

void Win32Window::releaseClass() {
    const std::lock_guard<std::mutex> lock(classLock);
    if (--classUsers == 0)
        UnregisterClassA(className, moduleHandle());
}

bool Win32Window::open(NativeWindow parent, CPos size) {
    registerClass();
    usesClass = true;
    window =
        CreateWindowExA(0, className, "Window", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0,
                        0, size.h, size.v, parent, nullptr, moduleHandle(), nullptr);
    if (!window)
        return false; // a parent that no longer exists, for instance
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    return true;
}

// --- The window procedure -------------------------------------------------------------------

LRESULT CALLBACK Win32Window::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == closeMessage()) {
        if (auto* target = reinterpret_cast<CFileDropTarget*>(lParam)) {
            target->detach();
            RevokeDragDrop(window);
        }
        if (wParam & kCloseEndsOle)
            OleUninitialize();
        DestroyWindow(window);
        return static_cast<LRESULT>(closeMessage());
    }
    auto* platform = reinterpret_cast<Win32Window*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!platform)
        return DefWindowProcA(window, message, wParam, lParam);
    // Any event may end in the frame's destruction, and this object's with it: after one, only
    // the window handle of the call is used.
    PlatformWindowEvents& events = platform->events;
    switch (message) {
    case WM_DESTROY:
        events.windowDestroyed();
        break;
    case WM_PAINT: {
        RECT update{};
        if (!GetUpdateRect(window, &update, FALSE))
            break;
        PAINTSTRUCT paintStruct{};
        HDC device = BeginPaint(window, &paintStruct);
        const RECT& painted = paintStruct.rcPaint;
        events.windowExposed(device, CRectangle{painted.left, painted.top, painted.right, painted.bottom});
        EndPaint(window, &paintStruct);
        return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        events.windowButtonDown(
            CPos{static_cast<int32_t>(LOWORD(lParam)), static_cast<int32_t>(HIWORD(lParam))});
        return 0;
    case WM_DPICHANGED:
        // The window moved to a screen of another scale, or the screen's scale changed: a window
        // of the host's own gets the new DPI with the message, a child like this one has it from
        // the platform once its parent has been told.
        events.windowScreenChanged(CScale::fromDotsPerInch(LOWORD(wParam)));
        return 0;
    case WM_DPICHANGED_AFTERPARENT:
        events.windowScreenChanged(screenScaleOf(window));
        break;
    case WM_CONTEXTMENU: {
        // From the keyboard the menu opens at the window's corner.
        CPos screen = pointOf(lParam);
        const bool atPointer = !(screen.h == -1 && screen.v == -1);
        if (!atPointer) {
            RECT area{};
            GetWindowRect(window, &area);
            screen = CPos{area.left, area.top};
        }
        if (events.windowContextMenu(screen, atPointer))
            return 0;
        break;
    }
    case WM_MOUSEWHEEL: {
        // The message gives the pointer in screen coordinates. A turn that a view used stops
        // here; any other goes on to the host's windows, which may scroll a panel that holds the
        // editor.
        const float distance = static_cast<float>(static_cast<int16_t>(HIWORD(wParam))) * kWheelUnit;
        if (events.windowWheel(pointOf(lParam), distance))
            return 0;
        break;
    }
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// --- Size, repainting, cursor and dropping --------------------------------------------------

void Win32Window::resize(CPos size) {
    resizeWindow(window, size.h, size.v);
}

void Win32Window::invalidate() {
    InvalidateRect(window, nullptr, FALSE);
}

void Win32Window::setCursorShape(int32_t shape) {
    if (!savedCursor)
        savedCursor = GetCursor();
    LPCSTR name = nullptr;
    switch (shape) {
    case kCursorWait:
        name = IDC_WAIT;
        break;
    case kCursorHorizontalSize:
        name = IDC_SIZEWE;
        break;
    case kCursorVerticalSize:
        name = IDC_SIZENS;
        break;
    case kCursorSizeAll:
        name = IDC_SIZEALL;
        break;
    case kCursorNeswSize:
        name = IDC_SIZENESW;
        break;
    case kCursorNwseSize:
        name = IDC_SIZENWSE;
        break;
    case kCursorNotAllowed:
        name = IDC_NO;
        break;
    case kCursorHand:
        name = IDC_HAND;
        break;
    default:
        break;
    }
    SetCursor(name ? LoadCursorA(nullptr, name) : savedCursor);
}

void Win32Window::restoreCursor() {
    if (!savedCursor)
        savedCursor = GetCursor();
    SetCursor(savedCursor);
}

bool Win32Window::enableDrop(bool enable) {
    if (!dropEnabled && !enable)
        return true;
    if (!window)
        return false;
    revokeDropTarget();
    if (enable) {
        // When the registration fails, the window's reference is the last and the target goes.
        ComRef<CFileDropTarget> target = makeComRef<CFileDropTarget>(&frame);
        if (SUCCEEDED(RegisterDragDrop(window, target->comInterface())))
            dropTarget = std::move(target);
    }
    dropEnabled = enable;
    return true;
}

void Win32Window::revokeDropTarget() {
    if (!dropTarget)
        return;
    // Detached before the revocation, which may destroy it: a drag in progress may hold the
    // target beyond the registration, and it must not find the frame then.
    dropTarget->detach();
    RevokeDragDrop(window);
    dropTarget.reset();
}

// --- The host's windows ---------------------------------------------------------------------

bool Win32Window::resizeHostWindows(CPos frameSize) {
    // Every window above the frame window grows by what the frame grows, up to the first window
    // that is clearly the host's own.
    const int32_t fixedFrames = 2 * GetSystemMetrics(SM_CYFIXEDFRAME);
    int32_t extraWidth = 0;
    int32_t extraHeight = 0;
    HWND current = window;
    while (extraWidth != fixedFrames && current) {
        HWND parent = GetParent(current);
        if (!parent)
            break;
        char parentClass[1024] = {};
        GetClassNameA(parent, parentClass, sizeof(parentClass));
        if (std::strcmp(parentClass, "MDIClient") == 0)
            break;
        RECT currentRect{};
        RECT parentRect{};
        GetWindowRect(current, &currentRect);
        GetWindowRect(parent, &parentRect);
        resizeWindow(current, frameSize.h + extraWidth, frameSize.v + extraHeight);
        extraWidth += widthOf(parentRect) - widthOf(currentRect);
        extraHeight += heightOf(parentRect) - heightOf(currentRect);
        if (extraWidth > kResizeSlack || extraHeight > kResizeSlack)
            return false;
        if (extraWidth < 0)
            extraWidth = 0;
        if (extraHeight < 0)
            extraHeight = 0;
        current = parent;
    }
    if (current)
        resizeWindow(current, frameSize.h + extraWidth, frameSize.v + extraHeight);
    return true;
}

NativeWindow Win32Window::outerWindow() const {
    RECT frameRect{};
    GetWindowRect(window, &frameRect);
    HWND current = window;
    while (current) {
        HWND parent = GetParent(current);
        if ((GetWindowLongA(current, GWL_STYLE) & WS_CAPTION) != 0 || !parent)
            return current;
        RECT parentRect{};
        GetWindowRect(parent, &parentRect);
        if (std::abs(widthOf(parentRect) - widthOf(frameRect)) > kOuterWindowSlack ||
            std::abs(heightOf(parentRect) - heightOf(frameRect)) > kOuterWindowSlack)
            return current;
        current = parent;
    }
    return nullptr;
}

CPos Win32Window::outerWindowPlace() const {
    HWND outer = outerWindow();
    RECT screen{};
    GetWindowRect(outer, &screen);
    POINT corner{screen.left, screen.top};
    MapWindowPoints(HWND_DESKTOP, outer ? GetParent(outer) : nullptr, &corner, 1);
    return CPos{corner.x, corner.y};
}

CRectangle Win32Window::hostWindowArea() const {
    HWND outer = GetParent(window);
    HWND reference = GetParent(GetParent(outer));
    RECT screen{};
    GetWindowRect(outer, &screen);
    POINT corner{screen.left, screen.top};
    MapWindowPoints(HWND_DESKTOP, reference, &corner, 1);
    return CRectangle{corner.x, corner.y, corner.x + widthOf(screen), corner.y + heightOf(screen)};
}

} // namespace tovrel
