#include "gui/CViewContainer.h"

#include "gui/CFrameServices.h"
#include "gui/COffscreenPaint.h"
#include "gui/CPaintContext.h"
#include "gui/CPixmap.h"

#include <cstring>

namespace tovrel {

namespace {

CRectangle boundsOf(CView* view) {
    CRectangle area;
    view->getBounds(area);
    return area;
}

} // namespace

CViewContainer::CViewContainer(const CRectangle& area) : CView(area) {
    CViewContainer::setNeedsRepaint(true);
}

CViewContainer::~CViewContainer() {
    removeAllChildren(true);
    dropBackBuffer();
}

// --- Painting -------------------------------------------------------------------------------

void CViewContainer::makeBackBuffer() {
    dropBackBuffer();
    offscreen = makeRef<COffscreenPaint>(ownerFrame, bounds.width(), bounds.height(), kRgbaBlack);
}

void CViewContainer::dropBackBuffer() {
    offscreen.reset();
}

void CViewContainer::shiftContext(CPaintContext* context, int32_t h, int32_t v) {
    CPos& origin = context->getWindowOrigin();
    CPos& offset = context->getOffset();
    origin.h += h;
    origin.v += v;
    offset.h += h;
    offset.v += v;
}

CPaintContext* CViewContainer::beginPaint(CPaintContext* context, CPos& savedOrigin, CPos& savedOffset) {
    if (!offscreen && paintOffscreen)
        makeBackBuffer();
    if (paintOffscreen)
        return offscreen.get();
    savedOrigin = context->getWindowOrigin();
    savedOffset = context->getOffset();
    shiftContext(context, bounds.left, bounds.top);
    return context;
}

CRectangle CViewContainer::callerClip(CPaintContext* context) const {
    CRectangle clip = context->clipInDrawingCoordinates();
    const bool ownFrame = ownerFrame && ownerFrame->frameView() == this;
    if (paintOffscreen && !ownFrame)
        clip = CRectangle{0, 0, clip.width(), clip.height()};
    return clip;
}

void CViewContainer::drawBackdrop(CPaintContext* target, const CRectangle& area, const CPos& source) {
    if (transparent)
        backdrop->drawKeyed(target, area, source);
    else
        backdrop->drawCopy(target, area, source);
}

void CViewContainer::paint(CPaintContext* context) {
    if (!context)
        return;
    CPos savedOrigin;
    CPos savedOffset;
    CPaintContext* target = beginPaint(context, savedOrigin, savedOffset);
    const CRectangle whole = ownArea();
    const CRectangle savedClip = context->clipInDrawingCoordinates();
    const CRectangle oldClip = callerClip(context);

    target->setClipArea(whole.boundedBy(oldClip));
    if (backdrop) {
        drawBackdrop(target, whole, backdropOffset);
    } else if (!transparent) {
        target->setFillColor(backgroundColour);
        target->fillArea(whole);
    }
    for (CChildLink* link = firstChild.get(); link; link = link->next.get()) {
        target->setClipArea(boundsOf(link->view.get()).boundedBy(oldClip));
        link->view->paint(target);
    }
    target->setClipArea(savedClip);

    if (target != context) {
        offscreen->copyTo(context, bounds, CPos{});
    } else {
        context->getWindowOrigin() = savedOrigin;
        context->getOffset() = savedOffset;
    }
    setNeedsRepaint(false);
}

void CViewContainer::paintArea(CPaintContext* context, const CRectangle& area) {
    if (!context)
        return;
    CPos savedOrigin;
    CPos savedOffset;
    CPaintContext* target = beginPaint(context, savedOrigin, savedOffset);
    const CRectangle inParent = area.boundedBy(bounds);
    CRectangle local = inParent;
    local.offset(-bounds.left, -bounds.top);
    const CRectangle savedClip = context->clipInDrawingCoordinates();
    const CRectangle oldClip = callerClip(context);

    const CRectangle painted = local.boundedBy(oldClip);
    target->setClipArea(painted);
    paintBackground(target, local);
    for (CChildLink* link = firstChild.get(); link; link = link->next.get()) {
        CView* child = link->view.get();
        if (!child->overlaps(local))
            continue;
        const CRectangle childBounds = boundsOf(child);
        const CRectangle visible = childBounds.boundedBy(painted);
        if (visible.width() == 0 || visible.height() == 0)
            continue;
        target->setClipArea(visible);
        const bool wasPending = child->needsRepaint();
        child->paintArea(target, local);
        // A child painted only in part is painted whole by a later refresh.
        if (wasPending && visible != childBounds && !isKindOf("CScrollContainer"))
            child->setNeedsRepaint(true);
    }
    target->setClipArea(savedClip);

    if (target != context) {
        offscreen->copyTo(context, inParent, CPos{local.left, local.top});
    } else {
        context->getWindowOrigin() = savedOrigin;
        context->getOffset() = savedOffset;
    }
    setNeedsRepaint(false);
}

void CViewContainer::paintBackground(CPaintContext* context, const CRectangle& area) {
    if (backdrop) {
        const CRectangle oldClip = context->clipInDrawingCoordinates();
        context->setClipArea(area.boundedBy(oldClip));
        drawBackdrop(context, CRectangle{0, 0, backdrop->getWidth(), backdrop->getHeight()}, backdropOffset);
        context->setClipArea(oldClip);
    } else if (!transparent) {
        context->setFillColor(backgroundColour);
        context->fillArea(area);
    }
}

bool CViewContainer::needsRepaint() {
    if (repaintPending)
        return true;
    const CRectangle whole = ownArea();
    for (CChildLink* link = firstChild.get(); link; link = link->next.get()) {
        if (!link->view->needsRepaint())
            continue;
        const CRectangle visible = boundsOf(link->view.get()).boundedBy(whole);
        if (visible.width() > 0 && visible.height() > 0)
            return true;
    }
    return false;
}

void CViewContainer::refresh(CPaintContext* context) {
    const CRectangle whole = ownArea();
    if (refreshMode == kRefreshWhole) {
        if (needsRepaint()) {
            redrawArea(context, whole);
            setNeedsRepaint(false);
        }
        return;
    }
    if (refreshMode != kRefreshChanged)
        return;
    if (repaintPending) {
        redrawArea(context, whole);
    } else {
        for (CChildLink* link = firstChild.get(); link; link = link->next.get()) {
            CView* child = link->view.get();
            if (!child->needsRepaint() || !child->overlaps(whole))
                continue;
            if (child->receiveMessage(this, kMsgCheckIfViewContainer) != 0)
                child->refresh(context);
            else
                child->redrawArea(context, boundsOf(child).boundedBy(whole));
        }
    }
    setNeedsRepaint(false);
}

void CViewContainer::redrawArea(CPaintContext* context, const CRectangle& area) {
    CRectangle inParent = area;
    inParent.offset(bounds.left, bounds.top);
    if (transparent) {
        // What lies behind a transparent container belongs to its parent.
        if (parentView)
            parentView->redrawArea(context, inParent);
        else if (ownerFrame)
            ownerFrame->frameView()->paintArea(context, inParent);
        return;
    }
    if (parentView && context) {
        CPos parentOrigin;
        parentView->toFrame(parentOrigin);
        const CPos savedOrigin = context->getWindowOrigin();
        const CPos savedOffset = context->getOffset();
        shiftContext(context, parentOrigin.h, parentOrigin.v);
        paintArea(context, inParent);
        context->getWindowOrigin() = savedOrigin;
        context->getOffset() = savedOffset;
        return;
    }
    paintArea(context, inParent);
}

void CViewContainer::setBounds(const CRectangle& area) {
    bounds = area;
    setNeedsRepaint(true);
    if (offscreen && paintOffscreen)
        makeBackBuffer();
}

bool CViewContainer::onRemoved(CView* /*parent*/) {
    dropBackBuffer();
    return true;
}

bool CViewContainer::onAttached(CView* /*parent*/) {
    if (!offscreen && paintOffscreen)
        makeBackBuffer();
    return true;
}

// --- Input ----------------------------------------------------------------------------------

void CViewContainer::handleMouse(CPaintContext* context, CPos where, int32_t buttons) {
    const CPos local{where.h - bounds.left, where.v - bounds.top};
    if (buttons == -1 && context)
        buttons = currentButtons();
    for (CChildLink* link = lastChild; link; link = link->previous) {
        CView* child = link->view.get();
        if (child && child->acceptsMouse() && child->isHit(local, buttons)) {
            child->handleMouse(context, local, buttons);
            return;
        }
    }
}

int32_t CViewContainer::handleKeyDown(const CKeyCode& key) {
    for (CChildLink* link = lastChild; link; link = link->previous) {
        const int32_t answer = link->view->handleKeyDown(key);
        if (answer != -1)
            return answer;
    }
    return -1;
}

int32_t CViewContainer::handleKeyUp(const CKeyCode& key) {
    for (CChildLink* link = lastChild; link; link = link->previous) {
        const int32_t answer = link->view->handleKeyUp(key);
        if (answer != -1)
            return answer;
    }
    return -1;
}

bool CViewContainer::handleWheelAxis(CPaintContext* context, CPos where, int32_t axis, float distance) {
    CView* target = viewAt(where, false);
    if (!target)
        return false;
    const CPos local{where.h - bounds.left, where.v - bounds.top};
    if (!context)
        return target->handleWheelAxis(context, local, axis, distance);
    const CPos savedOrigin = context->getWindowOrigin();
    const CPos savedOffset = context->getOffset();
    shiftContext(context, bounds.left, bounds.top);
    const bool handled = target->handleWheelAxis(context, local, axis, distance);
    context->getWindowOrigin() = savedOrigin;
    context->getOffset() = savedOffset;
    return handled;
}

bool CViewContainer::handleWheel(CPaintContext* context, CPos where, float distance) {
    return handleWheelAxis(context, where, 1, distance);
}

// Drag events reach the children in the container's own coordinates, with the context shifted
// to match for as long as the event lasts.
namespace {

class ShiftedContext {
public:
    ShiftedContext(CPaintContext* shifted, const CRectangle& bounds) : context(shifted) {
        if (!context)
            return;
        savedOrigin = context->getWindowOrigin();
        savedOffset = context->getOffset();
        context->getWindowOrigin().h += bounds.left;
        context->getWindowOrigin().v += bounds.top;
        context->getOffset().h += bounds.left;
        context->getOffset().v += bounds.top;
    }
    ~ShiftedContext() {
        if (!context)
            return;
        context->getWindowOrigin() = savedOrigin;
        context->getOffset() = savedOffset;
    }
    ShiftedContext(const ShiftedContext&) = delete;
    ShiftedContext& operator=(const ShiftedContext&) = delete;

private:
    CPaintContext* context;
    CPos savedOrigin;
    CPos savedOffset;
};

} // namespace

bool CViewContainer::handleDragEnter(CPaintContext* context, CDropData* drop, CPos where) {
    if (!ownerFrame)
        return false;
    ShiftedContext shifted(context, bounds);
    const CPos local{where.h - bounds.left, where.v - bounds.top};
    if (dragTarget)
        dragTarget->handleDragLeave(context, drop, local);
    dragTarget = viewAt(where, false);
    return dragTarget && dragTarget->handleDragEnter(context, drop, local);
}

bool CViewContainer::handleDragMove(CPaintContext* context, CDropData* drop, CPos where) {
    if (!ownerFrame)
        return false;
    ShiftedContext shifted(context, bounds);
    const CPos local{where.h - bounds.left, where.v - bounds.top};
    CView* found = viewAt(where, false);
    if (found == dragTarget)
        return found && found->handleDragMove(context, drop, local);
    if (dragTarget)
        dragTarget->handleDragLeave(context, drop, local);
    dragTarget = found;
    return found && found->handleDragEnter(context, drop, local);
}

void CViewContainer::handleDragLeave(CPaintContext* context, CDropData* drop, CPos where) {
    if (!ownerFrame)
        return;
    ShiftedContext shifted(context, bounds);
    const CPos local{where.h - bounds.left, where.v - bounds.top};
    if (dragTarget)
        dragTarget->handleDragLeave(context, drop, local);
    dragTarget = nullptr;
}

bool CViewContainer::handleDrop(CPaintContext* context, CDropData* drop, CPos where) {
    if (!ownerFrame)
        return false;
    ShiftedContext shifted(context, bounds);
    const CPos local{where.h - bounds.left, where.v - bounds.top};
    CView* found = viewAt(where, false);
    if (found != dragTarget) {
        if (dragTarget)
            dragTarget->handleDragLeave(context, drop, local);
        dragTarget = found;
    }
    bool dropped = false;
    if (dragTarget) {
        dropped = dragTarget->handleDrop(context, drop, local);
        dragTarget->handleDragLeave(context, drop, local);
    }
    dragTarget = nullptr;
    return dropped;
}

void CViewContainer::focusLost(CPaintContext* context) {
    for (CChildLink* link = firstChild.get(); link; link = link->next.get())
        link->view->focusLost(context);
}

void CViewContainer::focusGained(CPaintContext* context) {
    for (CChildLink* link = firstChild.get(); link; link = link->next.get())
        link->view->focusGained(context);
}

// --- Coordinates and identity ---------------------------------------------------------------

CPos& CViewContainer::toLocal(CPos& where) {
    where.h -= bounds.left;
    where.v -= bounds.top;
    if (parentIsContainer())
        return parentView->toLocal(where);
    return where;
}

CPos& CViewContainer::toFrame(CPos& where) {
    where.h += bounds.left;
    where.v += bounds.top;
    if (parentIsContainer())
        return parentView->toFrame(where);
    return where;
}

int32_t CViewContainer::receiveMessage(CView* /*sender*/, const char* message) {
    return message == kMsgCheckIfViewContainer ? 1 : 0;
}

bool CViewContainer::isKindOf(const char* className) const {
    return (className && std::strcmp(className, "CViewContainer") == 0) || CView::isKindOf(className);
}

// --- Children -------------------------------------------------------------------------------

void CViewContainer::addChildWithArea(CView* view, const CRectangle& area, bool accepts) {
    if (!view)
        return;
    view->setAcceptsMouse(accepts);
    view->setMouseArea(area);
    addChild(view);
}

void CViewContainer::addChild(CView* view) {
    if (!view)
        return;
    auto link = std::make_unique<CChildLink>();
    link->view.reset(view);
    link->previous = lastChild;
    view->setOwnerFrame(ownerFrame);
    view->setParentView(this);
    CChildLink* added = link.get();
    if (lastChild)
        lastChild->next = std::move(link);
    else
        firstChild = std::move(link);
    lastChild = added;
    view->onAttached(this);
    view->setNeedsRepaint(true);
}

void CViewContainer::unlink(std::unique_ptr<CChildLink> link, bool release) {
    CView* view = link->view.get();
    if (view == dragTarget)
        dragTarget = nullptr;
    view->onRemoved(this);
    // The view may outlive this container: it must not keep pointing at it.
    if (view->getParentView() == this) {
        view->setParentView(nullptr);
        view->setOwnerFrame(nullptr);
    }
    // The reference the creator handed over with the view goes first, then the container's own.
    if (release)
        Ref<CView>::adopt(view).reset();
    link.reset();
}

void CViewContainer::removeChild(CView* view, bool release) {
    if (view && ownerFrame && ownerFrame->getKeyFocus() == view)
        ownerFrame->setKeyFocus(nullptr);
    CChildLink* link = firstChild.get();
    while (link && link->view.get() != view)
        link = link->next.get();
    if (!link)
        return;
    CChildLink* before = link->previous;
    std::unique_ptr<CChildLink>& holder = before ? before->next : firstChild;
    std::unique_ptr<CChildLink> taken = std::move(holder);
    std::unique_ptr<CChildLink> after = std::move(taken->next);
    if (after)
        after->previous = before;
    else
        lastChild = before;
    holder = std::move(after);
    unlink(std::move(taken), release);
}

void CViewContainer::removeAllChildren(bool release) {
    // The list is emptied first, so that nothing called from here sees half-freed links.
    std::unique_ptr<CChildLink> link = std::move(firstChild);
    lastChild = nullptr;
    while (link) {
        std::unique_ptr<CChildLink> next = std::move(link->next);
        unlink(std::move(link), release);
        link = std::move(next);
    }
}

bool CViewContainer::hasChild(CView* view) {
    for (CChildLink* link = firstChild.get(); link; link = link->next.get())
        if (link->view.get() == view)
            return true;
    return false;
}

int32_t CViewContainer::childCount() {
    int32_t count = 0;
    for (CChildLink* link = firstChild.get(); link; link = link->next.get())
        ++count;
    return count;
}

CView* CViewContainer::childAt(int32_t index) {
    if (index < 0)
        return nullptr;
    CChildLink* link = firstChild.get();
    while (link && index-- > 0)
        link = link->next.get();
    return link ? link->view.get() : nullptr;
}

void CViewContainer::setBackgroundColour(CRgba colour) {
    backgroundColour = colour;
    setNeedsRepaint(true);
}

CRgba& CViewContainer::getBackgroundColour(CRgba& out) {
    out = backgroundColour;
    return out;
}

void CViewContainer::setBackdropOffset(CPos offset) {
    backdropOffset = offset;
}

CPos& CViewContainer::getBackdropOffset() {
    return backdropOffset;
}

void CViewContainer::setRefreshMode(int32_t mode) {
    refreshMode = mode;
}

int32_t CViewContainer::getRefreshMode() {
    return refreshMode;
}

void CViewContainer::setPaintOffscreen(bool enabled) {
    paintOffscreen = enabled;
    if (!enabled)
        dropBackBuffer();
}

// --- Finding views and the focus walk -------------------------------------------------------

CView* CViewContainer::viewAt(CPos where, bool deep) {
    if (!ownerFrame)
        return nullptr;
    const CPos local{where.h - bounds.left, where.v - bounds.top};
    for (CChildLink* link = lastChild; link; link = link->previous) {
        CView* child = link->view.get();
        if (!child)
            continue;
        CRectangle area;
        if (!child->getMouseArea(area).contains(local))
            continue;
        if (deep && child->isKindOf("CViewContainer"))
            return static_cast<CViewContainer*>(child)->viewAt(local, true);
        return child;
    }
    return nullptr;
}

CView* CViewContainer::viewUnderPointer() {
    if (!ownerFrame)
        return nullptr;
    CPos where;
    ownerFrame->pointerInWindow(where);
    toLocal(where);
    for (CChildLink* link = lastChild; link; link = link->previous) {
        CView* child = link->view.get();
        CRectangle area;
        if (child && child->getMouseArea(area).contains(where))
            return child;
    }
    return nullptr;
}

bool CViewContainer::moveFocus(CView* oldFocus, bool backwards) {
    bool met = oldFocus == nullptr;
    for (CChildLink* link = backwards ? lastChild : firstChild.get(); link;
         link = backwards ? link->previous : link->next.get()) {
        CView* child = link->view.get();
        if (!met) {
            met = child == oldFocus;
            continue;
        }
        if (child->acceptsFocus()) {
            if (ownerFrame)
                ownerFrame->setKeyFocus(child);
            return true;
        }
        if (child->isKindOf("CViewContainer") &&
            static_cast<CViewContainer*>(child)->moveFocus(nullptr, backwards))
            return true;
    }
    return false;
}

} // namespace tovrel
