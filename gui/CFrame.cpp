#include "gui/CFrame.h"

#include "gui/CFileDropTarget.h"
#include "gui/CPaintContext.h"
#include "gui/ModuleInstance.h"
#include "gui/PlatformEntries.h"

#include <ole2.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tovrel {

int32_t knobMode = 0;

namespace {

// One window class serves every frame of the process: the first frame registers it, the last
// one unregisters it.
int32_t classUsers = 0;
char className[32] = {};

// One wheel notch (120 units) is a distance of 1.0.
constexpr float kWheelUnit = 0.008333334f;

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
        removeChild(modalChild, false);
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

// --- Painting -------------------------------------------------------------------------------

Ref<CPaintContext> CFrame::makePaintContext() {
    return makeRef<CPaintContext>(this, nullptr, window);
}

Ref<CPaintContext> CFrame::makeContextIfNone(CPaintContext*& context) {
    if (context)
        return {};
    Ref<CPaintContext> made = makePaintContext();
    context = made.get();
    return made;
}

void CFrame::paint(CPaintContext* context) {
    awaitingFirstPaint = false;
    CViewContainer::paint(context);
}

void CFrame::paintArea(CPaintContext* context, const CRectangle& area) {
    awaitingFirstPaint = false;
    const Ref<CPaintContext> made = makeContextIfNone(context);
    const CRectangle oldClip = context->clipInDrawingCoordinates();
    context->setClipArea(area.boundedBy(oldClip));
    if (area.width() > 0 && area.height() > 0)
        CViewContainer::paintArea(context, area);
    context->setClipArea(oldClip);
}

void CFrame::refresh(CPaintContext* context) {
    if (!isWindowAlive() || areUpdatesSuspended())
        return;
    const Ref<CPaintContext> made = makeContextIfNone(context);
    if (repaintPending) {
        paint(context);
        setNeedsRepaint(false);
    } else {
        const CRectangle oldClip = context->clipInDrawingCoordinates();
        if (modalChild && modalChild->needsRepaint())
            modalChild->refresh(context);
        for (CChildLink* link = firstChild.get(); link; link = link->next.get()) {
            CRectangle childBounds;
            link->view->getBounds(childBounds);
            context->setClipArea(childBounds.boundedBy(oldClip));
            link->view->refresh(context);
        }
        context->setClipArea(oldClip);
    }
}

void CFrame::onIdle() {
    if (!isWindowAlive() || awaitingFirstPaint || !needsRepaint())
        return;
    refresh(makePaintContext().get());
}

void CFrame::paintView(CView* view) {
    const bool ownChild = view && hasChild(view);
    const Ref<CPaintContext> context = makePaintContext();
    if (ownChild)
        view->paint(context.get());
    else
        paint(context.get());
}

void CFrame::markAreaForRepaint(const CRectangle& area) {
    for (CChildLink* link = firstChild.get(); link; link = link->next.get()) {
        CRectangle childBounds;
        if (link->view->getBounds(childBounds).overlaps(area))
            link->view->setNeedsRepaint(true);
    }
}

bool CFrame::suspendUpdates(bool suspend) {
    const bool previous = updatesSuspended;
    updatesSuspended = suspend;
    return previous;
}

bool CFrame::areUpdatesSuspended() {
    return updatesSuspended;
}

// --- Input ----------------------------------------------------------------------------------

void CFrame::handleMouse(CPaintContext* context, CPos where, int32_t buttons) {
    if (focusView)
        setKeyFocus(nullptr);
    if (buttons == -1 && context)
        buttons = currentButtons();
    if (modalChild) {
        if (modalChild->isHit(where, buttons))
            modalChild->handleMouse(context, where, buttons);
        return;
    }
    CViewContainer::handleMouse(context, where, buttons);
}

int32_t CFrame::handleKeyDown(const CKeyCode& key) {
    if (focusView) {
        const int32_t answer = focusView->handleKeyDown(key);
        if (answer != -1)
            return answer;
    }
    if (modalChild) {
        const int32_t answer = modalChild->handleKeyDown(key);
        if (answer != -1)
            return answer;
    }
    if (key.virt == kKeyTab)
        return moveFocus(focusView, (key.modifier & kKeyModifierShift) != 0) ? 1 : -1;
    return -1;
}

int32_t CFrame::handleKeyUp(const CKeyCode& key) {
    if (focusView) {
        const int32_t answer = focusView->handleKeyUp(key);
        if (answer != -1)
            return answer;
    }
    if (modalChild)
        return modalChild->handleKeyUp(key);
    return -1;
}

bool CFrame::handleWheelAxis(CPaintContext* context, CPos where, int32_t axis, float distance) {
    CView* target = modalChild ? modalChild : viewAt(where, false);
    if (!target)
        return false;
    const Ref<CPaintContext> made = makeContextIfNone(context);
    return target->handleWheelAxis(context, where, axis, distance);
}

CView* CFrame::viewUnderPointer() {
    return modalChild ? modalChild : CViewContainer::viewUnderPointer();
}

// --- Focus and the modal view ---------------------------------------------------------------

void CFrame::setKeyFocus(CView* view) {
    CView* old = focusView;
    focusView = view;
    if (view && view->acceptsFocus())
        view->setNeedsRepaint(true);
    if (old) {
        old->focusLost(nullptr);
        if (old->acceptsFocus())
            old->setNeedsRepaint(true);
    }
}

CView* CFrame::getKeyFocus() {
    return focusView;
}

bool CFrame::moveFocus(CView* oldFocus, bool backwards) {
    if (modalChild)
        return false;
    if (!oldFocus)
        oldFocus = focusView;
    if (!oldFocus)
        return CViewContainer::moveFocus(nullptr, backwards);
    if (hasChild(oldFocus)) {
        if (CViewContainer::moveFocus(oldFocus, backwards))
            return true;
        setKeyFocus(nullptr);
        return false;
    }
    // The focus sits in a nested container: each container up the chain looks past the view that
    // held the focus, and then past itself in its own parent.
    CView* from = oldFocus;
    CView* parent = oldFocus->getParentView();
    while (parent && parent->isKindOf("CViewContainer")) {
        if (static_cast<CViewContainer*>(parent)->moveFocus(from, backwards))
            return true;
        from = parent;
        parent = parent->getParentView();
    }
    return CViewContainer::moveFocus(oldFocus, backwards);
}

bool CFrame::setModalChild(CView* view) {
    if (view && modalChild)
        return false;
    if (modalChild)
        removeChild(modalChild, false);
    modalChild = view;
    if (view)
        addChild(view);
    return true;
}

CView* CFrame::getModalChild() {
    return modalChild;
}

// --- Editor, window state, pointer and cursor -----------------------------------------------

GuiEditor* CFrame::ownerEditor() {
    return frameOwner ? frameOwner->frameEditor() : nullptr;
}

bool CFrame::isKindOf(const char* className) const {
    return (className && std::strcmp(className, "CFrame") == 0) || CViewContainer::isKindOf(className);
}

bool CFrame::isWindowAlive() {
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

int32_t CFrame::currentKnobMode() {
    return knobMode;
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
    case 1:
        name = IDC_WAIT;
        break;
    case 2:
        name = IDC_SIZEWE;
        break;
    case 3:
        name = IDC_SIZENS;
        break;
    case 4:
        name = IDC_SIZEALL;
        break;
    case 5:
        name = IDC_SIZENESW;
        break;
    case 6:
        name = IDC_SIZENWSE;
        break;
    case 8:
        name = IDC_NO;
        break;
    case 9:
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
        // Held for the length of the registration call only: when the registration fails, this
        // reference was the last and the target goes at once.
        auto* target = new CFileDropTarget(this);
        target->AddRef();
        const bool registered = SUCCEEDED(RegisterDragDrop(window, target));
        target->Release();
        dropTarget = registered ? target : nullptr;
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
    dropTarget = nullptr;
}

bool CFrame::isDropEnabled() {
    return dropEnabled;
}

// --- Size and position of the host's windows ------------------------------------------------

void CFrame::setBounds(const CRectangle& area) {
    setFrameSize(area.width(), area.height());
}

void CFrame::resizeWindow(HWND target, int32_t width, int32_t height) {
    SetWindowPos(target, HWND_TOP, 0, 0, width, height, SWP_NOMOVE);
}

bool CFrame::setFrameSize(int32_t width, int32_t height) {
    if (!isWindowAlive())
        return false;
    if (width == bounds.width() && height == bounds.height())
        return false;

    if (frameOwner && frameOwner->hostSizedWindow(width, height)) {
        // The host has resized its own windows.
        bounds.right = bounds.left + width;
        bounds.bottom = bounds.top + height;
        resizeWindow(window, width, height);
        return true;
    }

    // The host cannot: grow every window above the frame window by what the frame grows, up to the
    // first window that is clearly the host's own.
    bounds.right = bounds.left + width;
    bounds.bottom = bounds.top + height;
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
        resizeWindow(current, width + extraWidth, height + extraHeight);
        extraWidth += widthOf(parentRect) - widthOf(currentRect);
        extraHeight += heightOf(parentRect) - heightOf(currentRect);
        if (extraWidth > kResizeSlack || extraHeight > kResizeSlack)
            return true;
        if (extraWidth < 0)
            extraWidth = 0;
        if (extraHeight < 0)
            extraHeight = 0;
        current = parent;
    }
    if (current)
        resizeWindow(current, width + extraWidth, height + extraHeight);

    CViewContainer::setBounds(CRectangle{0, 0, width, height});
    return true;
}

HWND CFrame::findOuterWindow() {
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

bool CFrame::setWindowPosition(int32_t /*x*/, int32_t /*y*/) {
    isWindowAlive();
    return false;
}

bool CFrame::getWindowPosition(int32_t& x, int32_t& y) {
    if (!isWindowAlive())
        return false;
    HWND outer = findOuterWindow();
    RECT screen{};
    GetWindowRect(outer, &screen);
    POINT corner{screen.left, screen.top};
    MapWindowPoints(HWND_DESKTOP, outer ? GetParent(outer) : nullptr, &corner, 1);
    x = corner.x;
    y = corner.y;
    return true;
}

bool CFrame::getFrameSize(CRectangle& size) {
    return getFrameSize(&size);
}

bool CFrame::getFrameSize(CRectangle* size) {
    if (!size || !isWindowAlive())
        return false;
    HWND outer = GetParent(window);
    HWND reference = GetParent(GetParent(outer));
    RECT screen{};
    GetWindowRect(outer, &screen);
    POINT corner{screen.left, screen.top};
    MapWindowPoints(HWND_DESKTOP, reference, &corner, 1);
    *size = CRectangle{corner.x, corner.y, corner.x + widthOf(screen), corner.y + heightOf(screen)};
    return true;
}

} // namespace tovrel
