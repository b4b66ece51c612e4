// The frame's window class and window procedure, its life, cursor and drop registration, and what
// it tells its editor. Painting, input and the host's windows have files of their own.
#include "gui/CFrame.h"

#include "gui/CFileDropTarget.h"
#include "gui/CPaintContext.h"
#include "gui/ModuleInstance.h"
#include "gui/PlatformEntries.h"

#include <ole2.h>

#include <cstdio>
#include <cstring>
#include <utility>

namespace tovrel {

namespace {

// One window class serves every frame of the process: the first frame registers it, the last
// one unregisters it.
int32_t classUsers = 0;
char className[32] = {};

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
    if (dropEnabled && window) {
        revokeDropTarget();
        dropEnabled = false;
    }
    ole.end();
    if (imagingLibrary)
        FreeLibrary(imagingLibrary);
    // A window that the host destroyed with its own is gone already, and its handle may by now
    // name some other window: only a live window is unlinked and destroyed.
    if (window && windowAlive) {
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        DestroyWindow(window);
    }
    if (usesFrameClass && --classUsers == 0)
        UnregisterClassA(className, moduleHandle());
}

bool CFrame::registerFrameClass() {
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

bool CFrame::createFrameWindow(HWND parent) {
    if (!parent)
        return false;
    registerFrameClass();
    usesFrameClass = true;
    window =
        CreateWindowExA(0, className, "Window", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0,
                        0, bounds.width(), bounds.height(), parent, nullptr, moduleHandle(), nullptr);
    if (!window)
        return false; // a parent that no longer exists, for instance
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    enableDrop(true);
    return true;
}

// --- The window procedure -------------------------------------------------------------------

LRESULT CALLBACK CFrame::frameWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
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
            paintArea(context.get(), CRectangle{painted.left, painted.top, painted.right, painted.bottom});
        }
        EndPaint(window, &paintStruct);
        return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
        CPaintContext context(this, nullptr, window);
        const CPos where{static_cast<int32_t>(LOWORD(lParam)), static_cast<int32_t>(HIWORD(lParam))};
        // The host may close the editor from the idle time a drag gives it: the frame may be gone
        // when this returns, and nothing after it touches the frame.
        handleMouse(&context, where, -1);
        return 0;
    }
    case WM_MOUSEWHEEL: {
        // The message gives the pointer in screen coordinates; the views want window coordinates,
        // as the button messages give them.
        CPaintContext context(this, nullptr, window);
        const CPos screen{static_cast<int16_t>(LOWORD(lParam)), static_cast<int16_t>(HIWORD(lParam))};
        const CPos where{screen.h - context.getWindowOrigin().h, screen.v - context.getWindowOrigin().v};
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
    where = CPos{cursor.x, cursor.y};
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
