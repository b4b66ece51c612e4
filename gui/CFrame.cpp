// The frame's window class and window procedure, its life, cursor and drop registration, and what
// it tells its editor. Painting, input and the host's windows have files of their own.
#include "gui/CFrame.h"

#include "gui/CFileDropTarget.h"
#include "gui/CPaintContext.h"
#include "gui/ModuleInstance.h"
#include "gui/PlatformEntries.h"
#include "gui/ScreenScale.h"

#include <ole2.h>

#include <cstdio>
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

HINSTANCE moduleHandle() {
    return static_cast<HINSTANCE>(moduleInstance);
}

template <typename Function> Function entryPoint(HMODULE library, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

} // namespace

const char* CFrame::frameClassName() {
    return className;
}

int32_t CFrame::frameClassUsers() {
    const std::lock_guard<std::mutex> lock(classLock);
    return classUsers;
}

// --- Construction and teardown --------------------------------------------------------------

CFrame::CFrame(const CRectangle& area, HWND host, CFrameOwner* owner)
    : CViewContainer(area), frameOwner(owner), hostWindow(host) {
    ownerFrame = this;
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

    if (frameOwner)
        scale = frameOwner->scaleForFrame(screenScaleOf(hostWindow));
    createFrameWindow(hostWindow);
}

CFrame::~CFrame() {
    if (modalChild) {
        removeChild(modalChild, true);
        modalChild = nullptr;
    }
    if (!savedCursor)
        savedCursor = GetCursor();
    SetCursor(savedCursor);
    // A window that the host destroyed with its own is gone already, and its handle may by now
    // name some other window: only a live window is unlinked and destroyed.
    if (window && windowAlive) {
        // Unlinked first, so that the window procedure ignores the messages of the destruction.
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        if (GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId())
            closeWindowFromOtherThread();
    }
    closeWindow();
    if (imagingLibrary)
        FreeLibrary(imagingLibrary);
}

void CFrame::closeWindow() {
    if (dropEnabled && window) {
        revokeDropTarget();
        dropEnabled = false;
    }
    ole.end();
    if (window && windowAlive)
        DestroyWindow(window);
    window = nullptr;
    if (usesFrameClass)
        releaseFrameClass();
    usesFrameClass = false;
}

void CFrame::closeWindowFromOtherThread() {
    // A host that closes the effect on a worker thread without closing the editor first, and may
    // then unload the library: no window with this library's procedure may be left behind.
    const DWORD windowThread = GetWindowThreadProcessId(window, nullptr);
    const WPARAM endsOle = ole.isActiveOn(windowThread) ? kCloseEndsOle : 0;
    CFileDropTarget* target = dropEnabled ? dropTarget.get() : nullptr;
    DWORD_PTR answer = 0;
    const bool closed = SendMessageTimeoutA(window, closeMessage(), endsOle, reinterpret_cast<LPARAM>(target),
                                            SMTO_NORMAL | SMTO_ABORTIFHUNG, kCloseWait, &answer) != 0 &&
                        answer == closeMessage();
    // The window's thread has done its part, or will do it late or never: the frame's own
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
        usesFrameClass = false;
    }
    // The frame's own reference goes last: the registration's may already be gone.
    dropTarget.reset();
    // Destroyed by its thread, or gone with it.
    windowAlive = false;
}

bool CFrame::registerFrameClass() {
    const std::lock_guard<std::mutex> lock(classLock);
    if (++classUsers != 1)
        return true;
    std::snprintf(className, sizeof(className), "Plugin%p", moduleInstance);
    WNDCLASSA windowClass{};
    windowClass.style = CS_GLOBALCLASS;
    windowClass.lpfnWndProc = frameWindowProc;
    windowClass.hInstance = moduleHandle();
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = className;
    RegisterClassA(&windowClass);
    buttonsSwapped = GetSystemMetrics(SM_SWAPBUTTON) > 0;
    return true;
}

void CFrame::releaseFrameClass() {
    const std::lock_guard<std::mutex> lock(classLock);
    if (--classUsers == 0)
        UnregisterClassA(className, moduleHandle());
}

bool CFrame::createFrameWindow(HWND parent) {
    if (!parent)
        return false;
    registerFrameClass();
    usesFrameClass = true;
    window =
        CreateWindowExA(0, className, "Window", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0,
                        0, scale.toDevice(bounds.width()), scale.toDevice(bounds.height()), parent, nullptr,
                        moduleHandle(), nullptr);
    if (!window)
        return false; // a parent that no longer exists, for instance
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    enableDrop(true);
    return true;
}

// --- The window procedure -------------------------------------------------------------------

LRESULT CALLBACK CFrame::frameWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
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
    auto* frame = reinterpret_cast<CFrame*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!frame)
        return DefWindowProcA(window, message, wParam, lParam);
    return frame->handleMessage(message, wParam, lParam);
}

LRESULT CFrame::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DESTROY:
        // The window goes before the frame (the host destroyed its own window): give up the drop
        // registration while the window still exists, or the target would outlive the frame.
        enableDrop(false);
        setWindowAlive(false);
        hostWindow = nullptr;
        break;
    case WM_PAINT: {
        RECT update{};
        if (!GetUpdateRect(window, &update, FALSE))
            break;
        PAINTSTRUCT paintStruct{};
        HDC device = BeginPaint(window, &paintStruct);
        {
            const auto context = makeRef<CPaintContext>(this, device, window);
            const RECT& painted = paintStruct.rcPaint;
            paintArea(context.get(), scale.viewAreaCovering(CRectangle{painted.left, painted.top,
                                                                       painted.right, painted.bottom}));
        }
        EndPaint(window, &paintStruct);
        return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
        CPaintContext context(this, nullptr, window);
        const CPos where =
            scale.toView(CPos{static_cast<int32_t>(LOWORD(lParam)), static_cast<int32_t>(HIWORD(lParam))});
        // The host may close the editor from the idle time a drag gives it: the frame may be gone
        // when this returns, and nothing after it touches the frame.
        handleMouse(&context, where, -1);
        return 0;
    }
    case WM_DPICHANGED:
        // The window moved to a screen of another scale, or the screen's scale changed: a window
        // of the host's own gets the new DPI with the message, a child like this one has it from
        // the platform once its parent has been told.
        if (frameOwner)
            setScale(frameOwner->scaleForFrame(CScale::fromDotsPerInch(LOWORD(wParam))));
        return 0;
    case WM_DPICHANGED_AFTERPARENT:
        if (frameOwner)
            setScale(frameOwner->scaleForFrame(screenScaleOf(window)));
        break;
    case WM_CONTEXTMENU: {
        // The frame's menu belongs to its background: a view under the pointer may one day have a
        // menu of its own. From the keyboard the menu opens at the window's corner.
        if (!frameOwner)
            break;
        CPos screen{static_cast<int16_t>(LOWORD(lParam)), static_cast<int16_t>(HIWORD(lParam))};
        if (screen.h == -1 && screen.v == -1) {
            RECT area{};
            GetWindowRect(window, &area);
            screen = CPos{area.left, area.top};
        } else {
            CPaintContext context(this, nullptr, window);
            if (viewAt(context.viewPointFromScreen(screen), false))
                return 0;
        }
        frameOwner->frameContextMenu(screen);
        return 0;
    }
    case WM_MOUSEWHEEL: {
        // The message gives the pointer in screen coordinates; the views want window coordinates,
        // as the button messages give them.
        CPaintContext context(this, nullptr, window);
        const CPos screen{static_cast<int16_t>(LOWORD(lParam)), static_cast<int16_t>(HIWORD(lParam))};
        const CPos where = context.viewPointFromScreen(screen);
        const float distance = static_cast<float>(static_cast<int16_t>(HIWORD(wParam))) * kWheelUnit;
        // A turn that a view used stops here; any other goes on to the host's windows, which may
        // scroll a panel that holds the editor.
        if (handleWheel(&context, where, distance))
            return 0;
        break;
    }
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
// --- Editor, window state, pointer and cursor -----------------------------------------------

CFrameOwner* CFrame::ownerEditor() {
    return frameOwner;
}

bool CFrame::isKindOf(const char* className) const {
    return (className && std::strcmp(className, "CFrame") == 0) || CViewContainer::isKindOf(className);
}

bool CFrame::isWindowAlive() const {
    return windowAlive;
}

void CFrame::setWindowAlive(bool alive) {
    windowAlive = alive;
}

void CFrame::pumpIdle() {
    if (frameOwner)
        frameOwner->frameIdle();
}

uint32_t CFrame::tickCount() {
    return frameOwner ? GetTickCount() : 0;
}

int32_t CFrame::currentKnobMode() const {
    return frameOwner ? frameOwner->frameKnobMode() : 0;
}

void CFrame::beginParameterEdit(int32_t tag) {
    if (frameOwner)
        frameOwner->frameBeginEdit(tag);
}

void CFrame::endParameterEdit(int32_t tag) {
    if (frameOwner)
        frameOwner->frameEndEdit(tag);
}

bool CFrame::pointerInWindow(CPos& where) {
    POINT cursor{};
    GetCursorPos(&cursor);
    if (window) {
        RECT screen{};
        GetWindowRect(window, &screen);
        cursor.x -= screen.left;
        cursor.y -= screen.top;
    }
    where = scale.toView(CPos{cursor.x, cursor.y});
    return true;
}

void CFrame::setCursorShape(int32_t shape) {
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

bool CFrame::enableDrop(bool enable) {
    if (!dropEnabled && !enable)
        return true;
    if (!window)
        return false;
    revokeDropTarget();
    if (enable) {
        // When the registration fails, the frame's reference is the last and the target goes.
        ComRef<CFileDropTarget> target = makeComRef<CFileDropTarget>(this);
        if (SUCCEEDED(RegisterDragDrop(window, target->comInterface())))
            dropTarget = std::move(target);
    }
    dropEnabled = enable;
    return true;
}

void CFrame::revokeDropTarget() {
    if (!dropTarget)
        return;
    // Detached before the revocation, which may destroy it: a drag in progress may hold the
    // target beyond the registration, and it must not find this frame then.
    dropTarget->detach();
    RevokeDragDrop(window);
    dropTarget.reset();
}

bool CFrame::isDropEnabled() const {
    return dropEnabled;
}

} // namespace tovrel
