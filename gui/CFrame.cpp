// The frame's life, what its window reports, its cursor and drop support, and what it tells its
// editor. Painting, input and the host's windows have files of their own; the window itself is
// the platform's (gui/platform/).
#include "gui/CFrame.h"

#include "gui/CPaintContext.h"

#include <cstring>

namespace tovrel {

const char* CFrame::frameClassName() {
    return frameWindowClassName();
}

int32_t CFrame::frameClassUsers() {
    return frameWindowClassUsers();
}

// --- Construction and teardown --------------------------------------------------------------

CFrame::CFrame(const CRectangle& area, NativeWindow host, CFrameOwner* owner)
    : CViewContainer(area), frameOwner(owner), hostWindow(host), platform(makePlatformWindow(*this, events)) {
    ownerFrame = this;
    if (frameOwner)
        scale = frameOwner->scaleForFrame(screenScaleOf(hostWindow));
    createFrameWindow(hostWindow);
}

CFrame::~CFrame() {
    if (modalChild) {
        removeChild(modalChild, true);
        modalChild = nullptr;
    }
    platform->restoreCursor();
    // A window that the host destroyed with its own is gone already, and its handle may by now
    // name some other window: only a live window is destroyed.
    platform->close(windowAlive);
}

bool CFrame::createFrameWindow(NativeWindow parent) {
    if (!parent)
        return false;
    if (!platform->open(parent, scale.toDevice(CPos{bounds.width(), bounds.height()})))
        return false;
    enableDrop(true);
    return true;
}

// --- What the window reports ----------------------------------------------------------------

void CFrame::WindowEvents::windowExposed(NativeDevice device, const CRectangle& area) {
    const auto context = makeRef<CPaintContext>(&frame, device, frame.frameWindow());
    frame.paintArea(context.get(), frame.scale.viewAreaCovering(area));
}

void CFrame::WindowEvents::windowButtonDown(CPos windowPoint) {
    CPaintContext context(&frame, NativeDevice{}, frame.frameWindow());
    // The host may close the editor from the idle time a drag gives it: the frame may be gone
    // when this returns, and nothing after it touches the frame.
    frame.handleMouse(&context, frame.scale.toView(windowPoint), -1);
}

bool CFrame::WindowEvents::windowWheel(CPos screenPoint, float notches) {
    // The views want window coordinates, as the button events give them.
    CPaintContext context(&frame, NativeDevice{}, frame.frameWindow());
    return frame.handleWheel(&context, context.viewPointFromScreen(screenPoint), notches);
}

bool CFrame::WindowEvents::windowKey(const CKeyCode& key, bool down) {
    return (down ? frame.handleKeyDown(key) : frame.handleKeyUp(key)) == 1;
}

void CFrame::WindowEvents::windowScreenChanged(const CScale& screen) {
    if (frame.frameOwner)
        frame.setScale(frame.frameOwner->scaleForFrame(screen));
}

bool CFrame::WindowEvents::windowContextMenu(CPos screenPoint, bool atPointer) {
    // The frame's menu belongs to its background: a view under the pointer may one day have a
    // menu of its own.
    if (!frame.frameOwner)
        return false;
    if (atPointer) {
        CPaintContext context(&frame, NativeDevice{}, frame.frameWindow());
        if (frame.viewAt(context.viewPointFromScreen(screenPoint), false))
            return true;
    }
    frame.frameOwner->frameContextMenu(screenPoint);
    return true;
}

void CFrame::WindowEvents::windowDestroyed() {
    // The window goes before the frame (the host destroyed its own window): give up the drop
    // registration while the window still exists, or the target would outlive the frame.
    frame.enableDrop(false);
    frame.setWindowAlive(false);
    frame.hostWindow = NativeWindow{};
}

void CFrame::WindowEvents::windowIdle() {
    if (frame.frameOwner)
        frame.frameOwner->frameWindowIdle();
    else
        frame.onIdle();
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
    return frameOwner ? platformTicks() : 0;
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
    CPos pointer = pointerOnScreen();
    if (const NativeWindow window = frameWindow()) {
        const CPos corner = windowScreenCorner(window);
        pointer = CPos{pointer.h - corner.h, pointer.v - corner.v};
    }
    where = scale.toView(pointer);
    return true;
}

void CFrame::setCursorShape(int32_t shape) {
    platform->setCursorShape(shape);
}

bool CFrame::enableDrop(bool enable) {
    return platform->enableDrop(enable);
}

bool CFrame::isDropEnabled() const {
    return platform->isDropEnabled();
}

} // namespace tovrel
